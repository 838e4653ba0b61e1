#pragma once

#include "ui/SettingsPage.h"

// The Compare page: how a file that needs copying is found (CompareType).
class CSettingsCompareDlg : public CSettingsPage {
    Q_OBJECT

public:
    CSettingsCompareDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent = nullptr);
};
