#pragma once

#include "ui/SettingsPage.h"

// The Restore page: how restores treat the source folders.
class CSettingsRestoreDlg : public CSettingsPage {
    Q_OBJECT

public:
    CSettingsRestoreDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent = nullptr);
};
