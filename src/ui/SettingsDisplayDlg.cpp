#include "ui/SettingsDisplayDlg.h"

CSettingsDisplayDlg::CSettingsDisplayDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent)
    : CSettingsPage(settings, prompter, parent)
{
    setObjectName(QStringLiteral("SettingsDisplayDlg"));
    using S = SettingsRecord::SchedulerSettings;
    AddCheck(1410, "Show 'File Information' window", Field(&S::DisplayInformation), "displayInformation");
    AddCheck(1364, "Show 'Progress' window", Field(&S::DisplayProgress), "displayProgress");
    AddCheck(1411, "Show 'Action Summary' window", Field(&S::DisplaySummary), "displaySummary");
    AddCheck(1366, "Show error message if error occurs (otherwise ignore)", Field(&S::DisplayError), "displayError");
    FinishColumn();
}
