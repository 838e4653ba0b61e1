#pragma once

#include <string>

// The checks of the Schedule Event dialog's OK button. Trims spaces from both
// ends of address; returns 0 when the input may be stored, else the number of
// the message to show (121 no SMTP server, 57730 no address).
int CheckScheduleEventInput(bool enabled, bool sendEmail, const std::string& smtpServer, std::string& address);
