#include "mail/SmtpCheck.h"

#include "mail/MailConnection.h"
#include "mail/SmtpPassword.h"

#include <thread>
#include <utility>

CSmtpCheck::Result CSmtpCheck::Run(const SmtpOptions& options, CMailConnection& connection)
{
    Result result;
    if (!connection.Connect(options)) {
        result.reason = connection.FailureReason();
        if (result.reason.empty())
            result.reason = "the SMTP exchange failed";
        return result;
    }
    if (connection.Disconnect(true)) {
        result.outcome = Connected;
        return result;
    }
    result.outcome = DisconnectFailed;
    result.reason = connection.FailureReason();
    return result;
}

std::shared_ptr<CSmtpCheck> CSmtpCheck::Start(
    SmtpOptions options, ConnectionFactory makeConnection, CPasswordStore* passwords)
{
    auto check = std::make_shared<CSmtpCheck>();
    if (!makeConnection)
        makeConnection = [] { return std::make_unique<CMailConnection>(); };
    // Detached: the thread owns what it uses (the options, the connection and
    // a share of the check), so a window that closed meanwhile loses nothing
    // and no one ever waits for it.
    std::thread([check, options = std::move(options), makeConnection = std::move(makeConnection), passwords]() mutable {
        // Like the summary mail, no login without its password.
        if (FetchSmtpPassword(options, passwords, check->m_result.reason)) {
            std::unique_ptr<CMailConnection> connection = makeConnection();
            check->m_result = Run(options, *connection);
        }
        check->m_done.store(true, std::memory_order_release);
    }).detach();
    return check;
}
