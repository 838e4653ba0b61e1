#pragma once

// How CMailConnection greets and logs in: None sends HELO and no login; the
// others send EHLO and run their login exchange. The value is the one kept in
// the SMTPLoginMethod setting.
enum class SmtpLoginMethod { None = 0, CramMd5 = 1, Login = 2, LoginPlain = 3 };

// How the connection is protected: None plain text, StartTls upgrades after
// the greeting, Tls speaks TLS from the first byte (usually port 465). The
// value is the one kept in the SMTPSecurity setting.
enum class SmtpSecurity { None = 0, StartTls = 1, Tls = 2 };
