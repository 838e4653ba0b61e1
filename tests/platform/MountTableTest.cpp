#include "platform/MountTable.h"

#include "common/TempDir.h"

#include <gtest/gtest.h>
#include <sys/statfs.h>
#include <sys/xattr.h>

TEST(MountTable, DriveTypes)
{
    EXPECT_EQ(CMountTable::GetDriveType("/"), CMountTable::DriveFixed);
    EXPECT_EQ(CMountTable::GetDriveType("/no/such/folder"), CMountTable::DriveNoRoot);
    EXPECT_EQ(CMountTable::GetDriveType(""), CMountTable::DriveNoRoot);
    EXPECT_EQ(CMountTable::GetDriveType("/dev/shm"), CMountTable::DriveRam);
    EXPECT_EQ(CMountTable::GetDriveType("/proc/self/.."), CMountTable::DriveFixed);
}

TEST(MountTable, VolumeFlagsFollowTheFileSystemAndMissingFoldersUseTheirParent)
{
    TempDir dir;
    const bool acls = getxattr(dir.Path().c_str(), "system.posix_acl_access", nullptr, 0) >= 0 || errno == ENODATA;
    struct statfs fs { };
    ASSERT_EQ(statfs(dir.Path().c_str(), &fs), 0);
    const bool btrfs = fs.f_type == 0x9123683E;
    const std::uint32_t expected = (acls ? 0x8u : 0u) | (btrfs ? 0x10u : 0u);
    EXPECT_EQ(CMountTable::VolumeFlags(dir.Path()), expected);
    EXPECT_EQ(CMountTable::VolumeFlags(dir / "not/yet/made/"), expected);
}
