#include "ui/SettingsRestoreDlg.h"

CSettingsRestoreDlg::CSettingsRestoreDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent)
    : CSettingsPage(settings, prompter, parent)
{
    setObjectName(QStringLiteral("SettingsRestoreDlg"));
    using A = SettingsRecord::ActionSettings;
    AddCheck(
        1400, "Do not overwrite files on source if they are newer", Field(&A::RestoreOverwrite), "restoreOverwrite");
    AddCheck(1412, "Move files that a restore replaces to the trash", Field(&A::RestoreTrash), "restoreTrash");
    AddCheck(
        1352, "Copy file security data if supported by file system", Field(&A::RestoreSecurity), "restoreSecurity");
    AddCheck(1404, "Compress content transparently if supported by file system", Field(&A::RestoreCompression),
        "restoreCompression");
    FinishColumn();
}
