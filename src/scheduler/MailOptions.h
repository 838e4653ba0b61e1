#pragma once

#include "core/SettingsRecord.h"
#include "mail/SmtpOptions.h"

// The mail server options of the Scheduler settings, as the summary mail of
// a scheduled event and the settings' connection test both use them: the
// login method only when SMTPLoginRequired is set.
SmtpOptions MailOptionsFromSettings(const SettingsRecord::SchedulerSettings& settings);
