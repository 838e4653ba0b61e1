#include "ui/SettingsBackupDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

CSettingsBackupDlg::CSettingsBackupDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent)
    : CSettingsPage(settings, prompter, parent)
{
    setObjectName(QStringLiteral("SettingsBackupDlg"));
    using A = SettingsRecord::ActionSettings;
    AddCheck(1397, "Do not overwrite files on backup if they are newer", Field(&A::BackupOverwrite), "backupOverwrite");
    AddCheck(1401, "Copy file security data if supported by file system", Field(&A::BackupSecurity), "backupSecurity");
    AddCheck(1403, "Compress content transparently if supported by file system", Field(&A::BackupCompression),
        "backupCompression");
    m_delete = AddCheck(
        1398, "Delete files/folders on backup not present in source", Field(&A::BackupDelete), "backupDelete");
    m_trash = AddCheck(1399, "Put deleted files/folders in recycle bin", Field(&A::BackupTrash), "backupTrash");
    // Indented under the choice it depends on.
    Column()->removeWidget(m_trash);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(Dx(18));
    indented->addWidget(m_trash, 1);
    Column()->addLayout(indented);
    m_trash->setEnabled(m_delete->isChecked());
    // Greyed out, not cleared: the choice is kept for when deleting is on.
    connect(m_delete, &QCheckBox::toggled, m_trash, &QWidget::setEnabled);
    FinishColumn();
}
