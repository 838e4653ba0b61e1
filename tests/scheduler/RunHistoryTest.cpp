#include "RunnerFixture.h"
#include "core/Scheduler.h"
#include "platform/MyRegistry.h"
#include "scheduler/RunHistory.h"
#include "scheduler/RunStatus.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

constexpr std::int64_t kDay = 86400;

std::time_t Local(int year, int month, int day, int hour, int minute)
{
    std::tm fields {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

CScheduler Daily()
{
    CScheduler schedule;
    schedule.Active = 1;
    schedule.Condition = 1;
    schedule.DailyHour = 6;
    return schedule;
}

TEST(RunHistory, RecordsRoundTripBesideTheSettingsFileWhateverTheNames)
{
    // Runs of earlier tests in this process wrote there too.
    std::filesystem::remove(CRunHistory::DefaultPath());
    CRunHistory history;
    const std::string settingsFolder = std::filesystem::path(CMyRegistry::FilePath()).parent_path().string();
    EXPECT_EQ(CRunHistory::DefaultPath(), settingsFolder + "/Korvane.runs");

    const std::string odd = "Tab\there\nand a \\ backslash";
    ASSERT_TRUE(history.RecordRun("/home/u/a.kvf", "Default Set", 1000, true));
    ASSERT_TRUE(history.RecordRun("/home/u/b.kvf", "Default Set", 2000, false));
    ASSERT_TRUE(history.RecordRun("", odd, 3000, false));

    struct stat info {};
    ASSERT_EQ(stat(CRunHistory::DefaultPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const auto records = CRunHistory().Load();
    ASSERT_EQ(records.size(), 3u) << "one set name in two sessions is two sets";
    EXPECT_EQ(records.at({ "/home/u/a.kvf", "Default Set" }), (CRunHistory::Record { 1000, true, 1000, 0, false }));
    EXPECT_EQ(records.at({ "/home/u/b.kvf", "Default Set" }), (CRunHistory::Record { 2000, false, 0, 2000, false }));
    EXPECT_EQ(records.at({ "", odd }), (CRunHistory::Record { 3000, false, 0, 3000, false }));
    EXPECT_EQ(CRunHistory::Parse(CRunHistory::Format(records)), records);
    EXPECT_FALSE(history.Find("/home/u/c.kvf", "Default Set").has_value());
}

// The failing stretch starts at the first failure and ends with a success,
// which also takes back the overdue mark, so the next stretch is told again.
TEST(RunHistory, AFailingStretchKeepsItsStartUntilASuccess)
{
    CRunHistory history;
    history.RecordRun("s.kvf", "Docs", 100, true);
    history.RecordRun("s.kvf", "Docs", 200, false);
    history.RecordRun("s.kvf", "Docs", 300, false);
    ASSERT_TRUE(history.MarkOverdueNotified("s.kvf", "Docs"));
    EXPECT_EQ(*history.Find("s.kvf", "Docs"), (CRunHistory::Record { 300, false, 100, 200, true }));
    history.RecordRun("s.kvf", "Docs", 400, true);
    EXPECT_EQ(*history.Find("s.kvf", "Docs"), (CRunHistory::Record { 400, true, 400, 0, false }));
    EXPECT_FALSE(history.MarkOverdueNotified("s.kvf", "Other")) << "no record, nothing to mark";
}

TEST(RunHistory, DamagedLinesArePassedOverAndAnUnwritableFileIsReported)
{
    const auto records = CRunHistory::Parse("# Korvane runs 1\nbroken line\na\tb\tx\t1\t0\t0\t0\n"
                                            "s\tDocs\t50\t1\t50\t0\t0\n\ns\tshort\t1\t1\n");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records.begin()->second.LastRun, 50);

    TempDir tmp;
    std::filesystem::create_directories(tmp / "folder-in-the-way");
    CRunHistory blocked(tmp / "folder-in-the-way");
    EXPECT_FALSE(blocked.RecordRun("s", "Docs", 1, true));
    EXPECT_TRUE(blocked.Load().empty());
}

TEST(RunStatus, ADailySetIsOverdueOnlyAfterTwoDaysWithoutASuccess)
{
    const CScheduler daily = Daily();
    const std::time_t success = Local(2026, 12, 8, 6, 40);
    const CRunHistory::Record succeeded { success, true, success, 0, false };
    EXPECT_FALSE(RunStatus::IsOverdue(succeeded, daily, true, success + 2 * kDay));
    EXPECT_TRUE(RunStatus::IsOverdue(succeeded, daily, true, success + 2 * kDay + 1));

    // Failures since do not move the reference.
    const CRunHistory::Record failing { success + kDay, false, success, success + kDay, false };
    EXPECT_TRUE(RunStatus::IsOverdue(failing, daily, true, success + 2 * kDay + 60));
    // Never succeeded: counted from the first failure.
    const CRunHistory::Record never { success, false, 0, success, false };
    EXPECT_FALSE(RunStatus::IsOverdue(never, daily, true, success + kDay));
    EXPECT_TRUE(RunStatus::IsOverdue(never, daily, true, success + 3 * kDay));

    // Nothing on record, the schedule or the scheduler off: never overdue.
    EXPECT_FALSE(RunStatus::IsOverdue(std::nullopt, daily, true, success + 30 * kDay));
    CScheduler off = daily;
    off.Active = 0;
    EXPECT_FALSE(RunStatus::IsOverdue(succeeded, off, true, success + 30 * kDay));
    EXPECT_FALSE(RunStatus::IsOverdue(succeeded, daily, false, success + 30 * kDay));
}

TEST(RunStatus, EachConditionAllowsTwiceItsInterval)
{
    CScheduler schedule = Daily();
    const std::time_t success = Local(2026, 12, 31, 12, 0);
    const CRunHistory::Record record { success, true, success, 0, false };
    schedule.Condition = 0;
    EXPECT_FALSE(RunStatus::IsOverdue(record, schedule, true, success + 7200));
    EXPECT_TRUE(RunStatus::IsOverdue(record, schedule, true, success + 7201));
    schedule.Condition = 2;
    EXPECT_FALSE(RunStatus::IsOverdue(record, schedule, true, success + 14 * kDay));
    EXPECT_TRUE(RunStatus::IsOverdue(record, schedule, true, success + 14 * kDay + 1));
    // Two calendar months after 31 December is 3 March (28 February + 3).
    schedule.Condition = 3;
    EXPECT_FALSE(RunStatus::IsOverdue(record, schedule, true, Local(2027, 3, 3, 12, 0)));
    EXPECT_TRUE(RunStatus::IsOverdue(record, schedule, true, Local(2027, 3, 3, 12, 1)));
}

TEST(RunStatus, TheLineTellsTheLastRunTheNextAndOverdue)
{
    const CScheduler daily = Daily();
    const std::time_t now = Local(2026, 12, 8, 12, 0);
    const std::time_t ran = Local(2026, 12, 8, 6, 40);
    const std::string dot = " \xC2\xB7 ";
    RunStatus status = RunStatus::Of(CRunHistory::Record { ran, true, ran, 0, false }, daily, true, now);
    EXPECT_EQ(status.Line(), "Last run: 2026-12-08 06:40, succeeded" + dot + "Next: 2026-12-09 06:00");

    status = RunStatus::Of(CRunHistory::Record { ran, false, ran - 3 * kDay, ran, false }, daily, true, now);
    EXPECT_EQ(
        status.Line(), "Last run: 2026-12-08 06:40, failed" + dot + "Next: 2026-12-09 06:00" + dot + "Overdue");
    EXPECT_EQ(status.OverdueSince, ran - 3 * kDay);

    EXPECT_EQ(RunStatus::Of(std::nullopt, daily, false, now).Line(), "Last run: never") << "no next run while off";
}

// Every run writes the history, under its session file's path and set name,
// at the injected clock's time; a scheduled event also tells its outcome.
class RunHistoryRunTest : public RunnerFixture {
protected:
    RunHistoryRunTest()
    {
        session.FileName = tmp / "work.kvf";
        session.Sets[0].Schedule.Active = 1;
        session.Sets[0].Schedule.Condition = 1;
        settings.Scheduler.TrayBalloons = 0;
    }

    std::optional<CRunHistory::Record> Recorded() const { return CRunHistory().Find(tmp / "work.kvf", "Docs"); }
};

TEST_F(RunHistoryRunTest, EveryKindOfRunRecordsItsEnd)
{
    const std::string root = "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n";
    const std::string mounted = root + "40 22 8:17 / " + tmp / "dest" + " rw - ext4 x rw\n";
    tmp.Write("fstab", "UUID=1234 " + tmp / "dest" + " ext4 noauto 0 0\n");
    tmp.Write("mountinfo", mounted);
    auto runner = MakeRunner();
    clock.Set(5000);
    ASSERT_EQ(runner.RunCommandLine(0, 0, false, false), RunResult::Completed);
    EXPECT_EQ(*Recorded(), (CRunHistory::Record { 5000, true, 5000, 0, false }));
    EXPECT_TRUE(display.outcomes.empty()) << "only a scheduled event reports an outcome";

    // The backup folder's medium is gone and the question answered Cancel.
    clock.Set(6000);
    tmp.Write("mountinfo", root);
    prompter.Answer(IdCancel);
    const CSet copy = session.Sets[0];
    ASSERT_EQ(runner.RunScheduled(copy), RunResult::NotRun);
    EXPECT_EQ(*Recorded(), (CRunHistory::Record { 6000, false, 5000, 6000, false }));
    ASSERT_EQ(display.outcomes.size(), 1u);
    EXPECT_FALSE(display.outcomes[0].Succeeded);
    EXPECT_TRUE(display.outcomes[0].Notify);
    EXPECT_EQ(display.outcomes[0].Text,
        "Scheduled backup of set 'Docs' failed: the backup medium '" + tmp / "dest" + "' was not available");

    // A dry run changes nothing, not even the history.
    tmp.Write("mountinfo", mounted);
    clock.Set(7000);
    ASSERT_EQ(runner.RunPreview(0, 0, false), RunResult::Completed);
    EXPECT_EQ(Recorded()->LastRun, 6000);
}

TEST_F(RunHistoryRunTest, AScheduledOutcomeNamesTheSetAndTellsSuccessOnlyWhenAsked)
{
    auto runner = MakeRunner();
    const CSet copy = session.Sets[0];
    ASSERT_EQ(runner.RunScheduled(copy), RunResult::Completed);
    ASSERT_EQ(display.outcomes.size(), 1u);
    EXPECT_TRUE(display.outcomes[0].Succeeded);
    EXPECT_FALSE(display.outcomes[0].Notify) << "NotifySuccess is off by default";
    EXPECT_EQ(display.outcomes[0].Text, "Scheduled backup of set 'Docs' succeeded.");

    settings.Scheduler.NotifySuccess = 1;
    auto notifying = MakeRunner();
    ASSERT_EQ(notifying.RunScheduled(copy), RunResult::Completed);
    EXPECT_TRUE(display.outcomes.back().Notify);

    // A manual run holds the action: the event is refused and says so.
    flags.ActionRunning = 1;
    ASSERT_EQ(notifying.RunScheduled(copy), RunResult::NotRun);
    flags.ActionRunning = 0;
    ASSERT_EQ(display.outcomes.size(), 3u);
    EXPECT_EQ(display.outcomes.back().Text,
        "Scheduled backup of set 'Docs' failed: A manual action is currently being executed.");
    EXPECT_TRUE(Recorded()->Succeeded) << "a refused event ran nothing and leaves the history alone";
}

} // namespace
