#include "platform/MediaRoot.h"

#include "common/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(MediaRootTest, RootIsTheDeepestListedMountPointElseTheSystemRoot)
{
    TempDir tmp;
    tmp.Write("fstab",
        "# /etc/fstab\n"
        "UUID=1 / ext4 defaults 0 1\n"
        "UUID=2 /mnt/backup ext4 noauto 0 0\n"
        "UUID=3 /mnt/backup/nested xfs noauto 0 0\n"
        "//server/share /mnt/My\\040Share cifs noauto 0 0\n"
        "   # indented comment /mnt/commented\n"
        "/swapfile none swap sw 0 0\n");
    const CMediaRoot media(tmp / "fstab", tmp / "mountinfo");
    EXPECT_EQ(media.RootOf("/mnt/backup/daily"), "/mnt/backup");
    EXPECT_EQ(media.RootOf("/mnt/backup"), "/mnt/backup");
    EXPECT_EQ(media.RootOf("/mnt/backup/nested/x/"), "/mnt/backup/nested");
    EXPECT_EQ(media.RootOf("/mnt/backupdisk/x"), "/") << "a mount point is a whole path component";
    EXPECT_EQ(media.RootOf("/mnt/My Share/docs"), "/mnt/My Share");
    EXPECT_EQ(media.RootOf("/mnt/commented/x"), "/");
    EXPECT_EQ(media.RootOf("/home/me/backup"), "/");
    EXPECT_EQ(media.RootOf("/media/me/USB STICK/backup/2026"), "/media/me/USB STICK");
    EXPECT_EQ(media.RootOf("/run/media/me/disk"), "/run/media/me/disk");
    EXPECT_EQ(media.RootOf("/media/me"), "/");
    EXPECT_EQ(media.RootOf(""), "/");
}

TEST(MediaRootTest, AvailableWhenMountedNow)
{
    TempDir tmp;
    tmp.Write("mountinfo",
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 8:17 / /media/me/USB\\040STICK rw - vfat /dev/sdb1 rw\n");
    const CMediaRoot media(tmp / "fstab", tmp / "mountinfo");
    EXPECT_TRUE(media.IsAvailable("/"));
    EXPECT_TRUE(media.IsAvailable("/media/me/USB STICK"));
    EXPECT_FALSE(media.IsAvailable("/media/me/Other"));
    EXPECT_FALSE(media.IsAvailable("/media/me"));
    // Without a readable table only the system root is there.
    const CMediaRoot none(tmp / "nothing", tmp / "nothing");
    EXPECT_FALSE(none.IsAvailable("/mnt/backup"));
    EXPECT_TRUE(none.IsAvailable("/"));
}

} // namespace
