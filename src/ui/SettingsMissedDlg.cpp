#include "ui/SettingsMissedDlg.h"

CSettingsMissedDlg::CSettingsMissedDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent)
    : CSettingsPage(settings, prompter, parent)
{
    setObjectName(QStringLiteral("SettingsMissedDlg"));
    AddRadioGroup({ { 1003, "Ignore events that were missed" }, { 1372, "Notification of events that were missed" },
                      { 1373, "Automatically execute events that were missed" } },
        Field(&SettingsRecord::SchedulerSettings::MissedEvents), { "missedIgnore", "missedNotify", "missedExecute" });
    FinishColumn();
}
