#include "ui/SchedulerAddDlg.h"

#include "core/Prompter.h"
#include "ui/ComboHistory.h"
#include "ui/MyComboBox.h"
#include "ui/TabOrder.h"
#include "ui/UiText.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

constexpr const char* kEmailKey = "Settings\\Scheduler\\Email";
constexpr const char* kEmailPrefix = "Email";

QComboBox* ListCombo(QWidget* parent, const char* name, const QStringList& items)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItems(items);
    return combo;
}

QStringList Numbers(int first, int last)
{
    QStringList items;
    for (int i = first; i <= last; ++i)
        items << QString::number(i);
    return items;
}

QTimeEdit* TimePicker(QWidget* parent, const char* name)
{
    auto* picker = new QTimeEdit(parent);
    picker->setObjectName(QLatin1String(name));
    picker->setDisplayFormat(QStringLiteral("HH:mm"));
    return picker;
}

// Out-of-range numbers from a hand-edited session file show as the nearest
// valid choice instead of an empty control.
int Clamp(int value, int last)
{
    return std::clamp(value, 0, last);
}

} // namespace

CSchedulerAddDlg::CSchedulerAddDlg(
    const CScheduler& schedule, std::string smtpServer, CPrompter& prompter, QWidget* parent)
    : CMyDialog(parent)
    , m_prompter(prompter)
    , m_smtpServer(std::move(smtpServer))
{
    m_schedule.CopyFrom(schedule);
    setObjectName(QStringLiteral("SchedulerAddDlg"));
    setWindowTitle(QStringLiteral("Schedule Event"));
    BuildLayout();
    m_email->LoadHistory(kEmailPrefix, kEmailKey);
    m_email->FitDropDownWidth();
    ShowSchedule();
    UpdateEnabling();
    adjustSize();
    SetUpDialog();
}

void CSchedulerAddDlg::BuildLayout()
{
    m_enabled = new QCheckBox(QStringLiteral("Enabled"), this);
    m_enabled->setObjectName(QStringLiteral("enabled"));
    m_action = ListCombo(this, "action", { QStringLiteral("Backup"), QStringLiteral("Restore") });
    auto* actionLabel = new QLabel(QStringLiteral("Action"), this);
    actionLabel->setBuddy(m_action);

    auto* group = new QGroupBox(QStringLiteral("Condition"), this);
    const char* names[] = { "hourly", "daily", "weekly", "monthly" };
    const QString texts[] = { QStringLiteral("Hourly at"), QStringLiteral("Daily at"), QStringLiteral("Weekly at"),
        QStringLiteral("Monthly at") };
    auto* radios = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        m_condition[i] = new QRadioButton(texts[i], group);
        m_condition[i]->setObjectName(QLatin1String(names[i]));
        radios->addButton(m_condition[i], i);
    }
    m_minutes = ListCombo(group, "minutes", Numbers(0, 59));
    m_minutesText = new QLabel(QStringLiteral("minutes past every hour"), group);
    m_daily = TimePicker(group, "dailyTime");
    m_weekly = TimePicker(group, "weeklyTime");
    m_everyText = new QLabel(QStringLiteral("every"), group);
    m_weekday = ListCombo(group, "weekday",
        { QStringLiteral("monday"), QStringLiteral("tuesday"), QStringLiteral("wednesday"), QStringLiteral("thursday"),
            QStringLiteral("friday"), QStringLiteral("saturday"), QStringLiteral("sunday") });
    m_monthly = TimePicker(group, "monthlyTime");
    m_onDayText = new QLabel(QStringLiteral("on day"), group);
    m_monthday = ListCombo(group, "monthday", Numbers(1, 28));

    auto* grid = new QGridLayout(group);
    for (int i = 0; i < 4; ++i)
        grid->addWidget(m_condition[i], i, 0);
    grid->addWidget(m_minutes, 0, 1);
    grid->addWidget(m_minutesText, 0, 2, 1, 2);
    grid->addWidget(m_daily, 1, 1);
    grid->addWidget(m_weekly, 2, 1);
    grid->addWidget(m_everyText, 2, 2);
    grid->addWidget(m_weekday, 2, 3);
    grid->addWidget(m_monthly, 3, 1);
    grid->addWidget(m_onDayText, 3, 2);
    grid->addWidget(m_monthday, 3, 3);
    grid->setColumnStretch(4, 1);

    m_sendEmail = new QCheckBox(QStringLiteral("Send email to"), this);
    m_sendEmail->setObjectName(QStringLiteral("sendEmail"));
    SetTooltip(
        m_sendEmail, QStringLiteral("Sends a summary after each scheduled event; addresses separated by commas"));
    m_email = new CMyComboBox(this);
    m_email->setObjectName(QStringLiteral("email"));
    m_email->setEditable(true);
    m_email->setInsertPolicy(QComboBox::NoInsert);
    m_email->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_email->setMinimumContentsLength(30);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSchedulerAddDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSchedulerAddDlg::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(m_enabled);
    top->addStretch(1);
    top->addWidget(actionLabel);
    top->addWidget(m_action);
    auto* mail = new QHBoxLayout;
    mail->addWidget(m_sendEmail);
    mail->addWidget(m_email, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(group);
    layout->addLayout(mail);
    layout->addWidget(buttons);

    SetTabOrder({ m_enabled, m_action, m_condition[0], m_minutes, m_condition[1], m_daily, m_condition[2], m_weekly,
        m_weekday, m_condition[3], m_monthly, m_monthday, m_sendEmail, m_email, buttons->button(QDialogButtonBox::Ok),
        buttons->button(QDialogButtonBox::Cancel) });

    connect(m_enabled, &QCheckBox::toggled, this, &CSchedulerAddDlg::UpdateEnabling);
    connect(m_sendEmail, &QCheckBox::toggled, this, &CSchedulerAddDlg::UpdateEnabling);
    connect(radios, &QButtonGroup::idToggled, this, &CSchedulerAddDlg::UpdateEnabling);
}

void CSchedulerAddDlg::ShowSchedule()
{
    const CScheduler& s = m_schedule;
    m_enabled->setChecked(s.Active != 0);
    m_action->setCurrentIndex(Clamp(s.Action, 1));
    m_condition[Clamp(s.Condition, 3)]->setChecked(true);
    m_minutes->setCurrentIndex(Clamp(s.HourlyMinutes, 59));
    m_daily->setTime(QTime(Clamp(s.DailyHour, 23), Clamp(s.DailyMinute, 59)));
    m_weekly->setTime(QTime(Clamp(s.WeeklyHour, 23), Clamp(s.WeeklyMinute, 59)));
    m_monthly->setTime(QTime(Clamp(s.MonthlyHour, 23), Clamp(s.MonthlyMinute, 59)));
    m_weekday->setCurrentIndex(Clamp(s.Weekday, 6));
    m_monthday->setCurrentIndex(Clamp(s.Monthday, 27));
    m_sendEmail->setChecked(s.SendEmail != 0);
    m_email->setCurrentIndex(-1);
    m_email->setEditText(ToQ(s.Email));
}

void CSchedulerAddDlg::UpdateEnabling()
{
    const bool on = m_enabled->isChecked();
    m_action->setEnabled(on);
    for (QRadioButton* radio : m_condition)
        radio->setEnabled(on);
    m_sendEmail->setEnabled(on);
    m_email->setEnabled(on && m_sendEmail->isChecked());
    const auto selected = [&](int condition) { return on && m_condition[condition]->isChecked(); };
    for (QWidget* control : { static_cast<QWidget*>(m_minutes), static_cast<QWidget*>(m_minutesText) })
        control->setEnabled(selected(0));
    m_daily->setEnabled(selected(1));
    for (QWidget* control :
        { static_cast<QWidget*>(m_weekly), static_cast<QWidget*>(m_everyText), static_cast<QWidget*>(m_weekday) })
        control->setEnabled(selected(2));
    for (QWidget* control :
        { static_cast<QWidget*>(m_monthly), static_cast<QWidget*>(m_onDayText), static_cast<QWidget*>(m_monthday) })
        control->setEnabled(selected(3));
}

void CSchedulerAddDlg::accept()
{
    const QString address = m_email->currentText().trimmed();
    m_email->setEditText(address);
    const bool notify = m_enabled->isChecked() && m_sendEmail->isChecked();
    if (notify && m_smtpServer.empty()) {
        m_prompter.MessageBox(LoadString(121), MbOk | MbIconError);
        return;
    }
    if (notify && address.isEmpty()) {
        m_prompter.MessageBox(LoadString(57730), MbOk | MbIconError);
        return;
    }
    AddToComboHistory(*m_email, FromQ(address));
    m_email->SaveHistory(kEmailPrefix, kEmailKey);
    StoreSchedule();
    QDialog::accept();
}

void CSchedulerAddDlg::StoreSchedule()
{
    CScheduler& s = m_schedule;
    s.Active = m_enabled->isChecked() ? 1 : 0;
    s.Action = m_action->currentIndex();
    for (int i = 0; i < 4; ++i) {
        if (m_condition[i]->isChecked())
            s.Condition = i;
    }
    s.HourlyMinutes = m_minutes->currentIndex();
    s.DailyHour = m_daily->time().hour();
    s.DailyMinute = m_daily->time().minute();
    s.WeeklyHour = m_weekly->time().hour();
    s.WeeklyMinute = m_weekly->time().minute();
    s.MonthlyHour = m_monthly->time().hour();
    s.MonthlyMinute = m_monthly->time().minute();
    s.Weekday = m_weekday->currentIndex();
    s.Monthday = m_monthday->currentIndex();
    s.SendEmail = m_sendEmail->isChecked() ? 1 : 0;
    s.Email = FromQ(m_email->currentText());
}
