#pragma once

#include "platform/fs/DirHandle.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The security data of a file or folder: owner, group, mode bits, the
// POSIX access and default ACLs, and the extended attributes of the user and
// security namespaces. Read from one item and written to another
// when a backup or restore carries security over.
struct stat;

class CFileSecurity {
public:
    // 0 or an errno value. Links carry only owner and group. An item is
    // read and written through the descriptor it was opened as, never
    // followed when a link.
    int Read(const std::string& path);
    int Write(const std::string& path) const;
    // The item `name` of an open folder ("" for the folder itself).
    int ReadAt(const CDirHandle& folder, const std::string& name);
    int WriteAt(const CDirHandle& folder, const std::string& name) const;
    // An open file or folder (not O_PATH).
    int ReadFd(int fd);
    int WriteFd(int fd) const;
    bool IsLink() const { return m_isLink; }

private:
    void TakeStat(const struct stat& st);

    std::uint32_t m_uid = 0;
    std::uint32_t m_gid = 0;
    std::uint32_t m_mode = 0;
    bool m_isLink = false;
    bool m_isFolder = false;
    // ACLs in libacl's external form; empty when the item has none beyond
    // its mode bits.
    std::vector<char> m_access;
    std::vector<char> m_default;
    // Name and value of each extended attribute carried over.
    std::vector<std::pair<std::string, std::string>> m_attributes;
};
