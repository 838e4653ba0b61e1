#pragma once

#include "core/VersionSettings.h"
#include "ui/MyDialog.h"

#include <string>

class QCheckBox;
class QSpinBox;
class QWidget;

// The Version Settings dialog: whether one set keeps versions of the files
// its backups replace or delete, the rules that prune them, and when a
// backup asks before changing much of an entry. It edits a copy, handed back
// by Settings() after OK.
class CVersionSettingsDlg : public CMyDialog {
    Q_OBJECT
public:
    CVersionSettingsDlg(const CVersionSettings& settings, QWidget* parent = nullptr);

    void accept() override;

    const CVersionSettings& Settings() const { return m_settings; }

private:
    void BuildLayout();
    QSpinBox* NumberBox(const char* name, int last, int tooltip);
    void ShowSettings();
    void UpdateEnabling();

    CVersionSettings m_settings;
    QCheckBox* m_active = nullptr;
    QWidget* m_rules = nullptr;
    QSpinBox* m_keep = nullptr;
    QSpinBox* m_days = nullptr;
    QSpinBox* m_thinDays = nullptr;
    QSpinBox* m_thinWeeks = nullptr;
    QSpinBox* m_thinMonths = nullptr;
    QSpinBox* m_massChange = nullptr;
};
