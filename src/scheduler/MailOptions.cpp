#include "scheduler/MailOptions.h"

SmtpOptions MailOptionsFromSettings(const SettingsRecord::SchedulerSettings& settings)
{
    SmtpOptions options;
    options.Server = settings.SMTPServer;
    options.Port = settings.SMTPPort;
    options.Security = static_cast<SmtpSecurity>(settings.SMTPSecurity);
    options.LoginMethod
        = settings.SMTPLoginRequired ? static_cast<SmtpLoginMethod>(settings.SMTPLoginMethod) : SmtpLoginMethod::None;
    options.Login = settings.SMTPLogin;
    options.Password = settings.SMTPPassword;
    if (settings.SMTPPasswordInKeyring)
        options.PasswordKey = SettingsRecord::kSmtpPasswordKey;
    return options;
}
