#include "app/SettingsStore.h"

#include "StringTable.h"
#include "app/Conversion.h"
#include "app/ShellIntegration.h"
#include "core/Prompter.h"
#include "platform/MyRegistry.h"
#include "platform/ProgramInfo.h"
#include "scan/PathFormat.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace {

// One stored value: its name and the field of its group that holds it.
template <typename Group> struct Value {
    const char* name;
    std::variant<std::int32_t Group::*, std::string Group::*> field;
};

using General = SettingsRecord::GeneralSettings;
using Actions = SettingsRecord::ActionSettings;
using Scheduler = SettingsRecord::SchedulerSettings;

// The values in the order they are read and written.
const std::vector<Value<General>> kGeneralValues {
    { "GridlinesList", &General::GridlinesList },
    { "CheckUpdates", &General::CheckUpdates },
    { "AlphaBlending", &General::AlphaBlending },
    { "AutomaticScan", &General::AutomaticScan },
    { "ClusterSize", &General::ClusterSize },
    { "TooltipDelay", &General::TooltipDelay },
    { "CompareType", &General::CompareType },
    { "LogActivate", &General::LogActivate },
    { "LogFileName", &General::LogFileName },
    { "WebServer", &General::WebServer },
};

const std::vector<Value<Actions>> kActionValues {
    { "NoInteract", &Actions::NoInteract },
    { "DisplaySummary", &Actions::DisplaySummary },
    { "PlaySound", &Actions::PlaySound },
    { "PostShutdown", &Actions::PostShutdown },
    { "DisplayError", &Actions::DisplayError },
    { "BackupDelete", &Actions::BackupDelete },
    { "BackupSecurity", &Actions::BackupSecurity },
    { "BackupCompression", &Actions::BackupCompression },
    { "BackupOverwrite", &Actions::BackupOverwrite },
    { "BackupTrash", &Actions::BackupTrash },
    { "RestoreOverwrite", &Actions::RestoreOverwrite },
    { "RestoreSecurity", &Actions::RestoreSecurity },
    { "RestoreCompression", &Actions::RestoreCompression },
    { "RestoreTrash", &Actions::RestoreTrash },
};

// SMTPPassword is read and written on its own: it is stored scrambled.
const std::vector<Value<Scheduler>> kSchedulerValues {
    { "SMTPServer", &Scheduler::SMTPServer },
    { "SMTPPort", &Scheduler::SMTPPort },
    { "SMTPLoginRequired", &Scheduler::SMTPLoginRequired },
    { "SMTPLogin", &Scheduler::SMTPLogin },
    { "TrayHideIdle", &Scheduler::TrayHideIdle },
    { "TrayAnimate", &Scheduler::TrayAnimate },
    { "TrayPlaySound", &Scheduler::TrayPlaySound },
    { "TrayBalloons", &Scheduler::TrayBalloons },
    { "DisplaySummary", &Scheduler::DisplaySummary },
    { "DisplayError", &Scheduler::DisplayError },
    { "DisplayInformation", &Scheduler::DisplayInformation },
    { "DisplayProgress", &Scheduler::DisplayProgress },
    { "MissedEvents", &Scheduler::MissedEvents },
    { "SMTPSecurity", &Scheduler::SMTPSecurity },
    { "SMTPLoginMethod", &Scheduler::SMTPLoginMethod },
    { "SMTPPasswordInKeyring", &Scheduler::SMTPPasswordInKeyring },
    { "NotifySuccess", &Scheduler::NotifySuccess },
};

template <typename Group>
void ReadGroup(CMyRegistry& registry, const char* key, const std::vector<Value<Group>>& values, Group& group)
{
    registry.OpenKey(key);
    for (const Value<Group>& value : values) {
        if (auto number = std::get_if<std::int32_t Group::*>(&value.field)) {
            auto& field = group.**number;
            field = static_cast<std::int32_t>(registry.ReadNumber(value.name, static_cast<std::uint32_t>(field)));
        } else {
            auto& field = group.*std::get<std::string Group::*>(value.field);
            field = registry.ReadString(value.name, field);
        }
    }
}

template <typename Group>
void WriteGroup(CMyRegistry& registry, const char* key, const std::vector<Value<Group>>& values, const Group& group)
{
    registry.CreateKey(key);
    for (const Value<Group>& value : values) {
        if (auto number = std::get_if<std::int32_t Group::*>(&value.field))
            registry.WriteNumber(value.name, static_cast<std::uint32_t>(group.**number));
        else
            registry.WriteString(value.name, group.*std::get<std::string Group::*>(value.field));
    }
}

constexpr const char* kGeneralKey = "Software\\Zellik Software\\Korvane\\Settings\\General";
constexpr const char* kActionsKey = "Software\\Zellik Software\\Korvane\\Settings\\Actions";
constexpr const char* kSchedulerKey = "Software\\Zellik Software\\Korvane\\Settings\\Scheduler";

} // namespace

void FillComputedSettings(SettingsRecord& record, const std::string& argumentZero)
{
    record.ModulePath = ExecutablePath(argumentZero);
    KernelVersion(record.OsMajorVersion, record.OsMinorVersion);
    record.IsNT = true;
    record.HasConnectivityProbe = true;
}

void CheckSettingsFile(CPrompter& prompter)
{
    const CMyRegistry::FileState state = CMyRegistry::CheckFile();
    const std::string file = CMyRegistry::FilePath();
    std::string text;
    if (state.kind == CMyRegistry::FileState::NotRegular)
        text = FormatString(LoadString(57747).c_str(), file.c_str(), FailureReasonText(state.error).c_str());
    else if (state.kind == CMyRegistry::FileState::Damaged && state.error == 0)
        text = FormatString(LoadString(57745).c_str(), file.c_str(), state.keptAs.c_str());
    else if (state.kind == CMyRegistry::FileState::Damaged)
        text = FormatString(LoadString(57746).c_str(), file.c_str(), FailureReasonText(state.error).c_str());
    if (!text.empty())
        prompter.MessageBox(text, MbOk | MbIconWarning);
}

void LoadSettings(SettingsRecord& record, const CShellIntegration& shell)
{
    // Stands where the default mail account's server would.
    record.Scheduler.SMTPServer = kDefaultSmtpServer;
    CMyRegistry registry;
    ReadGroup(registry, kGeneralKey, kGeneralValues, record.General);
    ReadGroup(registry, kActionsKey, kActionValues, record.Actions);
    ReadGroup(registry, kSchedulerKey, kSchedulerValues, record.Scheduler);
    // With the keyring in use the password is fetched when a mail needs it;
    // a value left in the file is not trusted over the keyring's.
    record.Scheduler.SMTPPassword = record.Scheduler.SMTPPasswordInKeyring
        ? std::string()
        : UnscramblePassword(registry.ReadString("SMTPPassword", std::string()));
    registry.CloseKey();
    record.SchedulerActive = shell.IsSchedulerRegistered();
}

void LoadSettings(SettingsRecord& record)
{
    LoadSettings(record, CShellIntegration(record.ModulePath));
}

void SaveSettings(const SettingsRecord& record, CShellIntegration& shell)
{
    CMyRegistry registry;
    WriteGroup(registry, kGeneralKey, kGeneralValues, record.General);
    WriteGroup(registry, kActionsKey, kActionValues, record.Actions);
    WriteGroup(registry, kSchedulerKey, kSchedulerValues, record.Scheduler);
    if (record.Scheduler.SMTPPasswordInKeyring)
        registry.DeleteValue("SMTPPassword");
    else
        registry.WriteString("SMTPPassword", ScramblePassword(record.Scheduler.SMTPPassword));
    registry.CloseKey();
    shell.UpdateSchedulerRegistration(record.SchedulerActive);
}

void SaveSettings(const SettingsRecord& record)
{
    CShellIntegration shell(record.ModulePath);
    SaveSettings(record, shell);
}
