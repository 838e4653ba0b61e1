#pragma once

#include "ui/SettingsPage.h"

// The Tray page: how the tray icon behaves while the scheduler is active.
// The sound plays when a hidden icon appears, so it is enabled only while
// the icon hides when idle.
class CSettingsTrayDlg : public CSettingsPage {
    Q_OBJECT

public:
    CSettingsTrayDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent = nullptr);

private:
    QCheckBox* m_hideIdle;
    QCheckBox* m_sound;
};
