#pragma once

#include "ui/SettingsPage.h"

class QLabel;

// The Logging page: whether actions are written to the activity log, and
// the log file's name (typed or chosen with Browse...; left empty, the
// default log, which the field shows), with a word on what is lost without
// a log.
class CSettingsLoggingDlg : public CSettingsPage {
    Q_OBJECT

public:
    CSettingsLoggingDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent = nullptr);

    bool OnOK(SettingsRecord& settings) override;
    void Browse();

private:
    void UpdateEnabling();

    QCheckBox* m_activate;
    QLabel* m_nameLabel;
    QLineEdit* m_fileName;
    QPushButton* m_browse;
    QLabel* m_hint;
};
