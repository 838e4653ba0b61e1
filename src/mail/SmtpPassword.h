#pragma once

#include "mail/SmtpOptions.h"

#include <string>

class CPasswordStore;

// Puts the password that options.PasswordKey names into options.Password,
// read from passwords (the desktop keyring), when a login needs it. False,
// with the reason for a person, when it cannot be had: a login then never
// goes out without its password. Blocks while the store answers, so never
// on the interface thread.
bool FetchSmtpPassword(SmtpOptions& options, CPasswordStore* passwords, std::string& failure);
