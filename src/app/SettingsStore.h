#pragma once

#include "core/SettingsRecord.h"

class CPrompter;
class CShellIntegration;

// SMTP server the settings name until the user enters one. There is no
// system-wide mail account to borrow one from; a relay on this machine is
// the usual arrangement on Linux, and nothing is ever sent to a stranger's
// host by default.
inline constexpr const char* kDefaultSmtpServer = "localhost";

// Fills the fields computed at start-up: ModulePath (the running program
// file, else argumentZero), the kernel version, and the two flags that are
// always true here.
void FillComputedSettings(SettingsRecord& record, const std::string& argumentZero = {});

// Looks at the settings file before anything reads it, and says so when it
// is damaged (it is kept aside and the defaults are used) or is no regular
// file (the defaults are used and nothing is saved).
void CheckSettingsFile(CPrompter& prompter);

// Reads every value of Settings\General, Settings\Actions and
// Settings\Scheduler; a missing value keeps its default. The password is
// unscrambled (left empty while SMTPPasswordInKeyring is set), and
// SchedulerActive comes from the automatic start.
void LoadSettings(SettingsRecord& record, const CShellIntegration& shell);
void LoadSettings(SettingsRecord& record);

// Writes every value (the password scrambled, or removed from the file
// while SMTPPasswordInKeyring is set), then writes or removes the automatic
// start from SchedulerActive. Failures are silent.
void SaveSettings(const SettingsRecord& record, CShellIntegration& shell);
void SaveSettings(const SettingsRecord& record);
