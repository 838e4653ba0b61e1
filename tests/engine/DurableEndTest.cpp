// A run that ends without failed items has put what it wrote on the disk:
// a power cut right after it loses nothing.
#include "common/LoopMount.h"
#include "engine/EngineFixture.h"
#include "engine/FileOperations.h"
#include "scan/PathFormat.h"

#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class DurableEnd : public EngineFixture { };

// Each file of source has its copy below backup, byte for byte; a lost one
// is named with how much of it is left, not printed.
void ExpectWholeCopies(const std::string& source, const std::string& backup)
{
    for (const auto& item : fs::recursive_directory_iterator(source)) {
        if (!item.is_regular_file())
            continue;
        const std::string rel = item.path().string().substr(source.size() + 1);
        const std::string copy = backup + "/" + rel;
        const std::string bytes = TempDir::Read(item.path());
        const std::string copied = fs::exists(copy) ? TempDir::Read(copy) : std::string();
        EXPECT_TRUE(bytes == copied) << rel << ": " << (fs::exists(copy) ? std::to_string(copied.size()) : "no")
                                     << " bytes of " << bytes.size() << " on the disk";
    }
}

// What the disk holds after the cut, not what the page cache held before.
TEST_F(DurableEnd, NewAndReplacedFilesSurviveAPowerCutRightAfterTheRun)
{
    LoopMount disk(dir / "disk.img", dir / "backup", "64M");
    if (!disk.Mounted())
        GTEST_SKIP() << disk.SkipReason();
    Write("kept.txt", "kept");
    Write("changed.txt", "first", 1'600'000'000);
    Write("old/inside.txt", std::string(40'000, 'o'));
    Run(0);
    // Above the sizes ext4 keeps inside the inode, in new folders and old.
    Write("changed.txt", std::string(70'000, 'c'), 1'600'000'100);
    Write("new.txt", std::string(100'000, 'n'));
    Write("old/added.bin", std::string(300'000, 'b'));
    Write("deep/er/new.txt", std::string(5'000, 'd'));
    Write("deep/small.txt", "small");
    const auto run = Run(0);
    ASSERT_EQ(0, run->FailedItems.load());
    ASSERT_EQ(4, run->AddedTally.Files);

    ASSERT_TRUE(disk.CutPowerAndRemount());
    ExpectWholeCopies(Src(), Root());
}

class FailingSync : public CFileOperations {
public:
    int SyncFileSystem(CFileSystemSync&, const std::string& folder) override
    {
        folders.push_back(folder);
        return EIO;
    }
    std::vector<std::string> folders;
};

// The data may be gone, so the run cannot say it completed; there is
// nothing to retry, so the message only informs.
TEST_F(DurableEnd, AFailedSyncIsAFailedItemOfEachDestination)
{
    Write("a.txt", "alpha");
    FailingSync ops;
    beforeStart = [&](CProgressWorker& worker) { worker.SetFileOperations(ops); };
    settings.Actions.DisplayError = 0;
    auto run = Run(0);
    EXPECT_EQ(std::vector<std::string> { Root() }, ops.folders);
    EXPECT_EQ(1, run->FailedItems.load());
    EXPECT_EQ(1u, run->AddedFiles.size());
    EXPECT_NE(
        std::string::npos, LogText().find("\t2\t0\tFailed to write the files of " + Root() + " to the disk (error: 5)"))
        << LogText();
    ASSERT_EQ(1u, display.failed.size());
    EXPECT_EQ("The files written to '" + Root()
            + "' could not all be stored on the disk and may be lost: Input/output error (error: 5).",
        display.failed[0]);

    // A restore writes into the source folder.
    ops.folders.clear();
    fs::remove(Src("a.txt"));
    settings.Actions.DisplayError = 1;
    run = Run(1);
    EXPECT_EQ(std::vector<std::string> { Src() }, ops.folders);
    EXPECT_EQ(1, run->FailedItems.load());
    ASSERT_EQ(1u, prompter.asked.size());
    EXPECT_EQ(0u, prompter.asked[0].style & MbAbortRetryIgnore);
    EXPECT_NE(std::string::npos, prompter.asked[0].text.find("could not all be stored on the disk"));
    // A run that wrote nothing has nothing to make durable.
    ops.folders.clear();
    run = Run(1);
    EXPECT_TRUE(ops.folders.empty());
    EXPECT_EQ(0, run->FailedItems.load());
}

} // namespace
