#pragma once

#include <string>

// The media check before an action: which mount point must be present for a
// folder to be reachable, and whether it is mounted now. Removable and
// network media are the mount points listed in /etc/fstab and the desktop's
// /media/<user>/<name> and /run/media/<user>/<name>; every other folder lies
// on the root file system, whose root is "/".
class CMediaRoot {
public:
    // The paths of the tables can be replaced (tests).
    explicit CMediaRoot(std::string fstabPath = "/etc/fstab", std::string mountInfoPath = "/proc/self/mountinfo");

    // The deepest such mount point holding path (an absolute folder), else "/".
    std::string RootOf(const std::string& path) const;
    // "/" always is; any other root when it is mounted now.
    bool IsAvailable(const std::string& root) const;

private:
    std::string m_fstabPath;
    std::string m_mountInfoPath;
};
