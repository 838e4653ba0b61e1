#pragma once

#include "core/Scheduler.h"
#include "ui/MyDialog.h"

#include <string>

class CMyComboBox;
class CPrompter;
class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QTimeEdit;

// The Schedule Event dialog: one set's schedule, checked on OK. It edits a
// copy and hands the stored fields back by Schedule() after OK.
class CSchedulerAddDlg : public CMyDialog {
    Q_OBJECT
public:
    // smtpServer: the SMTPServer setting, which e-mail notification needs.
    CSchedulerAddDlg(
        const CScheduler& schedule, std::string smtpServer, CPrompter& prompter, QWidget* parent = nullptr);

    void accept() override;

    const CScheduler& Schedule() const { return m_schedule; }

private:
    void BuildLayout();
    void ShowSchedule();
    void StoreSchedule();
    void UpdateEnabling();

    CPrompter& m_prompter;
    std::string m_smtpServer;
    CScheduler m_schedule;

    QCheckBox* m_enabled = nullptr;
    QComboBox* m_action = nullptr;
    QRadioButton* m_condition[4] = {};
    QComboBox* m_minutes = nullptr;
    QLabel* m_minutesText = nullptr;
    QTimeEdit* m_daily = nullptr;
    QTimeEdit* m_weekly = nullptr;
    QLabel* m_everyText = nullptr;
    QComboBox* m_weekday = nullptr;
    QTimeEdit* m_monthly = nullptr;
    QLabel* m_onDayText = nullptr;
    QComboBox* m_monthday = nullptr;
    QCheckBox* m_sendEmail = nullptr;
    CMyComboBox* m_email = nullptr;
};
