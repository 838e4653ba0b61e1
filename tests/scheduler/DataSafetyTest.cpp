#include "RunnerFixture.h"

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
