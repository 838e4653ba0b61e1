#pragma once

#include "ui/SettingsPage.h"

// The Backup page: how backups treat the backup folders. The recycle bin
// choice applies only to deletions, so it is enabled only while deleting is.
class CSettingsBackupDlg : public CSettingsPage {
    Q_OBJECT

public:
    CSettingsBackupDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent = nullptr);

private:
    QCheckBox* m_delete;
    QCheckBox* m_trash;
};
