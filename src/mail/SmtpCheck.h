#pragma once

#include "mail/SmtpOptions.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class CMailConnection;
class CPasswordStore;

// The connection test of the mail settings: connects exactly as the summary
// mail does (CMailConnection::Connect with the same options) and says QUIT.
// Nothing is sent and no setting changes.
class CSmtpCheck {
public:
    enum Outcome { Connected, DisconnectFailed, ConnectFailed };
    struct Result {
        Outcome outcome = ConnectFailed;
        // Why it failed, for a person: the server's reply or the system's
        // error text. Empty when connected and disconnected.
        std::string reason;
    };
    using ConnectionFactory = std::function<std::unique_ptr<CMailConnection>()>;

    // Runs the test on the calling thread, blocking it for up to the reply
    // time-out per reply.
    static Result Run(const SmtpOptions& options, CMailConnection& connection);

    // Runs the test on a thread of its own; the caller polls Done() and then
    // reads TakeResult(). A check whose caller has lost interest (the user
    // cancelled the wait) ends on its own within the time-outs. A password
    // kept in the keyring (options.PasswordKey) is read from passwords on
    // that thread; passwords must outlive the check.
    static std::shared_ptr<CSmtpCheck> Start(
        SmtpOptions options, ConnectionFactory makeConnection = {}, CPasswordStore* passwords = nullptr);

    bool Done() const { return m_done.load(std::memory_order_acquire); }
    // Valid once Done() is true.
    const Result& TakeResult() const { return m_result; }

private:
    Result m_result;
    std::atomic<bool> m_done { false };
};
