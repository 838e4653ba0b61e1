#include "core/FolderStatistics.h"

#include "common/TempDir.h"
#include "core/Backup.h"

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

    TempDir dir;
    CBackup entry;
};

TEST_F(FolderStatisticsTest, CountsFilesFoldersAndClusterRoundedSize)
{
    dir.Write("src/a.bin", std::string(5000, 'a'));
    dir.Write("src/sub/b.txt", "1234");
    dir.Write("src/sub/deeper/c", "");
    CFolderStatistics statistics;
    statistics.StartFolderScan(entry, kFourKiB, 0);
    statistics.Wait();
    EXPECT_EQ(entry.ScanRunning, 0);
    EXPECT_EQ(entry.ScanComplete, 1);
    EXPECT_EQ(entry.FileCount, 3);
    EXPECT_EQ(entry.FolderCount, 2);
    EXPECT_EQ(entry.TotalSize, 5004u);
    EXPECT_EQ(entry.SizeOnDisk, 8192u + 4096u);
    EXPECT_EQ(entry.SourceList.size(), 5u);

    // Not recursive: the top folder's files only, no folder records.
    entry.Recursive = 0;
    statistics.StartFolderScan(entry, 512u << 8, 0);
    statistics.Wait();
    EXPECT_EQ(entry.FileCount, 1);
    EXPECT_EQ(entry.FolderCount, 0);
    EXPECT_EQ(entry.SizeOnDisk, 131072u);
    EXPECT_EQ(entry.SourceList.size(), 1u);
}

TEST_F(FolderStatisticsTest, MissingSourceCompletesWithZeroCounts)
{
    entry.SourceFolder = dir.Path() + "/nowhere/";
    entry.FileCount = 9;
    CFolderStatistics statistics;
    statistics.StartFolderScan(entry, kFourKiB, 0);
    statistics.Wait();
    EXPECT_EQ(entry.ScanComplete, 1);
    EXPECT_EQ(entry.FileCount, 0);
    EXPECT_EQ(entry.TotalSize, 0u);
    EXPECT_TRUE(entry.SourceList.empty());
}

TEST_F(FolderStatisticsTest, CancelledPassLeavesZerosAndTheOldList)
{
    dir.Write("src/a.bin", std::string(100, 'a'));
    entry.SourceList.resize(7);
    entry.ScanRunning = 1;
    entry.CancelScan = 1;
    CFolderStatistics::ScanNow(entry, kFourKiB, 0);
    EXPECT_EQ(entry.ScanRunning, 0);
    EXPECT_EQ(entry.ScanComplete, 0);
    EXPECT_EQ(entry.FileCount, 0);
    EXPECT_EQ(entry.TotalSize, 0u);
    EXPECT_EQ(entry.SizeOnDisk, 0u);
    EXPECT_EQ(entry.SourceList.size(), 7u);
}

TEST_F(FolderStatisticsTest, RestartWhileRunningAndDestroyWhileRunningAreSafe)
{
    for (int i = 0; i < 200; ++i)
        dir.Write("src/d" + std::to_string(i % 10) + "/f" + std::to_string(i), "x");
    {
        CFolderStatistics statistics;
        statistics.StartFolderScan(entry, kFourKiB, 0);
        statistics.StartFolderScan(entry, kFourKiB, 0);
        statistics.Wait();
        EXPECT_EQ(entry.FileCount, 200);
        statistics.StartFolderScan(entry, kFourKiB, 0);
    }
    EXPECT_EQ(entry.ScanRunning, 0);
}

} // namespace
