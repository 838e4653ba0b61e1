#include "platform/MountTable.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <vector>

namespace {

constexpr long kBtrfsMagic = 0x9123683E;

struct Mount {
    std::string Point;
    std::string Type;
    std::string Device; // major:minor
};

// mountinfo writes space, tab, newline and backslash as octal escapes.
std::string Unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string digits = text.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::strtol(digits.c_str(), nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

bool ParseLine(const std::string& line, Mount& mount)
{
    std::istringstream in(line);
    std::string id, parent, root, options, field;
    if (!(in >> id >> parent >> mount.Device >> root >> mount.Point >> options))
        return false;
    while (in >> field && field != "-") { }
    if (!(in >> mount.Type))
        return false;
    mount.Point = Unescape(mount.Point);
    return true;
}

bool IsBelow(const std::string& path, const std::string& point)
{
    if (point == "/")
        return !path.empty() && path[0] == '/';
    return path.compare(0, point.size(), point) == 0 && (path.size() == point.size() || path[point.size()] == '/');
}

// The mount that holds path: the last listed of the longest matching points,
// as a later mount over the same point hides the earlier one.
bool FindMount(const std::string& path, Mount& found, const std::string& mountInfo = CMountTable::kMountInfo)
{
    std::ifstream in(mountInfo);
    std::string line;
    bool any = false;
    while (std::getline(in, line)) {
        Mount mount;
        if (!ParseLine(line, mount) || !IsBelow(path, mount.Point))
            continue;
        if (!any || mount.Point.size() >= found.Point.size()) {
            found = mount;
            any = true;
        }
    }
    return any;
}

bool IsOneOf(const std::string& type, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        if (type == name)
            return true;
    }
    return false;
}

bool IsRemovableDevice(const std::string& device)
{
    char resolved[PATH_MAX];
    if (!realpath(("/sys/dev/block/" + device).c_str(), resolved))
        return false;
    std::string dir = resolved;
    struct stat st { };
    // A partition's removable flag sits with its whole disk, one folder up.
    if (stat((dir + "/partition").c_str(), &st) == 0)
        dir = dir.substr(0, dir.find_last_of('/'));
    std::ifstream in(dir + "/removable");
    int removable = 0;
    return (in >> removable) && removable == 1;
}

bool IsTwoSecondType(const std::string& type)
{
    // fuseblk is either ntfs-3g or exfat-fuse; taking it for FAT only keeps
    // the tolerance NTFS would not need.
    return IsOneOf(type, { "vfat", "msdos", "fat", "umsdos", "exfat", "fuse.exfat", "fuseblk" });
}

bool IsPseudoType(const std::string& type)
{
    return IsOneOf(type,
        { "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "tracefs", "debugfs", "securityfs", "pstore",
            "bpf", "configfs", "fusectl", "mqueue", "hugetlbfs", "binfmt_misc", "efivarfs", "autofs", "rpc_pipefs",
            "nsfs", "selinuxfs", "nfsd", "cpuset", "sockfs", "pipefs", "usbfs", "xenfs" });
}

std::string WithSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

int ClassifyMount(const Mount& mount)
{
    const std::string& type = mount.Type;
    if (IsOneOf(type, { "nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "sshfs", "9p", "afs", "ceph" }))
        return CMountTable::DriveRemote;
    if (IsOneOf(type, { "iso9660", "udf" }))
        return CMountTable::DriveCdRom;
    if (IsOneOf(type, { "tmpfs", "ramfs" }))
        return CMountTable::DriveRam;
    if (IsRemovableDevice(mount.Device))
        return CMountTable::DriveRemovable;
    return CMountTable::DriveFixed;
}

std::string AbsolutePath(const std::string& path)
{
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved))
        return resolved;
    return path;
}

std::string NearestExisting(std::string path)
{
    struct stat st { };
    while (!path.empty() && stat(path.c_str(), &st) != 0) {
        const auto slash = path.find_last_of('/');
        if (slash == std::string::npos || slash == 0)
            return "/";
        path.erase(slash);
    }
    return path.empty() ? "/" : path;
}

bool KeepsAcls(const std::string& path)
{
    if (getxattr(path.c_str(), "system.posix_acl_access", nullptr, 0) >= 0)
        return true;
    return errno == ENODATA;
}

} // namespace

int CMountTable::GetDriveType(const std::string& path)
{
    struct stat st { };
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return DriveNoRoot;
    Mount mount;
    if (!FindMount(AbsolutePath(path), mount))
        return DriveUnknown;
    return ClassifyMount(mount);
}

std::uint32_t CMountTable::VolumeFlags(const std::string& path)
{
    const std::string existing = NearestExisting(path);
    std::uint32_t flags = 0;
    if (KeepsAcls(existing))
        flags |= kPersistentAcls;
    struct statfs fs { };
    if (statfs(existing.c_str(), &fs) == 0 && static_cast<long>(fs.f_type) == kBtrfsMagic)
        flags |= kFileCompression;
    return flags;
}

bool CMountTable::HasTwoSecondTimes(const std::string& path, const std::string& mountInfo)
{
    Mount mount;
    return FindMount(AbsolutePath(NearestExisting(path)), mount, mountInfo) && IsTwoSecondType(mount.Type);
}

std::vector<std::string> CMountTable::PseudoMountPoints(const std::string& mountInfo)
{
    // A later mount over the same point hides the earlier one, so the last
    // listed at each point decides.
    std::map<std::string, bool> pseudo;
    std::ifstream in(mountInfo);
    std::string line;
    while (std::getline(in, line)) {
        Mount mount;
        if (ParseLine(line, mount))
            pseudo[WithSlash(mount.Point)] = IsPseudoType(mount.Type);
    }
    std::vector<std::string> points;
    for (const auto& [point, isPseudo] : pseudo) {
        if (isPseudo)
            points.push_back(point);
    }
    return points;
}
