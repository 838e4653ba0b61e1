#include "mail/SmtpPassword.h"

#include "platform/PasswordStore.h"

bool FetchSmtpPassword(SmtpOptions& options, CPasswordStore* passwords, std::string& failure)
{
    // Without a server the connection says so; the keyring is not asked.
    if (options.PasswordKey.empty() || options.LoginMethod == SmtpLoginMethod::None || options.Server.empty())
        return true;
    const std::string where = "the password is kept in the desktop keyring, ";
    if (passwords == nullptr) {
        failure = where + "which this program has no way to reach";
        return false;
    }
    const PasswordResult result = passwords->Call(CPasswordStore::Operation::Read, options.PasswordKey);
    switch (result.status) {
    case PasswordResult::Status::Ok:
        options.Password = result.password;
        return true;
    case PasswordResult::Status::NotFound:
        failure = where + "which holds none for Korvane";
        return false;
    case PasswordResult::Status::Unreachable:
        break;
    }
    failure = where + "which cannot be reached: " + result.reason;
    return false;
}
