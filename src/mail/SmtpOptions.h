#pragma once

#include "mail/SmtpLoginMethod.h"

#include <string>

// Everything needed to reach and log in to the mail server; the caller fills
// it from the settings, the mail client never reads them itself:
// SMTPServer, SMTPPort, SMTPSecurity, and SMTPLoginMethod when
// SMTPLoginRequired is set (None otherwise), SMTPLogin, SMTPPassword.
struct SmtpOptions {
    std::string Server;
    int Port = 25;
    SmtpSecurity Security = SmtpSecurity::None;
    SmtpLoginMethod LoginMethod = SmtpLoginMethod::None;
    std::string Login;
    std::string Password;
    // Trusted certificates for TLS; empty means the system's store.
    std::string CaFile;
    unsigned ReplyTimeoutMs = 60000;
};
