#include "platform/FileSystemSync.h"

#include "common/LoopMount.h"
#include "common/TempDir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The error of writes that never reached the disk comes back from the
// sync; a folder that is not there has nothing to sync.
TEST(FileSystemSyncTest, LostWritesAreReportedOncePerFileSystem)
{
    TempDir dir;
    fs::create_directories(dir / "mnt");
    LoopMount disk(dir / "disk.img", dir / "mnt", "32M");
    if (!disk.Mounted())
        GTEST_SKIP() << disk.SkipReason();
    dir.Write("mnt/a/new.txt", "new");
    CFileSystemSync sync;
    EXPECT_EQ(0, sync.Sync(dir / "mnt/a"));
    EXPECT_EQ(ENOENT, sync.Sync(dir / "mnt/gone"));

    dir.Write("mnt/b/late.txt", "late");
    ASSERT_TRUE(disk.CutPower());
    CFileSystemSync later;
    EXPECT_EQ(EIO, later.Sync(dir / "mnt/b"));
    EXPECT_EQ(0, later.Sync(dir / "mnt/a")) << "one file system is synced, and reported, once";
    EXPECT_EQ(0, later.Sync(dir.Path())) << "another file system is synced on its own";
}

} // namespace
