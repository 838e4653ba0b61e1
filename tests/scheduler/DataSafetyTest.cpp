#include "RunnerFixture.h"
#include "scan/WithoutPrivileges.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using DataSafetyTest = RunnerFixture;

std::size_t CountFiles(const std::string& folder)
{
    std::size_t count = 0;
    for (const auto& item : fs::recursive_directory_iterator(folder))
        count += item.is_regular_file() ? 1 : 0;
    return count;
}

} // namespace

TEST_F(DataSafetyTest, BackupInsideItsOwnSourceNeverCopiesEarlierBackups)
{
    session.Sets[0].Entries[0].DestinationFolder = tmp / "src/backups";
    settings.Actions.BackupDelete = 1;
    auto runner = MakeRunner();
    for (int run = 0; run < 3; ++run)
        EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    EXPECT_EQ(TempDir::Read(tmp / "src/backups/src/sub/b.txt"), "beta");
    EXPECT_FALSE(fs::exists(tmp / "src/backups/src/backups"));
    EXPECT_EQ(CountFiles(tmp / "src/backups"), 2u);

    // A restore brings back the files, and nothing of the backup into itself.
    fs::remove(tmp / "src/a.txt");
    session.Sets[0].ActiveAction = 1;
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    EXPECT_EQ(TempDir::Read(tmp / "src/a.txt"), "alpha");
    EXPECT_EQ(CountFiles(tmp / "src"), 4u);
}

TEST_F(DataSafetyTest, UnmountedSourceDeletesNothingAndCountsAsFailed)
{
    settings.Actions.BackupDelete = 1;
    tmp.Write("fstab", "UUID=1234 " + tmp.Path() + "/src ext4 noauto 0 0\n");
    tmp.Write("mountinfo", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n40 22 8:17 / " + tmp.Path() + "/src rw - ext4 x rw\n");
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    // Unmounted: what is left is the empty mount point.
    fs::remove_all(tmp / "src");
    fs::create_directories(tmp / "src");
    tmp.Write("mountinfo", "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    EXPECT_EQ(runner.RunActiveSet(), RunResult::CompletedWithErrors);
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/a.txt"), "alpha");
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/sub/b.txt"), "beta");
    ASSERT_FALSE(prompter.asked.empty());
    EXPECT_EQ(prompter.asked.back().text, "Failed to access " + tmp / "src" + ".\n\nNo medium found (error: 123).");
    const auto records = LogRecords();
    ASSERT_EQ(records.size(), 8u);
    EXPECT_EQ(records[4].find("2\t0\tFailed to access "), 0u) << records[4];
    EXPECT_NE(records[4].find(" (error: 123); nothing was deleted from "), std::string::npos) << records[4];
    EXPECT_NE(records[5].find("0 files and 0 folders deleted"), std::string::npos);
    EXPECT_EQ(records[6], "2\t0\tBackup completed for 'Docs'");
    EXPECT_EQ(records[7], "2\t0\tFailed items: 1");
}

TEST_F(DataSafetyTest, EmptyingABackupIsAskedFirstAndNoKeepsIt)
{
    settings.Actions.BackupDelete = 1;
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    fs::remove(tmp / "src/a.txt");
    fs::remove(tmp / "src/sub/b.txt");
    // No one says yes: nothing goes, and the run says so.
    EXPECT_EQ(runner.RunActiveSet(), RunResult::CompletedWithErrors);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text,
        "All 2 files in the backup folder '" + tmp / "dest/src" + "' would be deleted, as the source folder '"
            + tmp / "src" + "' holds none of them.\nDo you want to delete them?");
    EXPECT_EQ(prompter.asked[0].style, unsigned(MbYesNo | MbIconQuestion | MbTopmost));
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/a.txt"), "alpha");
    EXPECT_NE(LogRecords()[4].find("2\t0\tKept all 2 files of"), std::string::npos);
    // Unasked (errors not shown) it is No as well.
    settings.Actions.DisplayError = 0;
    EXPECT_EQ(MakeRunner().RunActiveSet(), RunResult::CompletedWithErrors);
    EXPECT_EQ(prompter.asked.size(), 1u);
    EXPECT_TRUE(fs::exists(tmp / "dest/src/sub/b.txt"));
    // Yes empties it.
    settings.Actions.DisplayError = 1;
    prompter.Answer(IdYes);
    EXPECT_EQ(MakeRunner().RunActiveSet(), RunResult::Completed);
    EXPECT_FALSE(fs::exists(tmp / "dest/src/a.txt"));
    EXPECT_FALSE(fs::exists(tmp / "dest/src/sub/b.txt"));
    EXPECT_NE(LogRecords().back().find("Backup completed"), std::string::npos);
}

TEST_F(DataSafetyTest, FailedDeletionsAreFailuresAndNotCountedAsDeleted)
{
    settings.Actions.BackupDelete = 1;
    auto runner = MakeRunner();
    EXPECT_EQ(runner.RunActiveSet(), RunResult::Completed);
    fs::remove(tmp / "src/sub/b.txt");
    ASSERT_EQ(chmod((tmp / "dest/src/sub").c_str(), 0555), 0);
    const int result = RunWithoutPrivileges([&] {
        const RunResult run = runner.RunActiveSet();
        const auto records = LogRecords();
        int failures = run == RunResult::CompletedWithErrors ? 0 : 1;
        failures |= fs::exists(tmp / "dest/src/sub/b.txt") ? 0 : 2;
        failures |= records.size() == 8 && records[4].find("2\t0\tFailed to delete ") == 0 ? 0 : 4;
        failures
            |= records.size() == 8 && records[5].find("0 files and 0 folders deleted") != std::string::npos ? 0 : 8;
        failures |= records.size() == 8 && records[7] == "2\t0\tFailed items: 1" ? 0 : 16;
        return failures;
    });
    chmod((tmp / "dest/src/sub").c_str(), 0755);
    EXPECT_EQ(result, 0);
}
