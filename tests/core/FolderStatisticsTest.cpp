#include "core/FolderStatistics.h"

#include "common/TempDir.h"
#include "core/Backup.h"

#include <future>
#include <gtest/gtest.h>

namespace {

constexpr std::uint64_t kFourKiB = 512u << 3; // ClusterSize 3

class FolderStatisticsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        entry.SourceFolder = dir.Path() + "/src";
        entry.IncludeFiles = "*.*";
    }

    // Holds every following pass at its start until Release.
    void HoldPasses(CFolderStatistics& statistics)
    {
        statistics.SetPassStartHook([future = gate.get_future().share()] { future.wait(); });
    }
    void Release() { gate.set_value(); }

    TempDir dir;
    CBackup entry;
    std::promise<void> gate;
};

TEST_F(FolderStatisticsTest, CountsFilesFoldersAndClusterRoundedSize)
{
    dir.Write("src/a.bin", std::string(5000, 'a'));
    dir.Write("src/sub/b.txt", "1234");
    dir.Write("src/sub/deeper/c", "");
    CFolderStatistics statistics;
    EXPECT_EQ(statistics.Figures(), FolderFigures {});
    statistics.StartFolderScan(entry, kFourKiB, 0);
    statistics.Wait();
    EXPECT_EQ(statistics.Figures(), (FolderFigures { 3, 2, 5004u, 8192u + 4096u, 0, 1 }));
    EXPECT_EQ(statistics.SourceList()->size(), 5u);

    // Not recursive: the top folder's files only, no folder records.
    entry.Recursive = 0;
    statistics.StartFolderScan(entry, 512u << 8, 0);
    statistics.Wait();
    EXPECT_EQ(statistics.Figures(), (FolderFigures { 1, 0, 5000u, 131072u, 0, 1 }));
    EXPECT_EQ(statistics.SourceList()->size(), 1u);
}

TEST_F(FolderStatisticsTest, MissingSourceCompletesWithZeroCounts)
{
    entry.SourceFolder = dir.Path() + "/nowhere/";
    CFolderStatistics statistics;
    statistics.StartFolderScan(entry, kFourKiB, 0);
    statistics.Wait();
    EXPECT_EQ(statistics.Figures(), (FolderFigures { 0, 0, 0, 0, 0, 1 }));
    EXPECT_TRUE(statistics.SourceList()->empty());
}

TEST_F(FolderStatisticsTest, CancelledPassLeavesZerosAndTheListBeforeIt)
{
    dir.Write("src/a.bin", std::string(100, 'a'));
    CFolderStatistics statistics;
    statistics.StartFolderScan(entry, kFourKiB, 0);
    statistics.Wait();
    const auto before = statistics.SourceList();
    ASSERT_EQ(before->size(), 1u);

    dir.Write("src/b.bin", "b");
    HoldPasses(statistics);
    statistics.StartFolderScan(entry, kFourKiB, 0);
    EXPECT_EQ(statistics.Figures().ScanRunning, 1);
    statistics.RequestCancel();
    Release();
    statistics.Wait();
    EXPECT_EQ(statistics.Figures(), FolderFigures {});
    EXPECT_EQ(statistics.SourceList(), before);
}

// The pass scans a copy of the entry's folder and masks: the entry may be
// edited or go away while it runs. Only the newest pass reports its end.
TEST_F(FolderStatisticsTest, ANewerPassReplacesARunningOneAndTheEntryIsFreeMeanwhile)
{
    for (int i = 0; i < 20; ++i)
        dir.Write("src/d" + std::to_string(i % 4) + "/f" + std::to_string(i), "x");
    dir.Write("other/only.txt", "y");
    std::vector<FolderFigures> told;
    std::mutex toldMutex;
    const auto tell = [&](const FolderFigures& figures) {
        std::lock_guard lock(toldMutex);
        told.push_back(figures);
    };
    CFolderStatistics statistics;
    HoldPasses(statistics);
    {
        CBackup gone = entry;
        statistics.StartFolderScan(gone, kFourKiB, 0, tell);
    }
    entry.SourceFolder = dir.Path() + "/other";
    statistics.StartFolderScan(entry, kFourKiB, 0, tell);
    Release();
    statistics.Wait();
    EXPECT_EQ(statistics.Figures(), (FolderFigures { 1, 0, 1u, kFourKiB, 0, 1 }));
    std::lock_guard lock(toldMutex);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], statistics.Figures());
}

TEST_F(FolderStatisticsTest, DestroyingWhileAPassRunsCancelsIt)
{
    dir.Write("src/a", "a");
    {
        CFolderStatistics statistics;
        HoldPasses(statistics);
        statistics.StartFolderScan(entry, kFourKiB, 0);
        Release();
    }
    SUCCEED();
}

} // namespace
