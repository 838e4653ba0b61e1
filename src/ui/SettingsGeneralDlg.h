#pragma once

#include "ui/SettingsPage.h"

class CShellIntegration;
class QComboBox;

// The General page: the file association, lists, folder scans, the update
// check, window effects, the cluster size and the tooltip delay.
class CSettingsGeneralDlg : public CSettingsPage {
    Q_OBJECT

public:
    // The tooltip delay the page accepts, in milliseconds.
    static constexpr int kMaxTooltipDelay = 30000;

    CSettingsGeneralDlg(
        const SettingsRecord& settings, CPrompter& prompter, CShellIntegration& shell, QWidget* parent = nullptr);

    bool OnOK(SettingsRecord& settings) override;
    // Registers or removes the association, only when its box changed.
    void Commit() override;

private:
    CShellIntegration& m_shell;
    bool m_wasAssociated;
    QCheckBox* m_associate;
    QComboBox* m_clusterSize;
    QLineEdit* m_tooltipDelay;
};
