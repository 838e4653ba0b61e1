#pragma once

#include "ui/SettingsPage.h"

// The Display page: which windows a scheduled event shows.
class CSettingsDisplayDlg : public CSettingsPage {
    Q_OBJECT

public:
    CSettingsDisplayDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent = nullptr);
};
