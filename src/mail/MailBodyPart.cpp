#include "mail/MailBodyPart.h"

#include "mail/MailText.h"
#include "mail/QuotedPrintable.h"
#include "mail/Uuid.h"

#include <cstdio>
#include <memory>
#include <utility>

namespace {

constexpr std::size_t kBase64LineLength = 76;

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    std::size_t position = 0;
    while ((position = text.find(from, position)) != std::string::npos) {
        text.replace(position, from.size(), to);
        position += to.size();
    }
    return text;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A read error (a folder where a file is expected, an I/O error) fails the
// whole read rather than sending a shortened attachment.
bool ReadWholeFile(const std::string& path, std::string& bytes)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    char buffer[65536];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0)
        bytes.append(buffer, count);
    return std::ferror(file.get()) == 0;
}

} // namespace

CMailBodyPart::CMailBodyPart()
    : CMailBodyPart(NewUuidText())
{
}

CMailBodyPart::CMailBodyPart(std::string boundary)
    : m_boundary(std::move(boundary))
{
}

CMailBodyPart::~CMailBodyPart() = default;

CMailBodyPart::CMailBodyPart(const CMailBodyPart& other)
{
    CopyFrom(other);
}

CMailBodyPart& CMailBodyPart::operator=(const CMailBodyPart& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

void CMailBodyPart::CopyFrom(const CMailBodyPart& other)
{
    AttachmentPath = other.AttachmentPath;
    AttachmentTitle = other.AttachmentTitle;
    ContentType = other.ContentType;
    Charset = other.Charset;
    ContentBase = other.ContentBase;
    ContentId = other.ContentId;
    ContentLocation = other.ContentLocation;
    QuotedPrintable = other.QuotedPrintable;
    Base64 = other.Base64;
    m_text = other.m_text;
    m_boundary = other.m_boundary;
    // Copy the children first: other may be one of our own descendants.
    std::vector<std::unique_ptr<CMailBodyPart>> children;
    for (const auto& child : other.m_children) {
        children.push_back(std::make_unique<CMailBodyPart>(*child));
        children.back()->m_parent = this;
    }
    m_children = std::move(children);
}

void CMailBodyPart::StoreText(const std::string& text)
{
    std::string normal = ReplaceAll(text, "\r\n", "\n");
    normal = ReplaceAll(normal, "\r", "\n");
    m_text = ReplaceAll(normal, "\n", "\r\n");
    ContentType = "text/plain";
}

std::size_t CMailBodyPart::AppendChild(const CMailBodyPart& part)
{
    auto copy = std::make_unique<CMailBodyPart>(part);
    copy->m_parent = this;
    m_children.push_back(std::move(copy));
    return m_children.size() - 1;
}

void CMailBodyPart::RemoveChild(std::size_t index)
{
    if (index < m_children.size())
        m_children.erase(m_children.begin() + static_cast<std::ptrdiff_t>(index));
}

void CMailBodyPart::RemoveAllChildren()
{
    m_children.clear();
}

CMailBodyPart* CMailBodyPart::FindChildByType(const std::string& contentType)
{
    for (const auto& child : m_children) {
        if (child->ContentType == contentType)
            return child.get();
    }
    return nullptr;
}

std::string CMailBodyPart::RenderPartHeader() const
{
    const std::string parentBoundary = m_parent != nullptr ? m_parent->m_boundary : std::string();
    const bool hasChildren = !m_children.empty();
    std::string header;
    if (!AttachmentPath.empty()) {
        header = "\r\n\r\n--" + parentBoundary + "\r\nContent-Type: " + ContentType + "; charset=" + Charset
            + "; name=" + AttachmentTitle;
        if (hasChildren)
            header += "; Boundary=\"" + m_boundary + "\"";
        header += "\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\""
            + AttachmentTitle + "\"\r\n";
    } else {
        header = "\r\n--" + parentBoundary + "\r\nContent-Type: " + ContentType + "; charset=" + Charset;
        if (hasChildren)
            header += "; Boundary=\"" + m_boundary + "\"";
        header += "\r\n";
        if (Base64)
            header += "Content-Transfer-Encoding: base64\r\n";
        else if (QuotedPrintable)
            header += "Content-Transfer-Encoding: quoted-printable\r\n";
    }
    if (!ContentBase.empty())
        header += "Content-Base: " + ContentBase + "\r\n";
    if (!ContentId.empty())
        header += "Content-ID: " + ContentId + "\r\n";
    if (!ContentLocation.empty())
        header += "Content-Location: " + ContentLocation + "\r\n";
    return header + "\r\n";
}

std::string CMailBodyPart::RenderBase64Lines(const void* data, std::size_t length)
{
    m_codec.EncodeBytes(data, length);
    const std::string encoded(m_codec.EncodedText(), m_codec.EncodedLength());
    std::string lines;
    lines.reserve(encoded.size() + encoded.size() / kBase64LineLength * 2 + 2);
    for (std::size_t start = 0; start < encoded.size(); start += kBase64LineLength)
        lines += encoded.substr(start, kBase64LineLength) + "\r\n";
    return lines;
}

bool CMailBodyPart::RenderPartBody(std::string& body)
{
    body.clear();
    if (!AttachmentPath.empty()) {
        std::string bytes;
        if (!ReadWholeFile(AttachmentPath, bytes))
            return false;
        body = RenderBase64Lines(bytes.data(), bytes.size());
        return true;
    }
    const std::string text = IsUtf8Charset(Charset) ? ToUtf8(m_text) : m_text;
    if (Base64)
        body = RenderBase64Lines(text.data(), text.size());
    else if (QuotedPrintable)
        body = StuffLeadingDots(EncodeQuotedPrintable(text));
    else
        body = StuffLeadingDots(text);
    return true;
}

std::string CMailBodyPart::RenderPartFooter() const
{
    return "\r\n--" + m_boundary + "--";
}
