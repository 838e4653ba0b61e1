#pragma once

#include "ui/SettingsPage.h"

// The Missed page: what becomes of scheduled events the computer was off for.
class CSettingsMissedDlg : public CSettingsPage {
    Q_OBJECT

public:
    CSettingsMissedDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent = nullptr);
};
