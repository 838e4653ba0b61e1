#include "engine/EngineFixture.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// What another user may swap in under a run between its scan and its copy:
// a link where a scanned folder was, to a folder the run must never touch.
class RootSafetyTest : public EngineFixture {
protected:
    RootSafetyTest()
    {
        settings.Actions.DisplayError = 0; // each failure passed over and counted
        settings.Actions.BackupDelete = 1;
        dir.Write("victim/a.txt", "victim a");
        dir.Write("victim/gone.txt", "victim gone");
        dir.Write("victim/only.txt", "victim only");
        ::chmod((dir / "victim").c_str(), 0700);
    }

    void SwapForVictim(const std::string& folder) const
    {
        fs::rename(folder, folder + ".moved");
        ASSERT_EQ(0, ::symlink(Victim().c_str(), folder.c_str()));
    }

    std::string Victim() const { return dir / "victim"; }

    void ExpectVictimUntouched() const
    {
        EXPECT_EQ("victim a", TempDir::Read(dir / "victim/a.txt"));
        EXPECT_EQ("victim gone", TempDir::Read(dir / "victim/gone.txt"));
        EXPECT_EQ("victim only", TempDir::Read(dir / "victim/only.txt"));
        std::size_t count = 0;
        for ([[maybe_unused]] const auto& item : fs::directory_iterator(Victim()))
            ++count;
        EXPECT_EQ(3u, count) << "the run made something in the victim folder";
    }
};

} // namespace

TEST_F(RootSafetyTest, ABackupFolderSwappedForALinkAfterTheScanIsNeverWrittenThrough)
{
    Write("sub/a.txt", "old a");
    Write("sub/gone.txt", "gone");
    Run(0);
    Write("sub/a.txt", "new a", 1'700'000'000);
    Write("sub/b.txt", "new b");
    ::unlink(Src("sub/gone.txt").c_str());
    CSet set = MakeSet(0);
    Scan(set);
    SwapForVictim(Root("sub"));
    auto worker = RunSet(set, false);
    ExpectVictimUntouched();
    EXPECT_GE(worker->FailedItems.load(), 1);
    EXPECT_NE(std::string::npos, LogText().find("Changed since it was scanned"));
}

TEST_F(RootSafetyTest, ASourceFolderSwappedForALinkAfterTheScanIsNeverReadThrough)
{
    Write("sub/a.txt", "mine");
    Write("sub/gone.txt", "mine too");
    Write("sub/only.txt", "and this");
    CSet set = MakeSet(0);
    Scan(set);
    SwapForVictim(Src("sub"));
    auto worker = RunSet(set, false);
    ExpectVictimUntouched();
    for (const char* name : { "a.txt", "gone.txt", "only.txt" })
        EXPECT_NE(0, TempDir::Read(Root(std::string("sub/") + name)).rfind("victim", 0)) << name;
    EXPECT_EQ(3, worker->FailedItems.load());
}

TEST_F(RootSafetyTest, ARestoreNeverWritesThroughASwappedSourceFolder)
{
    settings.Actions.RestoreSecurity = 1;
    Write("sub/a.txt", "backed up a");
    Write("sub/only.txt", "backed up only");
    Run(0);
    Write("sub/a.txt", "edited", 1'500'000'000);
    CSet set = MakeSet(1);
    Scan(set);
    SwapForVictim(Src("sub"));
    auto worker = RunSet(set, false);
    ExpectVictimUntouched();
    struct stat st { };
    ASSERT_EQ(0, ::stat(Victim().c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
    EXPECT_GE(worker->FailedItems.load(), 1);
}

TEST_F(RootSafetyTest, AFileReplacedByAFifoIsAChangedItemNotAHang)
{
    Write("plain.txt", "plain");
    Write("pipe", "was a file");
    CSet set = MakeSet(0);
    Scan(set);
    ::unlink(Src("pipe").c_str());
    ASSERT_EQ(0, ::mkfifo(Src("pipe").c_str(), 0644));
    auto worker = RunSet(set, false);
    EXPECT_EQ(1, worker->FailedItems.load());
    EXPECT_EQ("plain", TempDir::Read(Root("plain.txt")));
    struct stat st { };
    EXPECT_NE(0, ::lstat(Root("pipe").c_str(), &st));
}

TEST_F(RootSafetyTest, AFileReplacedByALinkIsLeftAlone)
{
    Write("secret", "mine");
    CSet set = MakeSet(0);
    Scan(set);
    ::unlink(Src("secret").c_str());
    ASSERT_EQ(0, ::symlink((Victim() + "/only.txt").c_str(), Src("secret").c_str()));
    auto worker = RunSet(set, false);
    EXPECT_EQ(1, worker->FailedItems.load());
    struct stat st { };
    EXPECT_NE(0, ::lstat(Root("secret").c_str(), &st));
}

TEST_F(RootSafetyTest, NamesOfOneFileStayLinkedOnBackupAndRestore)
{
    Write("a.txt", "shared");
    Write("solo.txt", "solo");
    fs::create_directories(Src("sub"));
    ASSERT_EQ(0, ::link(Src("a.txt").c_str(), Src("b.txt").c_str()));
    ASSERT_EQ(0, ::link(Src("a.txt").c_str(), Src("sub/c.txt").c_str()));
    const auto inode = [](const std::string& path) {
        struct stat st { };
        ::lstat(path.c_str(), &st);
        return st.st_ino;
    };
    const auto expectLinked = [&](const std::string& a, const std::string& b, const std::string& c) {
        EXPECT_EQ(inode(a), inode(b));
        EXPECT_EQ(inode(a), inode(c));
    };
    Run(0);
    expectLinked(Root("a.txt"), Root("b.txt"), Root("sub/c.txt"));
    EXPECT_NE(inode(Root("a.txt")), inode(Root("solo.txt")));
    EXPECT_EQ("shared", TempDir::Read(Root("sub/c.txt")));

    // Rewritten in place: every name changes, and the copies stay one file.
    Write("a.txt", "changed", 1'700'000'000);
    ASSERT_EQ(0, ::unlink(Src("b.txt").c_str()));
    ASSERT_EQ(0, ::unlink(Src("sub/c.txt").c_str()));
    ASSERT_EQ(0, ::link(Src("a.txt").c_str(), Src("b.txt").c_str()));
    ASSERT_EQ(0, ::link(Src("a.txt").c_str(), Src("sub/c.txt").c_str()));
    Run(0);
    expectLinked(Root("a.txt"), Root("b.txt"), Root("sub/c.txt"));
    EXPECT_EQ("changed", TempDir::Read(Root("b.txt")));

    fs::remove_all(Src());
    fs::create_directories(Src());
    auto restore = Run(1);
    EXPECT_EQ(0, restore->FailedItems.load());
    expectLinked(Src("a.txt"), Src("b.txt"), Src("sub/c.txt"));
    EXPECT_EQ("changed", TempDir::Read(Src("sub/c.txt")));
}

// With every operation relative to its folder, no whole path has to fit
// in what the kernel takes at once, nor does the copy's temporary name.
TEST_F(RootSafetyTest, AFileWhoseBackupPathIsNearTheLimitIsCopied)
{
    std::string rel;
    const std::string part(200, 'p');
    while (Root(rel).size() + part.size() + 1 < 4096 - 12)
        rel += (rel.empty() ? "" : "/") + part;
    const std::size_t room = 4096 - 6 - Root(rel).size() - 1;
    const std::string file = rel + "/" + std::string(std::min<std::size_t>(room, 255), 'f');
    ASSERT_GE(Root(file).size(), 4096u - 12);
    Write(file, "deep");
    auto worker = Run(0);
    EXPECT_EQ(0, worker->FailedItems.load());
    EXPECT_EQ(1u, worker->AddedFiles.size());
    Write(file, "deeper", 1'700'000'000);
    worker = Run(0);
    EXPECT_EQ(0, worker->FailedItems.load());
    EXPECT_EQ(1u, worker->UpdatedFiles.size());
}

TEST_F(RootSafetyTest, FifosAndDevicesAreMadeAgainAndASocketIsNamed)
{
    Write("plain.txt", "plain");
    ASSERT_EQ(0, ::mkfifo(Src("pipe").c_str(), 0640));
    const bool devices = ::mknod(Src("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string socketPath = Src("sock");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(0, ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address));
    auto worker = Run(0);
    ::close(sock);
    EXPECT_EQ(0, worker->FailedItems.load());
    struct stat st { };
    ASSERT_EQ(0, ::lstat(Root("pipe").c_str(), &st));
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    if (devices) {
        ASSERT_EQ(0, ::lstat(Root("null").c_str(), &st));
        EXPECT_TRUE(S_ISCHR(st.st_mode));
        EXPECT_EQ(makedev(1, 3), st.st_rdev);
    }
    EXPECT_NE(0, ::lstat(Root("sock").c_str(), &st));
    EXPECT_NE(std::string::npos, LogText().find("Skipped " + socketPath));
    auto again = Run(0);
    EXPECT_TRUE(again->AddedFiles.empty());
    EXPECT_TRUE(again->UpdatedFiles.empty());
}
