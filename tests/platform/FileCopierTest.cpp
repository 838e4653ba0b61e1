#include "platform/FileCopier.h"

#include "common/TempDir.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct stat StatOf(const std::string& path)
{
    struct stat st { };
    EXPECT_EQ(0, ::lstat(path.c_str(), &st)) << path;
    return st;
}

void SetTimes(const std::string& path, std::time_t seconds, long nanoseconds)
{
    const timespec times[2] = { { seconds, nanoseconds }, { seconds, nanoseconds } };
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW));
}

// Only the named entries are in the folder: no temporary file was left.
std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct CopierFixture : ::testing::Test {
    TempDir dir;
    CFileCopier copier;
};

TEST_F(CopierFixture, NewCopyKeepsBytesModeAndNanosecondTimes)
{
    const std::string big(3 * 1024 * 1024 + 17, 'x');
    const std::string from = dir.Write("src/a.bin", big);
    ::chmod(from.c_str(), 0444);
    SetTimes(from, 1'600'000'000, 123456789);
    fs::create_directory(dir / "dst");
    ASSERT_EQ(0, copier.Copy(from, dir / "dst/a.bin", true));
    EXPECT_EQ(big, TempDir::Read(dir / "dst/a.bin"));
    const struct stat st = StatOf(dir / "dst/a.bin");
    EXPECT_EQ(0444u, st.st_mode & 07777);
    EXPECT_EQ(1'600'000'000, st.st_mtim.tv_sec);
    EXPECT_EQ(123456789, st.st_mtim.tv_nsec);
}

TEST_F(CopierFixture, EmptyFileAndFailIfExists)
{
    const std::string from = dir.Write("e", "");
    ASSERT_EQ(0, copier.Copy(from, dir / "e2", true));
    EXPECT_EQ(0, StatOf(dir / "e2").st_size);
    dir.Write("f", "old");
    EXPECT_EQ(EEXIST, copier.Copy(from, dir / "f", true));
    EXPECT_EQ("old", TempDir::Read(dir / "f"));
}

TEST_F(CopierFixture, ReplacementGoesThroughANewFileAndLeavesNoTemporary)
{
    const std::string from = dir.Write("src/a", "new contents");
    const std::string to = dir.Write("dst/a", "old");
    const ino_t oldInode = StatOf(to).st_ino;
    ASSERT_EQ(0, copier.Copy(from, to, false));
    EXPECT_EQ("new contents", TempDir::Read(to));
    EXPECT_NE(oldInode, StatOf(to).st_ino);
    EXPECT_EQ(std::vector<std::string> { "a" }, Names(dir / "dst"));
}

TEST_F(CopierFixture, FailedReplacementKeepsTheOldFileWhole)
{
    const std::string from = dir.Write("src/a", std::string(100000, 'n'));
    const std::string to = dir.Write("dst/a", "old file");
    copier.FailAfterBytes(4096);
    EXPECT_EQ(EIO, copier.Copy(from, to, false));
    EXPECT_EQ("old file", TempDir::Read(to));
    EXPECT_EQ(std::vector<std::string> { "a" }, Names(dir / "dst"));
}

TEST_F(CopierFixture, FailedNewCopyLeavesNothingBehind)
{
    const std::string from = dir.Write("src/a", std::string(100000, 'n'));
    fs::create_directory(dir / "dst");
    copier.FailAfterBytes(4096);
    EXPECT_EQ(EIO, copier.Copy(from, dir / "dst/a", true));
    EXPECT_TRUE(Names(dir / "dst").empty());
    // The next copy works again.
    EXPECT_EQ(0, copier.Copy(from, dir / "dst/a", true));
}

TEST_F(CopierFixture, TargetWithoutOwnerWriteBitIsReadOnlyEvenForRoot)
{
    const std::string from = dir.Write("a", "new");
    const std::string to = dir.Write("b", "kept");
    ::chmod(to.c_str(), 0444);
    EXPECT_EQ(EACCES, copier.Copy(from, to, false));
    EXPECT_EQ("kept", TempDir::Read(to));
    fs::create_directory(dir / "folder");
    EXPECT_EQ(EISDIR, copier.Copy(from, dir / "folder", false));
}

TEST_F(CopierFixture, LinksAreCopiedAsLinksNeverFollowed)
{
    dir.Write("outside/secret", "do not copy");
    fs::create_directory(dir / "src");
    fs::create_directory(dir / "dst");
    fs::create_symlink(dir / "outside/secret", dir / "src/link");
    fs::create_symlink("missing-target", dir / "src/dangling");
    fs::create_directory_symlink(dir / "outside", dir / "src/dirlink");
    SetTimes(dir / "src/link", 1'500'000'000, 0);
    for (const char* name : { "link", "dangling", "dirlink" })
        ASSERT_EQ(0, copier.Copy(dir / ("src/" + std::string(name)), dir / ("dst/" + std::string(name)), true)) << name;
    EXPECT_EQ(dir / "outside/secret", fs::read_symlink(dir / "dst/link").string());
    EXPECT_EQ("missing-target", fs::read_symlink(dir / "dst/dangling").string());
    EXPECT_TRUE(fs::is_symlink(dir / "dst/dirlink"));
    EXPECT_EQ(1'500'000'000, StatOf(dir / "dst/link").st_mtim.tv_sec);

    // Replacing a file by a link, and never writing through a link at the target.
    const std::string file = dir.Write("src/file", "data");
    fs::create_symlink(dir / "outside/secret", dir / "dst/file");
    ASSERT_EQ(0, copier.Copy(file, dir / "dst/file", false));
    EXPECT_FALSE(fs::is_symlink(dir / "dst/file"));
    EXPECT_EQ("do not copy", TempDir::Read(dir / "outside/secret"));
    EXPECT_EQ(EEXIST, copier.Copy(file, dir / "dst/dangling", true));
}

TEST_F(CopierFixture, SocketsAndFifosAreNotCopiedAndNeverBlock)
{
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0644));
    EXPECT_EQ(EOPNOTSUPP, copier.Copy(fifo, dir / "fifo-copy", true));

    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir / "sock";
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(0, ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address));
    EXPECT_EQ(EOPNOTSUPP, copier.Copy(socketPath, dir / "sock-copy", true));
    ::close(s);
    EXPECT_FALSE(fs::exists(dir / "fifo-copy"));
    EXPECT_FALSE(fs::exists(dir / "sock-copy"));
}

TEST_F(CopierFixture, MissingSourceAndFolderSource)
{
    EXPECT_EQ(ENOENT, copier.Copy(dir / "none", dir / "x", true));
    fs::create_directory(dir / "d");
    EXPECT_EQ(EISDIR, copier.Copy(dir / "d", dir / "x", true));
    EXPECT_FALSE(fs::exists(dir / "x"));
}

} // namespace
