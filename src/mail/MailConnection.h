#pragma once

#include "mail/MailSocket.h"
#include "mail/SmtpLoginMethod.h"
#include "mail/SmtpOptions.h"

#include <cstddef>
#include <memory>
#include <string>

class CMailBodyPart;
class CMailMessage;

// The SMTP client: connect and greet (HELO/EHLO, optionally TLS and a login),
// send one message in one mail transaction, QUIT. Every operation blocks until
// the server answered or a wait timed out, returns true or false, and hands a
// diagnostic text to ReportFailure. LastError() holds an errno value after a
// failure (ETIMEDOUT, EPROTONOSUPPORT for a reply with the wrong code, 22 for
// an unexpected reply to MAIL, RCPT, DATA, end of data or QUIT).
class CMailConnection {
public:
    // socket: the byte channel; a plain TCP socket when none is given.
    explicit CMailConnection(std::unique_ptr<CMailSocket> socket = nullptr);
    virtual ~CMailConnection();
    CMailConnection(const CMailConnection&) = delete;
    CMailConnection& operator=(const CMailConnection&) = delete;

    // Call before Connect. caFile empty: the system's certificate store.
    void SetSecurity(SmtpSecurity security, const std::string& caFile = {});
    void SetReplyTimeout(unsigned timeoutMs);
    void SetHeloHostName(const std::string& name) { m_heloHostName = name; }

    bool Connect(const std::string& server, SmtpLoginMethod method, const std::string& user,
        const std::string& password, int port, const std::string& localAddress = {});
    // The one way the program reaches its mail server, for the summary mail
    // and for the settings' connection test alike: the security, reply
    // time-out, login and port of options. An empty server fails at once.
    bool Connect(const SmtpOptions& options);
    bool SendMessage(const CMailMessage& message);
    bool Disconnect(bool sendQuit);

    bool AuthLogin(const std::string& user, const std::string& password);
    bool AuthLoginPlain(const std::string& user, const std::string& password);
    bool CramLogin(const std::string& user, const std::string& password);

    virtual bool NotifyProgress(unsigned current, unsigned total);
    // Reads one reply and checks its code; false on time-out, closed socket,
    // a reply over the size limit or no line with the expected code.
    virtual bool AwaitReply(int expectedCode, bool requireFinal250);
    virtual bool ReadResponse(std::size_t initialSize, const std::string& terminator, int expectedCode,
        std::size_t growthStep, bool requireFinal250);
    virtual void ReportFailure(const std::string& text);

    bool IsConnected() const { return m_connected; }
    const std::string& LastReplyText() const { return m_lastReplyText; }
    int LastReplyCode() const { return m_lastReplyCode; }
    int LastError() const { return m_lastError; }
    const std::string& HeloHostName() const { return m_heloHostName; }
    // Why the first failure since Connect happened, in words for a person:
    // the server's reply (control characters blanked, cut to kMaxReasonBytes)
    // or the system's error text. Empty while nothing failed.
    const std::string& FailureReason() const { return m_failureReason; }

    // The largest reply accepted; a server sending more is cut off.
    static constexpr std::size_t kMaxReplyBytes = 1u << 20;
    static constexpr std::size_t kMaxReasonBytes = 200;

private:
    bool ConnectSMTP(const std::string& hostName);
    bool ConnectESMTP(
        const std::string& hostName, const std::string& user, const std::string& password, SmtpLoginMethod method);
    bool NegotiateTls(const std::string& server);
    bool StartTlsExchange(const std::string& server);
    bool SendRCPTForRecipient(const std::string& address);
    bool SendBodyPart(CMailBodyPart& part, bool isRoot);
    bool SendSingleBody(const CMailMessage& message);
    bool SendText(const std::string& text);
    bool SendCommand(const std::string& command);
    bool ReplyHasCode(const std::string& reply, const std::string& terminator, int expectedCode);
    std::string Challenge() const;
    void SetLastError(int error);
    void NoteFailure(const std::string& reason);
    void ReportWithError(const char* format);

    std::unique_ptr<CMailSocket> m_socket;
    bool m_connected = false;
    std::string m_lastReplyText;
    std::string m_heloHostName = "auto";
    unsigned m_replyTimeoutMs = 60000;
    int m_lastReplyCode = 0;
    int m_lastError = 0;
    SmtpSecurity m_security = SmtpSecurity::None;
    std::string m_caFile;
    std::string m_failureReason;
};
