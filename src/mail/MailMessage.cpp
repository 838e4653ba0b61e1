#include "mail/MailMessage.h"

#include "mail/MailText.h"
#include "mail/Uuid.h"
#include "platform/Clock.h"

#include <utility>

namespace {

const char kPreamble[] = "This is a multi-part message in MIME format";

std::string JoinForHeader(const std::vector<CMailAddress>& list, const std::string& charset)
{
    std::string text;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i > 0)
            text += ",";
        text += list[i].FormatForHeader(true, charset);
    }
    return text;
}

} // namespace

CMailMessage::CMailMessage()
    : CMailMessage(CClock::System(), NewUuidText)
{
}

CMailMessage::CMailMessage(const CClock& clock, BoundarySource newBoundary)
    : Root(newBoundary())
    , m_clock(clock)
    , m_newBoundary(std::move(newBoundary))
{
}

CMailMessage::~CMailMessage() = default;

std::vector<CMailAddress>* CMailMessage::List(RecipientKind kind)
{
    switch (kind) {
    case RecipientKind::To:
        return &m_to;
    case RecipientKind::Cc:
        return &m_cc;
    case RecipientKind::Bcc:
        return &m_bcc;
    }
    return nullptr;
}

int CMailMessage::AppendRecipient(const CMailAddress& address, RecipientKind kind)
{
    auto* list = List(kind);
    if (list == nullptr)
        return -1;
    list->push_back(address);
    return static_cast<int>(list->size() - 1);
}

bool CMailMessage::ParseRecipientList(const std::string& text, RecipientKind kind)
{
    bool added = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of(",;", start);
        if (end == std::string::npos)
            end = text.size();
        CMailAddress address;
        address.ParseAddress(text.substr(start, end - start));
        if (!address.Address.empty() && AppendRecipient(address, kind) >= 0)
            added = true;
        start = end + 1;
    }
    return added;
}

std::size_t CMailMessage::RecipientCount(RecipientKind kind) const
{
    return Recipients(kind).size();
}

const std::vector<CMailAddress>& CMailMessage::Recipients(RecipientKind kind) const
{
    static const std::vector<CMailAddress> kNone;
    auto* list = const_cast<CMailMessage*>(this)->List(kind);
    return list != nullptr ? *list : kNone;
}

void CMailMessage::MakeRootMultipart()
{
    Root.StoreText(kPreamble);
    Root.ContentType = "multipart/mixed";
}

void CMailMessage::SetMimeMode(bool on)
{
    if (m_mimeMode == on)
        return;
    m_mimeMode = on;
    Root.RemoveAllChildren();
    if (!on)
        return;
    const std::string kept = Root.Text();
    MakeRootMultipart();
    if (!kept.empty())
        AttachBodyText(kept);
}

void CMailMessage::AttachBodyText(const std::string& text)
{
    if (!m_mimeMode) {
        Root.StoreText(text);
        return;
    }
    if (CMailBodyPart* existing = Root.FindChildByType("text/plain")) {
        existing->StoreText(text);
        return;
    }
    MakeRootMultipart();
    CMailBodyPart part(m_newBoundary());
    part.Charset = Root.Charset;
    part.StoreText(text);
    Root.AppendChild(part);
}

std::string CMailMessage::BuildHeaderText() const
{
    const std::string& charset = Root.Charset;
    std::string header = "From: " + Sender.FormatForHeader(true, charset) + "\r\n";
    header += "To: " + JoinForHeader(m_to, charset) + "\r\n";
    if (!m_cc.empty())
        header += "Cc: " + JoinForHeader(m_cc, charset) + "\r\n";
    header += "Subject: " + EncodeHeaderText(Subject, charset) + "\r\n";
    if (!MailerName.empty())
        header += "X-Mailer: " + MailerName + "\r\n";
    if (m_mimeMode) {
        if (Root.Base64)
            header += "Content-Transfer-Encoding: base64\r\n";
        else if (Root.QuotedPrintable)
            header += "Content-Transfer-Encoding: quoted-printable\r\n";
        header += "MIME-Version: 1.0\r\n";
        if (Root.ChildCount() > 0)
            header += "Content-Type: " + Root.ContentType + "; boundary=\"" + Root.Boundary() + "\"\r\n";
        else
            header += "Content-Type: " + Root.ContentType + "\r\n";
    } else {
        header += "Content-Type: " + Root.ContentType + ";\r\n\tcharset=" + Root.Charset + "\r\n";
    }
    if (!ReplyTo.Address.empty())
        header += "Reply-To: " + ReplyTo.FormatForHeader(true, charset) + "\r\n";
    header += "Date: " + FormatMailDate(m_clock.Now()) + "\r\n";
    for (const auto& line : ExtraHeaders)
        header += line + "\r\n";
    return header;
}
