#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the mounted file systems tell about a path: the drive type (the
// numbers of Windows' drive types, which the display names use) and the
// volume flags the copy worker tests.
class CMountTable {
public:
    enum DriveType : int {
        DriveUnknown = 0,
        DriveNoRoot = 1,
        DriveRemovable = 2,
        DriveFixed = 3,
        DriveRemote = 4,
        DriveCdRom = 5,
        DriveRam = 6,
    };
    static constexpr std::uint32_t kPersistentAcls = 0x8;
    static constexpr std::uint32_t kFileCompression = 0x10;

    // From /proc/self/mountinfo, the file system type and /sys/block/*/removable.
    static int GetDriveType(const std::string& path);
    // 0x8 when the file system of path (or of its nearest existing parent)
    // keeps POSIX ACLs, 0x10 when it can compress files (btrfs).
    static std::uint32_t VolumeFlags(const std::string& path);

    // True when path (or its nearest existing parent) lies on a file system
    // that keeps modification times in 2-second steps (the FAT family), where
    // a copy's time may differ from its original's by up to 2 seconds.
    static bool HasTwoSecondTimes(const std::string& path, const std::string& mountInfo = kMountInfo);
    // The mount points, each ending in '/', of the kernel's pseudo file
    // systems (proc, sysfs, devtmpfs, cgroup, ...): no scan enters them, as
    // they hold no user data and reading some of them never ends.
    static std::vector<std::string> PseudoMountPoints(const std::string& mountInfo = kMountInfo);

    static constexpr const char* kMountInfo = "/proc/self/mountinfo";
};
