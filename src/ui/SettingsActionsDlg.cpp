#include "ui/SettingsActionsDlg.h"

CSettingsActionsDlg::CSettingsActionsDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent)
    : CSettingsPage(settings, prompter, parent)
{
    setObjectName(QStringLiteral("SettingsActionsDlg"));
    using A = SettingsRecord::ActionSettings;
    AddCheck(1392, "Automatically continue in 'File Information' window", Field(&A::NoInteract), "noInteract");
    AddCheck(
        1393, "Display 'Action Summary' window when action has completed", Field(&A::DisplaySummary), "displaySummary");
    AddCheck(1394, "Play sound when action has completed", Field(&A::PlaySound), "playSound");
    AddCheck(1395, "Shutdown computer when action has completed", Field(&A::PostShutdown), "postShutdown");
    AddCheck(1396, "Show error message if error occurs (otherwise ignore)", Field(&A::DisplayError), "displayError");
    FinishColumn();
}
