#pragma once

#include "ui/SettingsPage.h"

// The Actions page: how the user's own backups and restores behave.
class CSettingsActionsDlg : public CSettingsPage {
    Q_OBJECT

public:
    CSettingsActionsDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent = nullptr);
};
