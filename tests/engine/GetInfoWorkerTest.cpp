#include "engine/GetInfoWorker.h"

#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "scan/WithoutPrivileges.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// 2024-03-07 12:00:00 UTC.
constexpr std::time_t kMarch7 = 1709812800;

class GetInfoWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
    }

    CBackup& AddEntry(const std::string& source, const std::string& destination, const std::string& include = "*.*")
    {
        CBackup& entry = set.Entries.emplace_back();
        entry.SourceFolder = source;
        entry.DestinationFolder = destination;
        entry.IncludeFiles = include;
        return entry;
    }

    // Runs a worker over the set and returns it finished.
    std::unique_ptr<CGetInfoWorker> Run()
    {
        auto worker = std::make_unique<CGetInfoWorker>(set, cancel, clock);
        EXPECT_EQ(worker->SourceScanRunning.load(), 1);
        EXPECT_EQ(worker->DestinationScanRunning.load(), 1);
        worker->Start();
        worker->Wait();
        EXPECT_EQ(worker->SourceScanRunning.load(), 0);
        EXPECT_EQ(worker->DestinationScanRunning.load(), 0);
        return worker;
    }

    TempDir source;
    TempDir backup;
    CSet set;
    std::atomic<int> cancel { 0 };
    FakeClock clock { kMarch7 };
};

} // namespace

TEST_F(GetInfoWorkerTest, EmptySetEndsAtOnceWithZeroCounters)
{
    auto worker = Run();
    EXPECT_EQ(worker->SourceFiles.load() + worker->SourceFolders.load(), 0);
    EXPECT_EQ(worker->DestinationFiles.load() + worker->DestinationFolders.load(), 0);
    EXPECT_EQ(worker->SourceBytes.load() + worker->DestinationBytes.load(), 0u);
}

TEST_F(GetInfoWorkerTest, MissingBackupRootCountsNothingThere)
{
    source.Write("Work/a.txt", "abc");
    AddEntry(source / "Work/", backup.Path() + "//");
    auto worker = Run();
    const CBackup& entry = worker->Set.Entries[0];
    const CEntryScan& found = worker->Scans[0];
    EXPECT_EQ(entry.SourceFolder, source / "Work");
    EXPECT_EQ(entry.DestinationFolder, backup.Path());
    EXPECT_EQ(found.SourceFound, 1);
    EXPECT_TRUE(found.SourceHandle);
    EXPECT_EQ(worker->DestinationFiles.load() + worker->DestinationFolders.load(), 0);
    EXPECT_TRUE(found.SourceUnlisted.empty());
    EXPECT_EQ(worker->SourceFiles.load(), 1);
    EXPECT_EQ(worker->SourceBytes.load(), 3u);
    EXPECT_EQ(CGetInfoWorker::BackupRoot(entry), backup / "Work");
    // The set handed in is untouched.
    EXPECT_EQ(set.Entries[0].SourceFolder, source / "Work/");
    ASSERT_EQ(worker->Scans.size(), set.Entries.size());
}

TEST_F(GetInfoWorkerTest, NonRecursiveSourceButWholeBackupTree)
{
    source.Write("Work/top.txt", "1");
    source.Write("Work/sub/deep.txt", "2");
    backup.Write("Work/old/x.log", "3");
    backup.Write("Work/top.txt", "1");
    CBackup& entry = AddEntry(source / "Work", backup.Path(), "*.txt");
    entry.Recursive = 0;
    auto worker = Run();
    EXPECT_EQ(worker->SourceFiles.load(), 1);
    EXPECT_EQ(worker->DestinationFiles.load(), 2);
    EXPECT_EQ(worker->DestinationFolders.load(), 1);
    EXPECT_EQ(worker->SourceFolders.load(), 0);
}

TEST_F(GetInfoWorkerTest, TagsExpandOnBothSidesWithOneInstant)
{
    source.Write("data-2024-03/f.txt", "x");
    backup.Write("2024/data-2024-03/f.txt", "x");
    AddEntry(source / "data-<YEAR>-<MONTH>", backup / "<YEAR>");
    auto worker = Run();
    const CBackup& entry = worker->Set.Entries[0];
    EXPECT_EQ(entry.SourceFolder, source / "data-2024-03");
    EXPECT_EQ(entry.DestinationFolder, backup / "2024");
    EXPECT_EQ(worker->SourceFiles.load(), 1);
    EXPECT_EQ(worker->DestinationFiles.load(), 1);
    EXPECT_EQ(worker->DestinationFolders.load(), 0);
}

TEST_F(GetInfoWorkerTest, MissingSourceIsMarkedAndAnUnlistableFolderCountsNothing)
{
    AddEntry(source / "gone", backup.Path());
    source.Write("Work/locked/a.txt", "x");
    source.Write("Work/b.txt", "x");
    AddEntry(source / "Work", backup.Path());
    ASSERT_EQ(chmod((source / "Work/locked").c_str(), 0300), 0);
    const int result = RunWithoutPrivileges([&] {
        auto worker = Run();
        const CEntryScan& gone = worker->Scans[0];
        const CEntryScan& work = worker->Scans[1];
        int failures = 0;
        failures |= gone.SourceFound == 0 ? 0 : 1;
        failures |= gone.SourceUnlisted == std::vector<std::string> { source / "gone/" } ? 0 : 2;
        failures |= work.SourceFound == 1 ? 0 : 4;
        // The run finds what it cannot read as it walks the side.
        failures |= work.SourceUnlisted.empty() ? 0 : 8;
        failures |= worker->SourceFiles == 1 && worker->SourceFolders == 1 ? 0 : 16; // b.txt, locked
        return failures;
    });
    chmod((source / "Work/locked").c_str(), 0700);
    EXPECT_EQ(result, 0);
}

TEST_F(GetInfoWorkerTest, CancelStopsBothSidesAfterTheEntryInHand)
{
    source.Write("A/a.txt", "x");
    source.Write("B/b.txt", "x");
    AddEntry(source / "A", backup.Path());
    AddEntry(source / "B", backup.Path());
    cancel = 1;
    auto worker = Run();
    EXPECT_FALSE(worker->Scans[1].SourceHandle);
    // The second entry was never taken: its texts stay unexpanded.
    EXPECT_EQ(worker->Set.Entries[1].SourceFolder, source / "B");
}

TEST_F(GetInfoWorkerTest, EntryWithoutSourceTextScansNeitherSide)
{
    backup.Write("other/file.txt", "x");
    AddEntry("", backup.Path());
    auto worker = Run();
    EXPECT_FALSE(worker->Scans[0].SourceHandle);
    EXPECT_FALSE(worker->Scans[0].BackupFolderHandle);
    EXPECT_EQ(worker->DestinationFiles.load(), 0);
}

TEST_F(GetInfoWorkerTest, RootSourceIsKeptAsEmptyTextAndNamedRoot)
{
    CBackup entry;
    entry.SourceFolder = "";
    entry.DestinationFolder = "/mnt/backup";
    EXPECT_EQ(CGetInfoWorker::BackupRoot(entry), "/mnt/backup/Root [Fixed Drive]");
}

TEST_F(GetInfoWorkerTest, NeitherSideEntersTheOtherWhenOneLiesInsideTheOther)
{
    // The backup folder inside its source: the source scan leaves it out.
    source.Write("home/a.txt", "x");
    source.Write("home/backups/home/a.txt", "x");
    source.Write("home/backups/home/backups/home/a.txt", "x");
    AddEntry(source / "home", source / "home/backups");
    // The source inside its own backup root: the backup scan leaves it out.
    backup.Write("Work/old.txt", "x");
    backup.Write("Work/Work/new.txt", "x");
    AddEntry(backup / "Work/Work", backup.Path());
    set.Entries.resize(1);
    auto home = Run();
    // a.txt only on the source side; the backup root holds the rest.
    EXPECT_EQ(home->SourceFiles.load(), 1);
    EXPECT_EQ(home->SourceFolders.load(), 0);
    EXPECT_EQ(home->DestinationFiles.load(), 2);
    EXPECT_EQ(home->DestinationFolders.load(), 2);
    EXPECT_TRUE(home->Scans[0].SourceUnlisted.empty()) << "a skipped folder is not a failure";
    EXPECT_EQ(home->Scans[0].SourceSkip, std::vector<std::string> { source / "home/backups" });
    set.Entries.erase(set.Entries.begin());
    AddEntry(backup / "Work/Work", backup.Path());
    auto work = Run();
    EXPECT_EQ(work->SourceFiles.load(), 1);
    EXPECT_EQ(work->DestinationFiles.load(), 1) << "old.txt only";
    EXPECT_EQ(work->DestinationFolders.load(), 0);
    EXPECT_EQ(work->Scans[0].DestinationSkip, std::vector<std::string> { backup / "Work/Work" });
}

TEST_F(GetInfoWorkerTest, WithoutCountsTheSidesAreOnlyOpened)
{
    source.Write("Work/a.txt", "abc");
    backup.Write("Work/a.txt", "abc");
    AddEntry(source / "Work", backup.Path());
    CGetInfoWorker worker(set, cancel, clock);
    worker.SetCounting(false);
    worker.Start();
    worker.Wait();
    EXPECT_EQ(worker.SourceFiles.load() + worker.DestinationFiles.load(), 0);
    EXPECT_EQ(worker.Scans[0].SourceFound, 1);
    EXPECT_TRUE(worker.Scans[0].SourceHandle);
    EXPECT_TRUE(worker.Scans[0].BackupFolderHandle);
}
