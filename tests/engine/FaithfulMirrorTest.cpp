// A backup and a restore give back the tree as it was: types, modes,
// sizes, times of files and folders, contents, holes and extended attributes.
#include "common/TreeDigest.h"
#include "engine/EngineFixture.h"

#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void SetTime(const std::string& path, std::time_t seconds, long nanoseconds = 0)
{
    const timespec times[2] = { { seconds, nanoseconds }, { seconds, nanoseconds } };
    ASSERT_EQ(0, ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW)) << path;
}

std::int64_t AllocatedBytes(const std::string& path)
{
    struct stat st { };
    ::lstat(path.c_str(), &st);
    return static_cast<std::int64_t>(st.st_blocks) * 512;
}

class Mirror : public EngineFixture {
protected:
    void MakeTree()
    {
        Write("plain.txt", "plain", 1'600'000'001);
        Write("read only.txt", "cannot change me", 1'600'000'002);
        ::chmod(Src("read only.txt").c_str(), 0444);
        Write("run.sh", "#!/bin/sh\necho hi\n", 1'600'000'003);
        ::chmod(Src("run.sh").c_str(), 0755);
        Write("it's \"quoted\" & spaced.txt", "quotes", 1'600'000'004);
        Write("caf\xc3\xa9/na\xc3\xafve \xff\xfe.bin", std::string(3000, '\xff'), 1'600'000'005);
        Write("a/b/c/deep.txt", "deep", 1'600'000'006);
        Write("ro folder/inside.txt", "inside", 1'600'000'007);
        fs::create_directories(Src("empty folder"));
        fs::create_directories(Src("links"));
        fs::create_symlink("../plain.txt", Src("links/relative"));
        fs::create_symlink("nowhere", Src("links/dangling"));
        SetTime(Src("links/relative"), 1'500'000'000, 5);
        MakeSparse("disk.img");
        ::chmod(Src("empty folder").c_str(), 0700);
        ::chmod(Src("a/b").c_str(), 0750);
        // Folder times last, deepest first, each with its own nanoseconds.
        long n = 11;
        for (const char* folder : { "a/b/c", "a/b", "a", "caf\xc3\xa9", "ro folder", "empty folder", "links", "" })
            SetTime(Src(folder), 1'400'000'000 + n, n * 1000 + 7), ++n;
        ::chmod(Src("ro folder").c_str(), 0555);
    }

    void MakeSparse(const std::string& rel)
    {
        const std::string path = Src(rel);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0640);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(0, ::ftruncate(fd, kSparseSize));
        ASSERT_EQ(4096, ::pwrite(fd, std::string(4096, 's').data(), 4096, kSparseSize / 2));
        ::close(fd);
        SetTime(path, 1'600'000'009);
    }

    static constexpr off_t kSparseSize = 64 * 1024 * 1024;
};

TEST_F(Mirror, BackupThenRestoreGivesBackTheWholeTree)
{
    MakeTree();
    const auto original = TreeDigest(Src());
    ASSERT_EQ(18u, original.size());

    Run(0);
    EXPECT_EQ(original, TreeDigest(Root()));
    EXPECT_LT(AllocatedBytes(Root("disk.img")), 1024 * 1024) << "the sparse file filled its holes";

    // Nothing to do: nothing changes, folder times included.
    auto again = Run(0);
    EXPECT_TRUE(again->AddedFiles.empty() && again->UpdatedFiles.empty());
    EXPECT_EQ(original, TreeDigest(Root()));

    ::chmod(Src("ro folder").c_str(), 0755);
    fs::remove_all(Src());
    auto restore = Run(1);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(original, TreeDigest(Src()));
    EXPECT_LT(AllocatedBytes(Src("disk.img")), 1024 * 1024);
}

TEST_F(Mirror, ChangesInsideReadOnlyFoldersAndCopiesAreBackedUpWithTheirTimes)
{
    MakeTree();
    Run(0);
    ::chmod(Src("ro folder").c_str(), 0755);
    Write("ro folder/new.txt", "new", 1'600'000'100);
    ::chmod(Src("read only.txt").c_str(), 0644);
    Write("read only.txt", "changed, read-only again", 1'600'000'101);
    ::chmod(Src("read only.txt").c_str(), 0444);
    settings.Actions.BackupDelete = 1;
    fs::remove(Src("a/b/c/deep.txt"));
    SetTime(Src("ro folder"), 1'450'000'000, 1);
    SetTime(Src("a/b/c"), 1'450'000'000, 2);
    ::chmod(Src("ro folder").c_str(), 0555);
    auto run = Run(0);
    EXPECT_EQ(1u, run->AddedFiles.size());
    EXPECT_EQ(1u, run->UpdatedFiles.size());
    EXPECT_EQ(1u, run->DeletedFiles.size());
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(TreeDigest(Src()), TreeDigest(Root()));
}

TEST_F(Mirror, ExtendedAttributesTravelWithFileSecurity)
{
    Write("tagged.txt", "x");
    ASSERT_EQ(0, ::setxattr(Src("tagged.txt").c_str(), "user.tag", "blue", 4, 0));
    Write("sub/f", "y");
    ASSERT_EQ(0, ::setxattr(Src("sub").c_str(), "user.tag", "green", 5, 0));
    settings.Actions.BackupSecurity = 1;
    CSet set = MakeSet(0);
    Scan(set);
    scans[0].SourceVolumeFlags = scans[0].DestinationVolumeFlags = 0x8;
    RunSet(set, false);
    char value[16] = {};
    EXPECT_EQ(4, ::getxattr(Root("tagged.txt").c_str(), "user.tag", value, sizeof value));
    EXPECT_STREQ("blue", value);
    EXPECT_EQ(5, ::getxattr(Root("sub").c_str(), "user.tag", value, sizeof value));

    // Without the setting, none are copied.
    settings.Actions.BackupSecurity = 0;
    fs::remove_all(Root());
    Run(0);
    EXPECT_LT(::getxattr(Root("tagged.txt").c_str(), "user.tag", value, sizeof value), 0);
}

TEST_F(Mirror, StopDuringALargeFileEndsTheRunAtOnceAndLeavesNoTrace)
{
    Write("big.bin", std::string(24 * 1024 * 1024, 'b'));
    Write("small.txt", "s");
    int chunks = 0;
    beforeStart = [&](CProgressWorker& worker) {
        worker.Copier().OnChunk([&] {
            if (++chunks == 2)
                cancel = 1;
        });
    };
    auto run = Run(0);
    EXPECT_EQ(2, chunks);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(0, run->FailedItems.load());
    EXPECT_TRUE(run->ProcessedFiles.empty());
    EXPECT_TRUE(run->AddedFiles.empty());
    EXPECT_TRUE(fs::is_empty(Root())) << "no copy and no temporary file";
    EXPECT_EQ(std::string::npos, LogText().find("error"));
}

} // namespace
