// Folders whose mode and time cannot be set are failed items like any
// other: counted, named, and asked about when errors are shown.
#include "common/TmpfsMount.h"
#include "engine/EngineFixture.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

void SetTime(const std::string& path, std::time_t seconds)
{
    const timespec times[2] = { { seconds, 0 }, { seconds, 0 } };
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, path.c_str(), times, 0)) << path;
}

std::string Line(const std::string& folder)
{
    return "Failed to set the mode and time of folder '" + folder + "': Read-only file system (error: 30).";
}

class FolderAttributeFailure : public EngineFixture {
protected:
    void MakeTree()
    {
        Write("a/b/deep.txt", "deep");
        Write("top.txt", "top");
    }
    // New times on the folders of one side, none of its files changed.
    void Retime(const std::string& root)
    {
        for (const std::string& folder : { root + "/a/b", root + "/a", root })
            SetTime(folder, 1'300'000'000);
    }
};

TEST_F(FolderAttributeFailure, ReadOnlyBackupFailsEachFolderAndNamesIt)
{
    TmpfsMount mount(dir / "backup", "256k");
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    MakeTree();
    ASSERT_EQ(0, Run(0)->FailedItems.load());
    Retime(Src());
    ::chmod(Src("a").c_str(), 0700);
    ASSERT_TRUE(mount.MakeReadOnly());

    settings.Actions.DisplayError = 0;
    const auto run = Run(0);
    EXPECT_EQ(3, run->FailedItems.load());
    EXPECT_EQ(std::vector<std::string>({ Line(Root("a/b")), Line(Root("a")), Line(Root()) }), display.failed);
    EXPECT_EQ(3u, CountLines(LogText(), "\t2\t0\tFailed to set the mode and time of folder "));

    // Shown, each is asked like any failure: Ignore goes on to the next,
    // Abort ends the run there.
    prompter.Answer(IdIgnore);
    prompter.Answer(IdAbort);
    settings.Actions.DisplayError = 1;
    display.failed.clear();
    const auto asked = Run(0);
    ASSERT_EQ(2u, prompter.asked.size());
    EXPECT_EQ("Failed to set the mode and time of folder '" + Root("a/b") + "'.\n\nRead-only file system (error: 30).",
        prompter.asked[0].text);
    EXPECT_EQ(MbAbortRetryIgnore, prompter.asked[0].style & 0xF);
    EXPECT_EQ(1, asked->FailedItems.load());
    EXPECT_EQ(1, cancel.load());
    EXPECT_TRUE(display.failed.empty());
}

TEST_F(FolderAttributeFailure, ReadOnlySourceFailsARestoreToo)
{
    TmpfsMount mount(dir / "data", "256k");
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    MakeTree();
    ASSERT_EQ(0, Run(0)->FailedItems.load());
    Retime(Root());
    ASSERT_TRUE(mount.MakeReadOnly());

    settings.Actions.DisplayError = 0;
    const auto run = Run(1);
    EXPECT_EQ(3, run->FailedItems.load());
    EXPECT_EQ(std::vector<std::string>({ Line(Src("a/b")), Line(Src("a")), Line(Src()) }), display.failed);
    EXPECT_EQ(3u, CountLines(LogText(), "\t2\t1\tFailed to set the mode and time of folder "));
}

// Retry serves a destination that became writable again.
TEST_F(FolderAttributeFailure, RetrySetsTheFolderOnceTheDestinationIsWritable)
{
    TmpfsMount mount(dir / "backup", "256k");
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    MakeTree();
    Run(0);
    Retime(Src());
    ASSERT_TRUE(mount.MakeReadOnly());
    prompter.hook = [&](const std::string&) {
        ASSERT_EQ(0, std::system(("mount -o remount,rw '" + dir / "backup" + "'").c_str()));
    };
    prompter.Answer(IdRetry);
    const auto run = Run(0);
    EXPECT_EQ(1u, prompter.asked.size());
    EXPECT_EQ(0, run->FailedItems.load());
    for (const std::string& folder : { Root("a/b"), Root("a"), Root() }) {
        struct stat st { };
        ASSERT_EQ(0, ::stat(folder.c_str(), &st));
        EXPECT_EQ(1'300'000'000, st.st_mtim.tv_sec) << folder;
    }
}

} // namespace
