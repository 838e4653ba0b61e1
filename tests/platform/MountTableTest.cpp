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

namespace {

std::string MountInfo(const TempDir& dir, const std::string& lines)
{
    return dir.Write("mountinfo", lines);
}

} // namespace

TEST(MountTable, PseudoMountPointsComeFromTheTableAndALaterMountHidesAnEarlierOne)
{
    TempDir dir;
    const std::string table = MountInfo(dir,
        "22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
        "23 1 0:22 / /sys rw - sysfs sysfs rw\n"
        "24 23 0:23 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
        "25 1 0:5 / /dev rw - devtmpfs udev rw\n"
        "26 25 0:24 / /dev/pts rw - devpts devpts rw\n"
        "27 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "28 1 0:25 / /mnt/odd\\040name rw - tracefs tracefs rw\n"
        "29 1 0:26 / /srv/data rw - debugfs debugfs rw\n"
        "30 1 8:2 / /srv/data rw - xfs /dev/sda2 rw\n"
        "31 1 0:27 / /run rw - tmpfs tmpfs rw\n");
    EXPECT_EQ(CMountTable::PseudoMountPoints(table),
        (std::vector<std::string> { "/dev/", "/dev/pts/", "/mnt/odd name/", "/proc/", "/sys/", "/sys/fs/cgroup/" }));
}

TEST(MountTable, TwoSecondTimesOnlyOnTheFatFamily)
{
    TempDir dir;
    const std::string root = dir.Path();
    const std::string table = MountInfo(dir,
        "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "2 1 8:17 / "
            + root
            + "/stick rw - vfat /dev/sdb1 rw\n"
              "3 1 8:33 / "
            + root + "/card rw - exfat /dev/sdc1 rw\n");
    dir.Write("stick/a.txt", "x");
    dir.Write("card/.keep", "");
    EXPECT_TRUE(CMountTable::HasTwoSecondTimes(root + "/stick/a.txt", table));
    EXPECT_TRUE(CMountTable::HasTwoSecondTimes(root + "/card/not/made/yet", table));
    EXPECT_FALSE(CMountTable::HasTwoSecondTimes(root + "/elsewhere", table));
    EXPECT_FALSE(CMountTable::HasTwoSecondTimes(root, table));
}
