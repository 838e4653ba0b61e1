#include "mail/MailConnection.h"

#include "mail/MailMessage.h"
#include "mail/MailSocket.h"
#include "mail/MailText.h"
#include "platform/SystemInfo.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The Windows program's ERROR_BAD_COMMAND, kept as the value callers test for
// an unexpected reply.
constexpr int kBadCommand = 22;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, arguments);
    va_end(arguments);
    return text;
}

// A server's reply goes into the activity log and onto a terminal: no line
// breaks, tabs or escape sequences of the server's choosing, and no more
// than a line's worth.
std::string PrintableReply(const std::string& reply)
{
    std::string text;
    for (const char c : reply) {
        const auto byte = static_cast<unsigned char>(c);
        text += byte < 0x20 || byte == 0x7F ? ' ' : c;
    }
    const auto last = text.find_last_not_of(' ');
    if (last == std::string::npos)
        return "an empty reply";
    text.erase(last + 1);
    if (text.size() > CMailConnection::kMaxReasonBytes) {
        std::size_t cut = CMailConnection::kMaxReasonBytes;
        // Not inside a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text.erase(cut);
        text += "...";
    }
    return text;
}

std::string ErrorText(int error)
{
    std::string text;
    if (!CSystemInfo::ErrorText(error, text))
        text = "error " + std::to_string(error);
    return text;
}

int ParseReplyCode(const std::string& reply, std::size_t lineStart)
{
    const std::string digits = reply.substr(lineStart, 3);
    return std::atoi(digits.c_str());
}

} // namespace

CMailConnection::CMailConnection(std::unique_ptr<CMailSocket> socket)
    : m_socket(socket ? std::move(socket) : std::make_unique<CMailSocket>())
{
}

CMailConnection::~CMailConnection()
{
    if (m_connected)
        Disconnect(true);
    if (m_socket->IsOpen())
        m_socket->Close();
}

void CMailConnection::SetSecurity(SmtpSecurity security, const std::string& caFile)
{
    m_security = security;
    m_caFile = caFile;
}

void CMailConnection::SetReplyTimeout(unsigned timeoutMs)
{
    m_replyTimeoutMs = timeoutMs;
}

bool CMailConnection::NotifyProgress(unsigned, unsigned)
{
    return true;
}

void CMailConnection::ReportFailure(const std::string&)
{
}

void CMailConnection::SetLastError(int error)
{
    m_lastError = error;
    errno = error;
    NoteFailure(ErrorText(error));
}

// The first failure is the cause; what follows it (a QUIT the server no
// longer answers) must not hide it.
void CMailConnection::NoteFailure(const std::string& reason)
{
    if (m_failureReason.empty())
        m_failureReason = reason;
}

void CMailConnection::ReportWithError(const char* format)
{
    // Every caller passes a literal with one "%d" for the error number.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    ReportFailure(Format(format, m_lastError));
#pragma GCC diagnostic pop
}

bool CMailConnection::Connect(const std::string& server, SmtpLoginMethod method, const std::string& user,
    const std::string& password, int port, const std::string& localAddress)
{
    m_failureReason.clear();
    m_socket->SetTimeout(m_replyTimeoutMs);
    if (!m_socket->Create()) {
        SetLastError(m_socket->LastError());
        ReportWithError("CMailConnection::Connect, Failed to create client socket, GetLastError returns: %d\n");
        return false;
    }
    if (!m_socket->Connect(server, port, localAddress)) {
        // The socket layer answers a name that does not resolve with EINVAL.
        if (m_socket->LastError() == EINVAL)
            NoteFailure("the host name cannot be resolved");
        SetLastError(m_socket->LastError());
        if (!localAddress.empty())
            ReportFailure(Format("CMailConnection::Connect, Could not connect to the SMTP server %s on port %d from "
                                 "LocalAddress:%s, GetLastError returns: %d",
                server.c_str(), port, localAddress.c_str(), m_lastError));
        else
            ReportFailure(Format("CMailConnection::Connect, Could not connect to the SMTP server %s on port %d, "
                                 "GetLastError returns: %d",
                server.c_str(), port, m_lastError));
        return false;
    }
    m_connected = true;
    if (m_security == SmtpSecurity::Tls && !NegotiateTls(server))
        return false;
    if (!AwaitReply(220, false)) {
        ReportFailure("CMailConnection::Connect, An unexpected SMTP login response was received");
        Disconnect(true);
        return false;
    }
    if (m_heloHostName == "auto")
        m_heloHostName = CSystemInfo::ComputerName();
    if (m_security == SmtpSecurity::StartTls && !StartTlsExchange(server))
        return false;
    const bool greeted = method == SmtpLoginMethod::None ? ConnectSMTP(m_heloHostName)
                                                         : ConnectESMTP(m_heloHostName, user, password, method);
    if (!greeted) {
        Disconnect(true);
        ReportFailure("CMailConnection::Connect, An unexpected HELO/EHLO response was received");
        return false;
    }
    return true;
}

bool CMailConnection::Connect(const SmtpOptions& options)
{
    if (options.Server.empty()) {
        m_failureReason = "no SMTP server is set";
        return false;
    }
    SetSecurity(options.Security, options.CaFile);
    SetReplyTimeout(options.ReplyTimeoutMs);
    return Connect(options.Server, options.LoginMethod, options.Login, options.Password, options.Port);
}

bool CMailConnection::NegotiateTls(const std::string& server)
{
    if (m_socket->StartTls(server, m_caFile))
        return true;
    NoteFailure(PrintableReply("TLS negotiation failed: " + m_socket->TlsErrorText()));
    SetLastError(m_socket->LastError());
    ReportFailure(Format("CMailConnection::Connect, TLS negotiation with the SMTP server %s failed: %s", server.c_str(),
        m_socket->TlsErrorText().c_str()));
    // Nothing more can be said over a channel whose TLS failed: no QUIT.
    Disconnect(false);
    return false;
}

bool CMailConnection::StartTlsExchange(const std::string& server)
{
    if (!SendCommand("EHLO " + m_heloHostName + "\r\n")) {
        ReportFailure("CMailConnection::StartTls, An unexpected error occurred while sending the EHLO command");
        Disconnect(true);
        return false;
    }
    if (!AwaitReply(250, true)) {
        ReportFailure("CMailConnection::StartTls, An unexpected response was received to the EHLO command");
        Disconnect(true);
        return false;
    }
    if (!SendCommand("STARTTLS\r\n") || !AwaitReply(220, false)) {
        ReportFailure(Format("CMailConnection::StartTls, The SMTP server %s does not offer STARTTLS", server.c_str()));
        Disconnect(true);
        return false;
    }
    return NegotiateTls(server);
}

bool CMailConnection::ConnectSMTP(const std::string& hostName)
{
    if (!SendCommand("HELO " + hostName + "\r\n")) {
        ReportFailure("CMailConnection::ConnectSMTP, An unexpected error occurred while sending the HELO command");
        return false;
    }
    return AwaitReply(250, false);
}

bool CMailConnection::ConnectESMTP(
    const std::string& hostName, const std::string& user, const std::string& password, SmtpLoginMethod method)
{
    if (!SendCommand("EHLO " + hostName + "\r\n")) {
        ReportFailure("CMailConnection::ConnectESMTP, An unexpected error occurred while sending the EHLO command");
        return false;
    }
    if (!AwaitReply(250, true)) {
        ReportFailure("CMailConnection::ConnectESMTP, An unexpected response was received occurred while sending "
                      "the EHLO command");
        return false;
    }
    switch (method) {
    case SmtpLoginMethod::CramMd5:
        return CramLogin(user, password);
    case SmtpLoginMethod::Login:
        return AuthLogin(user, password);
    case SmtpLoginMethod::LoginPlain:
        return AuthLoginPlain(user, password);
    default:
        NoteFailure("unknown login method");
        return false;
    }
}

bool CMailConnection::SendText(const std::string& text)
{
    if (m_socket->SendRaw(text.data(), text.size()))
        return true;
    SetLastError(m_socket->LastError());
    return false;
}

bool CMailConnection::SendCommand(const std::string& command)
{
    // A line break inside an argument (an address, a user name) would start a
    // second command of the caller's data's choosing: refuse it.
    const std::size_t end = command.size() >= 2 ? command.size() - 2 : 0;
    if (command.find_first_of("\r\n") < end) {
        NoteFailure("a line break in an address or user name");
        SetLastError(EINVAL);
        return false;
    }
    return SendText(command);
}

bool CMailConnection::AwaitReply(int expectedCode, bool requireFinal250)
{
    return ReadResponse(256, "\r\n", expectedCode, 4096, requireFinal250);
}

bool CMailConnection::ReadResponse(std::size_t initialSize, const std::string& terminator, int expectedCode,
    std::size_t growthStep, bool requireFinal250)
{
    std::vector<char> buffer(initialSize < 2 ? 2 : initialSize);
    std::size_t received = 0;
    const auto keep = [&] { m_lastReplyText.assign(buffer.data(), received); };
    for (;;) {
        bool readable = false;
        if (!m_socket->WaitReadable(m_replyTimeoutMs, readable)) {
            SetLastError(m_socket->LastError());
            keep();
            return false;
        }
        if (!readable) {
            NoteFailure("no reply within " + std::to_string((m_replyTimeoutMs + 999) / 1000) + " seconds");
            SetLastError(ETIMEDOUT);
            ReportFailure("CMailConnection::ReadResponse, Timed Out waiting for response from SMTP server");
            keep();
            return false;
        }
        const std::size_t space = buffer.size() - received - 1;
        const long count = m_socket->Receive(buffer.data() + received, space);
        if (count <= 0) {
            if (count == 0)
                NoteFailure("the server closed the connection");
            SetLastError(count == 0 ? ECONNRESET : m_socket->LastError());
            keep();
            return false;
        }
        received += static_cast<std::size_t>(count);
        if (static_cast<std::size_t>(count) == space) {
            // Growth is bounded: a server that talks without end must not
            // take all the memory of the program with it.
            if (buffer.size() + growthStep > kMaxReplyBytes) {
                SetLastError(EMSGSIZE);
                ReportFailure("CMailConnection::ReadResponse, The response from the SMTP server is too long");
                keep();
                return false;
            }
            buffer.resize(buffer.size() + growthStep);
        }
        const std::string_view text(buffer.data(), received);
        const bool ended = text.size() >= terminator.size() && text.ends_with(terminator);
        if (ended && (!requireFinal250 || text.find("250 ") != std::string_view::npos))
            break;
    }
    return ReplyHasCode(std::string(buffer.data(), received - terminator.size()), terminator, expectedCode);
}

bool CMailConnection::ReplyHasCode(const std::string& reply, const std::string& terminator, int expectedCode)
{
    std::size_t lineStart = 0;
    for (;;) {
        m_lastReplyCode = ParseReplyCode(reply, lineStart);
        m_lastReplyText = reply.substr(lineStart);
        if (m_lastReplyCode == expectedCode)
            return true;
        const std::size_t next = reply.find(terminator, lineStart);
        if (next == std::string::npos)
            break;
        lineStart = next + terminator.size();
    }
    NoteFailure(PrintableReply(m_lastReplyText));
    SetLastError(EPROTONOSUPPORT);
    return false;
}

bool CMailConnection::SendRCPTForRecipient(const std::string& address)
{
    if (!SendCommand("RCPT TO:<" + address + ">\r\n")) {
        ReportWithError(
            "CMailConnection::SendRCPTForRecipient, Failed in call to send RCPT command, GetLastError returns: %d");
        return false;
    }
    if (!AwaitReply(250, false)) {
        SetLastError(kBadCommand);
        ReportFailure("CMailConnection::SendRCPTForRecipient, An unexpected RCPT response was received");
        return false;
    }
    return true;
}

bool CMailConnection::SendMessage(const CMailMessage& message)
{
    if (!SendCommand("MAIL FROM:<" + message.Sender.Address + ">\r\n")) {
        ReportWithError("CMailConnection::SendMessage, Failed in call to send MAIL command, GetLastError returns: %d");
        return false;
    }
    if (!AwaitReply(250, false)) {
        SetLastError(kBadCommand);
        ReportFailure("CMailConnection::SendMessage, An unexpected MAIL response was received");
        return false;
    }
    for (const RecipientKind kind : { RecipientKind::To, RecipientKind::Cc, RecipientKind::Bcc }) {
        for (const auto& recipient : message.Recipients(kind)) {
            if (!SendRCPTForRecipient(recipient.Address))
                return false;
        }
    }
    if (!SendCommand("DATA\r\n")) {
        ReportWithError("CMailConnection::SendMessage, Failed in call to send DATA command, GetLastError returns: %d");
        return false;
    }
    if (!AwaitReply(354, false)) {
        SetLastError(kBadCommand);
        ReportFailure("CMailConnection::SendMessage, An unexpected DATA response was received");
        return false;
    }
    if (!SendText(message.BuildHeaderText())) {
        ReportWithError("CMailConnection::SendMessage, Failed in call to send the header, GetLastError returns: %d");
        return false;
    }
    if (!SendText("\r\n")) {
        ReportWithError("CMailConnection::SendMessage, Failed in call to send the header / body separator, "
                        "GetLastError returns: %d");
        return false;
    }
    if (!SendSingleBody(message))
        return false;
    if (!SendText("\r\n.\r\n")) {
        ReportWithError("CMailConnection::SendMessage, Failed in call to send end of message indicator, GetLastError "
                        "returns: %d");
        return false;
    }
    if (!AwaitReply(250, false)) {
        SetLastError(kBadCommand);
        ReportFailure("CMailConnection::SendMessage, An unexpected end of message response was received");
        return false;
    }
    return true;
}

bool CMailConnection::SendSingleBody(const CMailMessage& message)
{
    if (message.Root.ChildCount() > 0 || message.MimeMode()) {
        // Rendering keeps coding state in the parts, so send a copy.
        CMailBodyPart root = message.Root;
        return SendBodyPart(root, true);
    }
    if (SendText(StuffLeadingDots(message.Root.Text())))
        return true;
    ReportWithError("CMailConnection::SendMessage, Failed in call to send the message body, GetLastError returns: %d");
    return false;
}

bool CMailConnection::SendBodyPart(CMailBodyPart& part, bool isRoot)
{
    bool failed = false;
    if (!isRoot && !SendText(part.RenderPartHeader())) {
        ReportWithError("CMailConnection::SendBodyPart, Failed in call to send body parts header, GetLastError "
                        "returns: %d");
        failed = true;
    }
    std::string body;
    if (!part.RenderPartBody(body)) {
        SetLastError(errno != 0 ? errno : EIO);
        ReportWithError("CMailConnection::SendBodyPart, Failed in call to send body parts body, GetLastError returns: "
                        "%d");
        return false;
    }
    if (!failed && !SendText(body)) {
        ReportWithError("CMailConnection::SendBodyPart, Failed in call to send body parts body, GetLastError returns: "
                        "%d");
        failed = true;
    }
    for (std::size_t i = 0; !failed && i < part.ChildCount(); ++i)
        failed = !SendBodyPart(part.Child(i), false);
    if (part.ChildCount() > 0 && !SendText(part.RenderPartFooter())) {
        ReportWithError("CMailConnection::SendBodyPart, Failed in call to send body parts footer, GetLastError "
                        "returns: %d");
        return false;
    }
    return !failed;
}

bool CMailConnection::Disconnect(bool sendQuit)
{
    if (!m_connected) {
        ReportFailure("CMailConnection::Disconnect, Already disconnected from SMTP server, doing nothing");
        m_socket->Close();
        return false;
    }
    bool result = false;
    if (sendQuit) {
        if (!SendCommand("QUIT\r\n"))
            ReportWithError(
                "CMailConnection::Disconnect, Failed in call to send QUIT command, GetLastError returns: %d");
        result = AwaitReply(221, false);
        if (!result) {
            SetLastError(kBadCommand);
            ReportFailure("CMailConnection::Disconnect, An unexpected QUIT response was received");
        }
    }
    m_connected = false;
    m_socket->Close();
    return result;
}
