#pragma once

#include "mail/SmtpLoginMethod.h"

#include <string>

// Everything needed to reach and log in to the mail server; the caller fills
// it from the settings, the mail client never reads them itself:
// SMTPServer, SMTPPort, SMTPSecurity, and SMTPLoginMethod when
// SMTPLoginRequired is set (None otherwise), SMTPLogin, SMTPPassword or,
// with SMTPPasswordInKeyring, the keyring's key.
struct SmtpOptions {
    std::string Server;
    int Port = 25;
    SmtpSecurity Security = SmtpSecurity::None;
    SmtpLoginMethod LoginMethod = SmtpLoginMethod::None;
    std::string Login;
    std::string Password;
    // Not empty: the password is kept in a password store (the desktop
    // keyring) under this key and fetched when a login needs it; Password
    // is then not used.
    std::string PasswordKey;
    // Trusted certificates for TLS; empty means the system's store.
    std::string CaFile;
    unsigned ReplyTimeoutMs = 60000;
};
