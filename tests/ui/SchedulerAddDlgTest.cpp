#include "ui/SchedulerAddDlg.h"

#include "DialogTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimeEdit>

namespace {

constexpr const char* kEmailKey = "Settings\\Scheduler\\Email";

class SchedulerAddDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveSettingsKey(kEmailKey);
        schedule.Active = 1;
        schedule.Action = 1;
        schedule.Condition = 2;
        schedule.HourlyMinutes = 15;
        schedule.DailyHour = 7;
        schedule.DailyMinute = 30;
        schedule.WeeklyHour = 22;
        schedule.WeeklyMinute = 5;
        schedule.MonthlyHour = 23;
        schedule.MonthlyMinute = 59;
        schedule.Weekday = 6;
        schedule.Monthday = 27;
    }

    static bool Ok(CSchedulerAddDlg& dlg)
    {
        dlg.show();
        QTest::mouseClick(dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        return dlg.result() == QDialog::Accepted && !dlg.isVisible();
    }

    CScheduler schedule;
    ScriptedPrompter prompter;
};

TEST_F(SchedulerAddDlgTest, ShowsTheStoredSchedule)
{
    CSchedulerAddDlg dlg(schedule, "smtp.example.org", prompter);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Schedule Event"));
    EXPECT_TRUE(Child<QCheckBox>(dlg, "enabled")->isChecked());
    EXPECT_EQ(Child<QComboBox>(dlg, "action")->currentText(), QStringLiteral("Restore"));
    EXPECT_TRUE(Child<QRadioButton>(dlg, "weekly")->isChecked());
    EXPECT_EQ(Child<QComboBox>(dlg, "minutes")->currentText(), QStringLiteral("15"));
    EXPECT_EQ(Child<QComboBox>(dlg, "minutes")->count(), 60);
    EXPECT_EQ(Child<QTimeEdit>(dlg, "dailyTime")->text(), QStringLiteral("07:30"));
    EXPECT_EQ(Child<QTimeEdit>(dlg, "weeklyTime")->text(), QStringLiteral("22:05"));
    EXPECT_EQ(Child<QTimeEdit>(dlg, "monthlyTime")->text(), QStringLiteral("23:59"));
    EXPECT_EQ(Child<QComboBox>(dlg, "weekday")->currentText(), QStringLiteral("sunday"));
    EXPECT_EQ(Child<QComboBox>(dlg, "monthday")->currentText(), QStringLiteral("28"));
    EXPECT_EQ(Child<QComboBox>(dlg, "monthday")->count(), 28);
}

// The program's own day names and clock format, whatever the desktop's
// language: a stored Weekday always means the same line.
TEST_F(SchedulerAddDlgTest, DayNamesAndTimesDoNotFollowTheLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        CSchedulerAddDlg dlg(schedule, "smtp.example.org", prompter);
        QStringList days;
        QComboBox* weekday = Child<QComboBox>(dlg, "weekday");
        for (int i = 0; i < weekday->count(); ++i)
            days << weekday->itemText(i);
        EXPECT_EQ(days,
            QStringList({ QStringLiteral("monday"), QStringLiteral("tuesday"), QStringLiteral("wednesday"),
                QStringLiteral("thursday"), QStringLiteral("friday"), QStringLiteral("saturday"),
                QStringLiteral("sunday") }));
        EXPECT_EQ(Child<QTimeEdit>(dlg, "weeklyTime")->text(), QStringLiteral("22:05"));
    }
    QLocale::setDefault(previous);
}

TEST_F(SchedulerAddDlgTest, OnlyTheSelectedConditionsControlsAreEnabled)
{
    CSchedulerAddDlg dlg(schedule, "smtp.example.org", prompter);
    dlg.show();
    auto enabled = [&](const char* name) { return Child<QWidget>(dlg, name)->isEnabled(); };
    EXPECT_TRUE(enabled("weeklyTime"));
    EXPECT_TRUE(enabled("weekday"));
    EXPECT_FALSE(enabled("minutes"));
    EXPECT_FALSE(enabled("dailyTime"));
    EXPECT_FALSE(enabled("monthlyTime"));
    EXPECT_FALSE(enabled("monthday"));
    EXPECT_FALSE(enabled("email")); // follows "Send email to"

    QTest::mouseClick(Child<QRadioButton>(dlg, "monthly"), Qt::LeftButton);
    EXPECT_TRUE(enabled("monthlyTime"));
    EXPECT_TRUE(enabled("monthday"));
    EXPECT_FALSE(enabled("weekday"));
    QTest::mouseClick(Child<QCheckBox>(dlg, "sendEmail"), Qt::LeftButton);
    EXPECT_TRUE(enabled("email"));

    QTest::mouseClick(Child<QCheckBox>(dlg, "enabled"), Qt::LeftButton);
    for (const char* name : { "action", "hourly", "daily", "weekly", "monthly", "minutes", "dailyTime", "weeklyTime",
             "weekday", "monthlyTime", "monthday", "sendEmail", "email" })
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_TRUE(Child<QCheckBox>(dlg, "enabled")->isEnabled());
}

TEST_F(SchedulerAddDlgTest, EmailNeedsAServerThenAnAddress)
{
    schedule.SendEmail = 1;
    {
        CSchedulerAddDlg dlg(schedule, "", prompter);
        EXPECT_FALSE(Ok(dlg));
        EXPECT_EQ(Asked(prompter), std::vector<std::string> { LoadString(121) });
    }
    CSchedulerAddDlg dlg(schedule, "smtp.example.org", prompter);
    TypeInto(*Child<QComboBox>(dlg, "email"), QStringLiteral("   "));
    EXPECT_FALSE(Ok(dlg));
    EXPECT_EQ(prompter.asked.back().text, LoadString(57730));
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(SchedulerAddDlgTest, ADisabledScheduleKeepsItsEmailChoiceUnchecked)
{
    schedule.Active = 0;
    schedule.SendEmail = 1;
    CSchedulerAddDlg dlg(schedule, "", prompter);
    EXPECT_TRUE(Ok(dlg));
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(dlg.Schedule().Active, 0);
    EXPECT_EQ(dlg.Schedule().SendEmail, 1);
    EXPECT_EQ(dlg.Schedule().Email, "");
}

TEST_F(SchedulerAddDlgTest, OkStoresEveryControlAndTheAddressHistory)
{
    CSchedulerAddDlg dlg(schedule, "smtp.example.org", prompter);
    dlg.show();
    QTest::mouseClick(Child<QRadioButton>(dlg, "daily"), Qt::LeftButton);
    auto* daily = Child<QTimeEdit>(dlg, "dailyTime");
    daily->setTime(QTime(6, 45));
    Child<QComboBox>(dlg, "action")->setCurrentIndex(0);
    Child<QComboBox>(dlg, "minutes")->setCurrentIndex(59);
    Child<QComboBox>(dlg, "weekday")->setCurrentIndex(0);
    Child<QComboBox>(dlg, "monthday")->setCurrentIndex(0);
    QTest::mouseClick(Child<QCheckBox>(dlg, "sendEmail"), Qt::LeftButton);
    TypeInto(*Child<QComboBox>(dlg, "email"), QStringLiteral("  me@example.org, you@example.org "));
    ASSERT_TRUE(Ok(dlg));

    const CScheduler& s = dlg.Schedule();
    EXPECT_EQ(s.Active, 1);
    EXPECT_EQ(s.Action, 0);
    EXPECT_EQ(s.Condition, 1);
    EXPECT_EQ(s.HourlyMinutes, 59);
    EXPECT_EQ(s.DailyHour, 6);
    EXPECT_EQ(s.DailyMinute, 45);
    EXPECT_EQ(s.WeeklyHour, 22);
    EXPECT_EQ(s.WeeklyMinute, 5);
    EXPECT_EQ(s.MonthlyHour, 23);
    EXPECT_EQ(s.MonthlyMinute, 59);
    EXPECT_EQ(s.Weekday, 0);
    EXPECT_EQ(s.Monthday, 0);
    EXPECT_EQ(s.SendEmail, 1);
    EXPECT_EQ(s.Email, "me@example.org, you@example.org");

    EXPECT_EQ(SettingText(kEmailKey, "Email0"), "me@example.org, you@example.org");
    EXPECT_EQ(SettingText(kEmailKey, "Email1"), "");
    CSchedulerAddDlg again(s, "smtp.example.org", prompter);
    auto* email = Child<QComboBox>(again, "email");
    ASSERT_EQ(email->count(), 1);
    EXPECT_EQ(email->currentText(), QStringLiteral("me@example.org, you@example.org"));
    ASSERT_TRUE(Ok(again));
    EXPECT_EQ(SettingText(kEmailKey, "Email1"), "");
}

TEST_F(SchedulerAddDlgTest, EscapeCancelsAndEnterConfirms)
{
    CSchedulerAddDlg dlg(schedule, "smtp.example.org", prompter);
    dlg.show();
    QTest::keyClick(Child<QComboBox>(dlg, "action"), Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(dlg.isVisible());

    CSchedulerAddDlg enter(schedule, "smtp.example.org", prompter);
    enter.show();
    Child<QCheckBox>(enter, "enabled")->setFocus();
    QTest::keyClick(Child<QCheckBox>(enter, "enabled"), Qt::Key_Return);
    EXPECT_EQ(enter.result(), QDialog::Accepted);
    EXPECT_TRUE(enter.Schedule().IsSameContent(schedule));
}

} // namespace
