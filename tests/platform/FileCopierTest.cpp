#include "platform/FileCopier.h"

#include "common/AsOtherUser.h"
#include "common/TempDir.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
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

// The names in a folder that are a copy's temporary files.
std::vector<std::string> Temporaries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const std::string& name : Names(folder)) {
        if (CFileCopier::IsTemporaryName(name))
            names.push_back(name);
    }
    return names;
}

// A new copy is written as a file without a name where the file system
// allows it, else under a temporary name; either way its real name holds
// nothing until it is complete, and never replaces what appeared there.
TEST_F(CopierFixture, NewCopyGetsItsNameOnlyWhenCompleteAndNeverReplacesWhatAppears)
{
    for (const bool unnamed : { true, false }) {
        copier.UseUnnamedFiles(unnamed);
        const std::string from = dir.Write("src/a", std::string(600000, 'n'));
        const std::string to = dir / "dst/a";
        fs::remove_all(dir / "dst");
        fs::create_directory(dir / "dst");
        int chunks = 0;
        copier.OnChunk([&] {
            if (chunks++ != 0)
                return;
            EXPECT_FALSE(fs::exists(to)) << "the real name holds nothing until the copy is complete";
            const auto temporaries = Temporaries(dir / "dst");
            EXPECT_EQ(unnamed ? 0u : 1u, temporaries.size());
            if (!temporaries.empty()) {
                EXPECT_EQ(12u, temporaries[0].size());
            }
            dir.Write("dst/a", "appeared meanwhile");
        });
        EXPECT_EQ(EEXIST, copier.Copy(from, to, true));
        EXPECT_EQ("appeared meanwhile", TempDir::Read(to));
        EXPECT_EQ(std::vector<std::string> { "a" }, Names(dir / "dst"));
        copier.OnChunk({});
        // Nothing in the way: the complete copy takes the name.
        fs::remove(to);
        EXPECT_EQ(0, copier.Copy(from, to, true));
        EXPECT_EQ(std::string(600000, 'n'), TempDir::Read(to));
        EXPECT_EQ(std::vector<std::string> { "a" }, Names(dir / "dst"));
    }
}

// A user without the right to link a descriptor by itself names the copy
// through /proc; the copy keeps its mode and time either way.
TEST_F(CopierFixture, AnotherUserNamesNewCopiesToo)
{
    fs::create_directories(dir / "shared/dst");
    const std::string from = dir.Write("shared/src.txt", "their file");
    ASSERT_EQ(0, ::chmod(from.c_str(), 0640));
    SetTimes(from, 1600000000, 5);
    ASSERT_EQ(0, ::chown((dir / "shared").c_str(), kOtherUser, kOtherUser));
    ASSERT_EQ(0, ::chown((dir / "shared/dst").c_str(), kOtherUser, kOtherUser));
    ASSERT_EQ(0, ::chown(from.c_str(), kOtherUser, kOtherUser));
    // Names relative to the child's working folder: the folders above may
    // be closed to other users.
    const int result = RunAsOtherUser(dir / "shared", [] {
        CFileCopier theirs;
        return theirs.Copy("src.txt", "dst/copy.txt", true);
    });
    ASSERT_EQ(0, result);
    EXPECT_EQ("their file", TempDir::Read(dir / "shared/dst/copy.txt"));
    const struct stat st = StatOf(dir / "shared/dst/copy.txt");
    EXPECT_EQ(0640u, st.st_mode & 07777);
    EXPECT_EQ(1600000000, st.st_mtim.tv_sec);
    EXPECT_EQ(kOtherUser, st.st_uid);
    EXPECT_EQ(std::vector<std::string> { "copy.txt" }, Names(dir / "shared/dst"));
}

TEST_F(CopierFixture, CancelBetweenChunksDropsTheCopyAndKeepsTheOldFile)
{
    const std::string from = dir.Write("src/big", std::string(20 * 1024 * 1024, 'b'));
    const std::string to = dir.Write("dst/big", "old version");
    std::atomic<std::int32_t> cancel { 0 };
    copier.SetCancelFlag(&cancel);
    int chunks = 0;
    copier.OnChunk([&] {
        if (++chunks == 2)
            cancel = 1;
    });
    EXPECT_EQ(ECANCELED, copier.Copy(from, to, false));
    EXPECT_EQ(2, chunks) << "the copy stops at the next chunk, not at the end of the file";
    EXPECT_EQ("old version", TempDir::Read(to));
    EXPECT_EQ(ECANCELED, copier.Copy(from, dir / "dst/new", true));
    EXPECT_EQ(std::vector<std::string> { "big" }, Names(dir / "dst"));
}

TEST_F(CopierFixture, SparseFileKeepsItsHoles)
{
    const std::string from = dir / "sparse.img";
    const off_t size = 16 * 1024 * 1024;
    {
        const int fd = ::open(from.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(0, ::ftruncate(fd, size));
        const std::string data(4096, 'd');
        for (const off_t offset : { off_t(0), off_t(5) * 1024 * 1024, size - 8192 })
            ASSERT_EQ(4096, ::pwrite(fd, data.data(), data.size(), offset));
        ::close(fd);
    }
    ASSERT_EQ(0, copier.Copy(from, dir / "copy.img", true));
    const struct stat st = StatOf(dir / "copy.img");
    EXPECT_EQ(size, st.st_size);
    EXPECT_LT(st.st_blocks * 512, 256 * 1024) << "the holes were written out";
    EXPECT_TRUE(TempDir::Read(from) == TempDir::Read(dir / "copy.img"));

    // A trailing hole is kept too, and a replacement is sparse as well.
    const std::string tail = dir / "tail.img";
    dir.Write("tail.img", "head");
    ASSERT_EQ(0, ::truncate(tail.c_str(), size));
    ASSERT_EQ(0, copier.Copy(tail, dir / "copy.img", false));
    EXPECT_EQ(size, StatOf(dir / "copy.img").st_size);
    EXPECT_LT(StatOf(dir / "copy.img").st_blocks * 512, 256 * 1024);
    EXPECT_EQ("head", TempDir::Read(dir / "copy.img").substr(0, 4));
}

TEST_F(CopierFixture, ReadOnlyCopyIsReplacedWhenAllowedAndKeepsTheSourceMode)
{
    const std::string from = dir.Write("src/a", "new");
    ::chmod(from.c_str(), 0444);
    const std::string to = dir / "dst/a";
    fs::create_directory(dir / "dst");
    ASSERT_EQ(0, copier.Copy(from, to, true));
    EXPECT_EQ(0444u, StatOf(to).st_mode & 07777);
    ::chmod(from.c_str(), 0644);
    dir.Write("src/a", "newer");
    ::chmod(from.c_str(), 0555);
    EXPECT_EQ(EACCES, copier.Copy(from, to, false));
    copier.SetReplaceReadOnly(true);
    ASSERT_EQ(0, copier.Copy(from, to, false));
    EXPECT_EQ("newer", TempDir::Read(to));
    EXPECT_EQ(0555u, StatOf(to).st_mode & 07777);
}

TEST_F(CopierFixture, FileWhosePathIsNearTheLengthLimitIsReplaced)
{
    // Folders of 250 bytes up to about 4060 bytes, then a 24-byte name: the
    // whole path is 4090 bytes, a few short of the limit.
    std::string folder = dir.Path();
    while (folder.size() + 251 < 4060)
        folder += "/" + std::string(250, 'p');
    folder += "/" + std::string(4060 - folder.size() - 1, 'q');
    fs::create_directories(folder);
    const std::string to = folder + "/" + std::string(4090 - folder.size() - 1, 'n');
    ASSERT_EQ(4090u, to.size());
    const std::string from = dir.Write("src", "version 1");
    ASSERT_EQ(0, copier.Copy(from, to, true));
    dir.Write("src", "version two");
    ASSERT_EQ(0, copier.Copy(from, to, false));
    EXPECT_EQ("version two", TempDir::Read(to));
}

TEST_F(CopierFixture, StaleTemporaryIsRemovedOneBeingWrittenIsNot)
{
    EXPECT_TRUE(CFileCopier::IsTemporaryName(".~kv0123abcd"));
    EXPECT_TRUE(CFileCopier::IsTemporaryName(".~kv.report.pdf.89abcdef"));
    for (const char* name : { ".~kv0123ABCD", ".~kv0123abc", ".~kv0123abcde", "~kv0123abcd", ".~kv.x.0123abcg" })
        EXPECT_FALSE(CFileCopier::IsTemporaryName(name)) << name;

    dir.Write("f/.~kv00000001", "left by a killed run");
    dir.Write("f/.~kv00000002", "being written");
    fs::create_symlink("target", dir / "f/.~kv00000003");
    const int writer = ::open((dir / "f/.~kv00000002").c_str(), O_RDONLY);
    ASSERT_EQ(0, ::flock(writer, LOCK_EX));
    const int folder = ::open((dir / "f").c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_EQ(0, CFileCopier::RemoveIfStale(folder, ".~kv00000001"));
    EXPECT_EQ(EBUSY, CFileCopier::RemoveIfStale(folder, ".~kv00000002"));
    EXPECT_EQ(0, CFileCopier::RemoveIfStale(folder, ".~kv00000003"));
    EXPECT_EQ(std::vector<std::string> { ".~kv00000002" }, Names(dir / "f"));
    ::close(writer);
    EXPECT_EQ(0, CFileCopier::RemoveIfStale(folder, ".~kv00000002"));
    ::close(folder);
}

} // namespace

TEST_F(CopierFixture, BatchedReplacementsKeepTheOldFilesUntilPlacedThenTakeTheirNamesInOrder)
{
    copier.SetBatchReplacements(true);
    const std::string a = dir.Write("dst/a.txt", "old a");
    const std::string b = dir.Write("dst/b.txt", "old b");
    ASSERT_EQ(0, copier.Copy(dir.Write("src/b.txt", "new b"), b, false));
    ASSERT_EQ(0, copier.Copy(dir.Write("src/a.txt", "new a"), a, false));
    ASSERT_EQ(0, copier.Copy(dir.Write("src/c.txt", "new c"), dir / "dst/c.txt", false));
    EXPECT_EQ(2u, copier.WaitingCount()) << "a new file has nothing to lose and is placed at once";
    EXPECT_EQ("new c", TempDir::Read(dir / "dst/c.txt"));
    EXPECT_EQ("old a", TempDir::Read(a));
    EXPECT_EQ("old b", TempDir::Read(b));

    // The waiting copies are held: a scan must not take them for leftovers.
    const std::vector<std::string> names = Names(dir / "dst");
    ASSERT_EQ(5u, names.size());
    const int folder = ::open((dir / "dst").c_str(), O_RDONLY | O_DIRECTORY);
    for (const std::string& name : names) {
        if (CFileCopier::IsTemporaryName(name)) {
            EXPECT_EQ(EBUSY, CFileCopier::RemoveIfStale(folder, name));
        }
    }
    ::close(folder);

    std::vector<std::string> placed;
    copier.PlaceReplacements([&](const std::string& from, const std::string& to, int error) {
        EXPECT_EQ(0, error);
        placed.push_back(fs::path(from).filename().string() + ">" + to);
    });
    EXPECT_EQ((std::vector<std::string> { "b.txt>" + b, "a.txt>" + a }), placed);
    EXPECT_EQ("new a", TempDir::Read(a));
    EXPECT_EQ("new b", TempDir::Read(b));
    EXPECT_EQ((std::vector<std::string> { "a.txt", "b.txt", "c.txt" }), Names(dir / "dst"));
    EXPECT_EQ(0u, copier.WaitingCount());
}

TEST_F(CopierFixture, ReplacementsNeverPlacedLeaveTheOldFilesAndNoTemporary)
{
    const std::string a = dir.Write("dst/a.txt", "old a");
    {
        CFileCopier batching;
        batching.SetBatchReplacements(true);
        ASSERT_EQ(0, batching.Copy(dir.Write("src/a.txt", "new a"), a, false));
    }
    EXPECT_EQ("old a", TempDir::Read(a));
    EXPECT_EQ(std::vector<std::string> { "a.txt" }, Names(dir / "dst"));
}

// A waiting replacement lies in the folder it was made in and takes its
// name there, wherever that folder went: never in whatever now has the
// folder's old path, which may be a link to anywhere.
TEST_F(CopierFixture, AReplacementTakesItsNameInTheFolderItWasMadeIn)
{
    copier.SetBatchReplacements(true);
    const std::string a = dir.Write("dst/sub/a.txt", "old a");
    ASSERT_EQ(0, copier.Copy(dir.Write("src/a.txt", "new a"), a, false));
    fs::rename(dir / "dst/sub", dir / "moved");
    dir.Write("elsewhere/a.txt", "not ours");
    fs::create_directory_symlink(dir / "elsewhere", dir / "dst/sub");
    int reported = -1;
    copier.PlaceReplacements([&](const std::string&, const std::string&, int error) { reported = error; });
    EXPECT_EQ(0, reported);
    EXPECT_EQ("new a", TempDir::Read(dir / "moved/a.txt"));
    EXPECT_EQ("not ours", TempDir::Read(dir / "elsewhere/a.txt"));

    // A folder in the way of the name: reported, and nothing replaced.
    ASSERT_EQ(0, copier.Copy(dir / "src/a.txt", dir / "moved/a.txt", false));
    fs::remove(dir / "moved/a.txt");
    dir.Write("moved/a.txt/inner", "in the way");
    copier.PlaceReplacements([&](const std::string&, const std::string&, int error) { reported = error; });
    EXPECT_EQ(EISDIR, reported);
    EXPECT_EQ("in the way", TempDir::Read(dir / "moved/a.txt/inner"));
}

// A file rewritten in place while it is read is read once more; when it
// keeps moving, its copy does not take the source's time, so that the next
// run copies it again instead of keeping a copy that is no version of it.
TEST_F(CopierFixture, AFileChangingDuringItsCopyIsCopiedAgainOrNotStampedWithItsTime)
{
    const std::string from = dir.Write("src/log", std::string(600000, 'a'));
    const timespec old[2] = { { 1'600'000'000, 0 }, { 1'600'000'000, 0 } };
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, from.c_str(), old, 0));
    fs::create_directory(dir / "dst");
    const auto rewrite = [&](char c) {
        const int fd = ::open(from.c_str(), O_WRONLY);
        const std::string bytes(600000, c);
        EXPECT_EQ(600000, ::pwrite(fd, bytes.data(), bytes.size(), 0));
        ::close(fd);
        // The writer puts the old time back, as some tools do.
        ::utimensat(AT_FDCWD, from.c_str(), old, 0);
    };
    int chunks = 0;
    copier.OnChunk([&] {
        if (chunks++ == 0)
            rewrite('b');
    });
    EXPECT_EQ(0, copier.Copy(from, dir / "dst/once", true));
    EXPECT_EQ(std::string(600000, 'b'), TempDir::Read(dir / "dst/once"));
    EXPECT_EQ(1'600'000'000, StatOf(dir / "dst/once").st_mtim.tv_sec);

    char next = 'c';
    copier.OnChunk([&] { rewrite(next++); });
    EXPECT_EQ(kChangedDuringCopy, copier.Copy(from, dir / "dst/always", true));
    EXPECT_NE(1'600'000'000, StatOf(dir / "dst/always").st_mtim.tv_sec);
}
