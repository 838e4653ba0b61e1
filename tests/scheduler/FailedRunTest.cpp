// A run that passed over failed items ends so in the log, in the summary it
// hands over and in its result; a cancelled run says it was cancelled.
#include "RunnerFixture.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using FailedRunTest = RunnerFixture;

TEST_F(FailedRunTest, EndRecordCarriesTheErrorTypeAndTheFailedCountFollows)
{
    // A file where the backup's folder of the entry belongs.
    tmp.Write("dest/src", "in the way");
    settings.Actions.DisplayError = 0;
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::CompletedWithErrors);

    const auto records = LogRecords();
    ASSERT_GE(records.size(), 5u);
    const std::size_t end = records.size() - 2;
    EXPECT_EQ(records[end], "2\t0\tBackup completed for 'Docs'");
    ASSERT_FALSE(display.summaryFailures.empty());
    EXPECT_EQ(records[end + 1], "2\t0\tFailed items: " + std::to_string(display.summaryFailures.size()));
    EXPECT_EQ(display.summaryFailures.front().Path, tmp / "dest/src");
    EXPECT_EQ(display.summaryFailures.front().Reason, "Failed to create the folder: File exists (error: 17)");
    // The failure's own record, before the counts, names the whole path.
    EXPECT_EQ(records[1], "2\t0\tFailed to create folder " + tmp / "dest/src");
    EXPECT_FALSE(display.summaryCancelled);
    EXPECT_EQ(sounds.played, std::vector<int> { 146 });
}

TEST_F(FailedRunTest, ACleanRunEndsAsBeforeWithoutACount)
{
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    const auto records = LogRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2], "0\t0\tBackup completed for 'Docs'");
    EXPECT_TRUE(display.summaryFailures.empty());

    // A scheduled one keeps its own type when nothing failed.
    session.Sets[0].Schedule.Action = 1;
    fs::remove_all(tmp / "src");
    fs::create_directories(tmp / "src");
    EXPECT_EQ(runner.RunScheduled(session.Sets[0]), RunResult::Completed);
    EXPECT_EQ(LogRecords().back(), "1\t1\tRestore completed for 'Docs'");
}

TEST_F(FailedRunTest, ACancelledRunSaysSoInItsSummary)
{
    display.duringProgress = [&] { flags.ActionCancel = 1; };
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Cancelled);
    EXPECT_TRUE(display.Shown("summary"));
    EXPECT_TRUE(display.summaryCancelled);
}

} // namespace
