#include "RunnerFixture.h"
#include "platform/RunLock.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const char* kCounts = "2 files and 2 folders added, 0 files modified, 0 files and 0 folders deleted, 2 files and 1 "
                      "folders processed (time: 00:00:00)";

using ActionRunnerTest = RunnerFixture;

TEST_F(ActionRunnerTest, WholeSetBackupCopiesAndLogsThreeUserRecords)
{
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/sub/b.txt"), "beta");
    const std::vector<std::string> expected { "0\t0\tBackup started for 'Docs'", std::string("0\t0\t") + kCounts,
        "0\t0\tBackup completed for 'Docs'" };
    EXPECT_EQ(LogRecords(), expected);
    EXPECT_EQ(sounds.played, std::vector<int> { 146 });
    EXPECT_EQ(flags.ActionRunning, 0);
    // A run from the main window shows its windows; the summary by DisplaySummary.
    EXPECT_EQ(display.calls, (std::vector<std::string> { "information", "progress", "summary" }));
    ASSERT_FALSE(display.tooltips.empty());
    EXPECT_EQ(display.tooltips.front(), "Getting file information...");
    EXPECT_EQ(display.tooltips.back(), "Korvane");
}

TEST_F(ActionRunnerTest, SecondRunWhileOneIsActiveIsRefusedAndChangesNothing)
{
    auto runner = MakeRunner();
    RunResult nested = RunResult::Completed;
    display.duringInformation = [&] { nested = runner.RunActiveSet(); };
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    EXPECT_EQ(nested, RunResult::NotRun);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, "A manual action is currently being executed.\nPlease wait for it to finish.");
    EXPECT_EQ(prompter.asked[0].style, unsigned(MbOk | MbIconInformation));
    EXPECT_EQ(LogRecords().size(), 3u) << "the refused run logs nothing";
    EXPECT_EQ(display.calls.size(), 3u);

    flags.ActionRunning = 1;
    EXPECT_EQ(runner.RunActiveSet(), RunResult::NotRun);
    EXPECT_EQ(flags.ActionRunning, 1) << "the refusal leaves the other run's flag alone";
    EXPECT_EQ(LogRecords().size(), 3u);
}

TEST_F(ActionRunnerTest, RunOfAnotherProcessIsRefusedNamingWhatRuns)
{
    auto runner = MakeRunner();
    {
        CRunLock other;
        ASSERT_EQ(other.TryLock(CRunLock::Kind::Manual), CRunLock::Result::Locked);
        EXPECT_EQ(runner.RunActiveSet(), RunResult::NotRun);
    }
    {
        CRunLock other;
        ASSERT_EQ(other.TryLock(CRunLock::Kind::Scheduled), CRunLock::Result::Locked);
        EXPECT_EQ(runner.RunActiveSet(), RunResult::NotRun);
    }
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[0].text, "A manual action is currently being executed.\nPlease wait for it to finish.");
    EXPECT_EQ(prompter.asked[1].text, "A scheduled event is currently being executed.\nPlease wait for it to finish.");
    EXPECT_FALSE(fs::exists(settings.General.LogFileName)) << "a manual run's refusal is said, not logged";
    EXPECT_EQ(flags.ActionRunning, 0);
    EXPECT_FALSE(fs::exists(tmp / "dest/src"));

    // A scheduled event refused this way is lost, so it is logged as an error.
    session.Sets[0].Schedule.Action = 1;
    CRunLock other;
    ASSERT_EQ(other.TryLock(CRunLock::Kind::Manual), CRunLock::Result::Locked);
    EXPECT_EQ(runner.RunScheduled(session.Sets[0]), RunResult::NotRun);
    EXPECT_EQ(LogRecords(),
        std::vector<std::string> { "2\t1\tRestore refused for 'Docs': A manual action is currently being executed." });
}

// A lock folder anyone else could enter (here the user's own, left open)
// stops every run: one run unlocked could copy over another of the same set.
TEST_F(ActionRunnerTest, AnUnsafeLockFolderRefusesTheRunAndSaysWhy)
{
    const std::string folder = tmp / "open-lock";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms::all);
    const std::string old = std::getenv("KORVANE_LOCK_DIR");
    setenv("KORVANE_LOCK_DIR", folder.c_str(), 1);
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::NotRun);
    session.Sets[0].Schedule.Action = 0;
    EXPECT_EQ(runner.RunScheduled(session.Sets[0]), RunResult::NotRun);
    setenv("KORVANE_LOCK_DIR", old.c_str(), 1);

    const std::string text = "The lock folder '" + folder
        + "' cannot be used: its mode is 0777, not 0700.\nNo action is run until it is removed or made a folder "
          "of your own that no one else may enter (mode 700).";
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[0].text, text);
    EXPECT_EQ(prompter.asked[0].style, unsigned(MbOk | MbIconError));
    EXPECT_EQ(LogRecords(),
        std::vector<std::string> { "2\t0\tBackup refused for 'Docs': The lock folder '" + folder
            + "' cannot be used: its mode is 0777, not 0700." })
        << "only the scheduled event, which no one may see, is logged";
    EXPECT_EQ(flags.ActionRunning, 0);
    EXPECT_FALSE(fs::exists(tmp / "dest/src"));
    EXPECT_FALSE(fs::exists(folder + "/KV.action.lock"));
}

TEST_F(ActionRunnerTest, EntriesSharingABackupFolderAreRefusedBeforeAnythingIsWritten)
{
    // Two sources named "src" into one backup folder.
    tmp.Write("other/src/c.txt", "gamma");
    AddEntry(tmp / "other/src/", tmp / "dest/");
    settings.Actions.BackupDelete = 1;
    auto runner = MakeRunner();
    for (const int action : { 0, 1 }) {
        session.Sets[0].ActiveAction = action;
        EXPECT_EQ(runner.RunActiveSet(), RunResult::Refused);
    }
    EXPECT_FALSE(fs::exists(tmp / "dest/src"));
    EXPECT_EQ(TempDir::Read(tmp / "other/src/c.txt"), "gamma");
    const std::string text = "The folders '" + tmp / "src" + "' and '" + tmp / "other/src/"
        + "' would be backed up into the same folder '" + tmp / "dest/src"
        + "'.\nPlease choose another backup folder for one of them.";
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[0].text, text);
    EXPECT_EQ(prompter.asked[0].style, unsigned(MbOk | MbIconError));
    const auto records = LogRecords();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0], "2\t0\tBackup refused for 'Docs': " + text.substr(0, text.find('\n')));
    EXPECT_EQ(records[1].rfind("2\t1\tRestore refused for 'Docs': ", 0), 0u) << records[1];
    EXPECT_EQ(flags.ActionRunning, 0);
    EXPECT_TRUE(display.calls.empty());

    // A single entry of the set has nothing to share with.
    EXPECT_EQ(runner.RunEntry(1, 0), RunResult::Completed);
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/c.txt"), "gamma");
}

TEST_F(ActionRunnerTest, EditingTheSessionDuringARunChangesNothingOfTheRun)
{
    auto runner = MakeRunner();
    display.duringInformation = [&] {
        session.Edit([&](CSession& s) {
            s.Sets[0].Name = "Renamed";
            s.Sets[0].Entries[0].DestinationFolder = tmp / "elsewhere";
        });
    };
    display.duringProgress = [&] { session.Edit([](CSession& s) { s.Sets.clear(); }); };
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/a.txt"), "alpha");
    EXPECT_FALSE(fs::exists(tmp / "elsewhere"));
    EXPECT_EQ(LogRecords().back(), "0\t0\tBackup completed for 'Docs'");
}

TEST_F(ActionRunnerTest, SettingsChangedDuringARunApplyFromTheNextRun)
{
    auto runner = MakeRunner();
    display.duringInformation = [&] {
        holder.Update([](SettingsRecord& s) {
            s.General.LogActivate = 0;
            s.Actions.PlaySound = 0;
            s.Actions.DisplaySummary = 0;
        });
    };
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    EXPECT_EQ(LogRecords().back(), "0\t0\tBackup completed for 'Docs'");
    EXPECT_EQ(sounds.played, std::vector<int> { 146 });
    EXPECT_TRUE(display.Shown("summary"));

    display.duringInformation = nullptr;
    display.calls.clear();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    EXPECT_EQ(sounds.played.size(), 1u);
    EXPECT_FALSE(display.Shown("summary"));
    EXPECT_EQ(LogRecords().size(), 3u);
}

TEST_F(ActionRunnerTest, MissingMediumAsksUntilCancelledAndLogsNothingMore)
{
    tmp.Write("fstab", "# comment\nUUID=1234 " + tmp.Path() + "/dest ext4 noauto 0 0\n");
    tmp.Write("mountinfo", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    prompter.Answer(IdOk);
    prompter.Answer(IdCancel);
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::NotRun);
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(prompter.asked[1].text,
        "Please make backup media available for '" + tmp.Path() + "/dest' and click OK to continue.");
    EXPECT_EQ(prompter.asked[1].style, unsigned(MbOkCancel | MbIconInformation));
    EXPECT_EQ(LogRecords(), std::vector<std::string> { "0\t0\tBackup started for 'Docs'" });
    EXPECT_FALSE(fs::exists(tmp / "dest/src"));
    EXPECT_TRUE(display.calls.empty());
    EXPECT_EQ(flags.ActionRunning, 0);

    // Mounted now: the run goes ahead without asking.
    tmp.Write(
        "mountinfo", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n40 22 8:17 / " + tmp.Path() + "/dest rw - ext4 x rw\n");
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    EXPECT_EQ(prompter.asked.size(), 2u);
}

TEST_F(ActionRunnerTest, RestoreChecksTheSourceMedium)
{
    tmp.Write("fstab", "/dev/sdb1 " + tmp.Path() + "/src vfat user 0 0\n");
    session.Sets[0].ActiveAction = 1;
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::NotRun);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_NE(prompter.asked[0].text.find("'" + tmp.Path() + "/src'"), std::string::npos);
    EXPECT_EQ(LogRecords(), std::vector<std::string> { "0\t1\tRestore started for 'Docs'" });
}

TEST_F(ActionRunnerTest, CancelWhileGatheringLogsOneCancelledRecordWithoutSoundOrSummary)
{
    display.duringInformation = [&] { flags.ActionCancel = 1; };
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Cancelled);
    EXPECT_EQ(LogRecords(),
        (std::vector<std::string> { "0\t0\tBackup started for 'Docs'", "0\t0\tBackup cancelled for 'Docs'" }));
    EXPECT_TRUE(sounds.played.empty());
    EXPECT_EQ(display.calls, std::vector<std::string> { "information" });
    EXPECT_FALSE(fs::exists(tmp / "dest/src"));
    EXPECT_EQ(flags.ActionRunning, 0);

    // The next run starts with the cancel flag cleared.
    display.duringInformation = nullptr;
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
}

TEST_F(ActionRunnerTest, CancelWhileCopyingLogsCountsAndCancelledAndStillShowsTheSummary)
{
    display.duringProgress = [&] { flags.ActionCancel = 1; };
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Cancelled);
    const auto records = LogRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2], "0\t0\tBackup cancelled for 'Docs'");
    EXPECT_EQ(sounds.played, std::vector<int> { 153 });
    EXPECT_TRUE(display.Shown("summary"));
}

TEST_F(ActionRunnerTest, SingleEntryProcessesOnlyThatEntryWithTheChosenAction)
{
    tmp.Write("other/c.txt", "gamma");
    AddEntry(tmp / "other", tmp / "dest");
    session.Sets[0].ActiveAction = 1;
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunEntry(1, 0), RunResult::Completed);
    EXPECT_EQ(TempDir::Read(tmp / "dest/other/c.txt"), "gamma");
    EXPECT_FALSE(fs::exists(tmp / "dest/src"));
    EXPECT_EQ(LogRecords().front(), "0\t0\tBackup started for 'Docs'");
    EXPECT_EQ(runner.RunEntry(5, 0), RunResult::NotRun);
    EXPECT_EQ(flags.ActionRunning, 0);
}

TEST_F(ActionRunnerTest, CommandLineRunShowsWindowsOnlyWhenVerbose)
{
    settings.Actions.DisplaySummary = 1;
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunCommandLine(0, 0, false, false), RunResult::Completed);
    EXPECT_TRUE(display.calls.empty());
    holder.Update([](SettingsRecord& s) { s.Actions.DisplaySummary = 0; });
    EXPECT_EQ(runner.RunCommandLine(0, 0, true, false), RunResult::Completed);
    EXPECT_EQ(display.calls, (std::vector<std::string> { "information", "progress", "summary" }));
    EXPECT_EQ(runner.RunCommandLine(3, 0, false, false), RunResult::NotRun);
}

class ScheduledRunTest : public RunnerFixture {
protected:
    ScheduledRunTest()
    {
        CSet& set = session.Sets[0];
        set.Schedule.Active = 1;
        set.Schedule.SendEmail = 1;
        set.Schedule.Email = "ops@example.org";
        settings.Scheduler.SMTPServer = "mail.example.org";
        settings.Scheduler.TrayBalloons = 0;
        copy = set;
    }
    CSet copy;
};

TEST_F(ScheduledRunTest, QuietScheduledRunLogsTypeOneAndMailsTheSummary)
{
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunScheduled(copy), RunResult::Completed);
    EXPECT_TRUE(display.calls.empty()) << "DisplayInformation, DisplayProgress and DisplaySummary are off";
    const std::vector<std::string> expected { "1\t0\tBackup started for 'Docs'", std::string("1\t0\t") + kCounts,
        "1\t0\tBackup completed for 'Docs'" };
    EXPECT_EQ(LogRecords(), expected);
    ASSERT_EQ(mailer.sent.size(), 1u);
    EXPECT_EQ(mailer.sent[0].Recipients, "ops@example.org");
    EXPECT_EQ(mailer.sent[0].AddedFiles, 2);
    EXPECT_EQ(mailer.sent[0].ProcessedFolders, 1);
    EXPECT_EQ(mailer.sent[0].ElapsedText, "00:00:00");
    EXPECT_EQ(mailer.server, "mail.example.org");
}

TEST_F(ScheduledRunTest, ScheduledActionAndWindowsFollowTheSchedulerSettings)
{
    copy.Schedule.Action = 1;
    tmp.Write("dest/src/restored.txt", "back");
    settings.Scheduler.DisplayProgress = 1;
    settings.Scheduler.DisplaySummary = 1;
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunScheduled(copy), RunResult::Completed);
    EXPECT_EQ(TempDir::Read(tmp / "src/restored.txt"), "back");
    EXPECT_EQ(display.calls, (std::vector<std::string> { "progress", "summary" }));
    EXPECT_EQ(LogRecords().front(), "1\t1\tRestore started for 'Docs'");
}

TEST_F(ScheduledRunTest, HiddenTrayIsShownWithSoundAndBalloonAndHiddenAgain)
{
    settings.Scheduler.TrayHideIdle = 1;
    settings.Scheduler.TrayBalloons = 1;
    auto runner = MakeRunner();
    runner.RunScheduled(copy);
    ASSERT_GE(display.calls.size(), 3u);
    EXPECT_EQ(display.calls[0], "show tray");
    EXPECT_EQ(display.calls[1], "balloon Scheduled Event Started: Backup started for set 'Docs'.");
    EXPECT_EQ(display.calls.back(), "hide tray");
    EXPECT_EQ(sounds.played, (std::vector<int> { 164, 146 }));

    // A run from the main window leaves a hidden tray icon hidden.
    display.calls.clear();
    runner.RunActiveSet();
    EXPECT_FALSE(display.Shown("show tray"));
}

TEST_F(ScheduledRunTest, ShutdownComesBeforeTheMailUnlessCancelled)
{
    settings.Actions.PostShutdown = 1;
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunScheduled(copy), RunResult::PoweredOff);
    EXPECT_EQ(display.firstCountdownText, "This computer will be shutdown in 29 seconds...");
    EXPECT_EQ(powerOff.requests, 1);
    EXPECT_TRUE(mailer.sent.empty());
    EXPECT_EQ(flags.ActionRunning, 0);

    display.cancelShutdown = true;
    EXPECT_EQ(runner.RunScheduled(copy), RunResult::Completed);
    EXPECT_EQ(powerOff.requests, 1);
    EXPECT_EQ(mailer.sent.size(), 1u);

    // A refused power-off carries on like a cancelled countdown.
    display.cancelShutdown = false;
    powerOff.accept = false;
    EXPECT_EQ(runner.RunScheduled(copy), RunResult::Completed);
    EXPECT_EQ(powerOff.requests, 2);
    EXPECT_EQ(mailer.sent.size(), 2u);
}

TEST_F(ScheduledRunTest, AFailedMailLeavesOneErrorRecordAndTellsItInTheOutcome)
{
    mailer.failure = "535 5.7.8 Authentication credentials invalid";
    settings.Scheduler.SMTPPort = 587;
    copy.Schedule.Action = 1;
    tmp.Write("dest/src/restored.txt", "back");
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunScheduled(copy), RunResult::Completed) << "the run itself went well";
    const std::string text
        = "Failed to send the summary e-mail through the SMTP server mail.example.org:587: 535 5.7.8 Authentication "
          "credentials invalid";
    const auto records = LogRecords();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[2], "1\t1\tRestore completed for 'Docs'");
    EXPECT_EQ(records[3], "2\t1\t" + text);
    EXPECT_TRUE(display.calls.empty());
    ASSERT_EQ(display.outcomes.size(), 1u);
    EXPECT_FALSE(display.outcomes[0].Succeeded);
    EXPECT_EQ(display.outcomes[0].Text, "Scheduled restore of set 'Docs' failed: " + text);

    // A mail that goes out writes nothing more.
    mailer.failure.clear();
    display.calls.clear();
    EXPECT_EQ(runner.RunScheduled(copy), RunResult::Completed);
    EXPECT_EQ(LogRecords().size(), 7u);
    EXPECT_TRUE(display.calls.empty());
}

TEST(ShutdownCountdownTest, CountsFromTwentyNineAndCancelPreventsThePowerOff)
{
    FakePowerOff powerOff;
    CShutdownCountdown countdown(powerOff);
    EXPECT_EQ(countdown.Tick(), "This computer will be shutdown in 29 seconds...");
    for (int i = 0; i < 27; ++i)
        countdown.Tick();
    EXPECT_EQ(countdown.Counter(), 2);
    countdown.Cancel();
    countdown.Tick();
    countdown.Tick();
    EXPECT_EQ(powerOff.requests, 0);
    EXPECT_FALSE(countdown.PoweredOff());

    CShutdownCountdown full(powerOff);
    for (int i = 0; i < 40; ++i)
        full.Tick();
    EXPECT_TRUE(full.Finished());
    EXPECT_EQ(powerOff.requests, 1) << "asked once however often it ticks";
}

TEST(ElapsedTextTest, HoursAreATotalCount)
{
    EXPECT_EQ(CActionRunner::FormatElapsed(0), "00:00:00");
    EXPECT_EQ(CActionRunner::FormatElapsed(3 * 3600 + 25 * 60 + 7), "03:25:07");
    EXPECT_EQ(CActionRunner::FormatElapsed(100 * 3600 + 59), "100:00:59");
}

} // namespace
