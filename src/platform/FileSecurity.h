#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The security data of a file or folder: owner, group, mode bits, the
// POSIX access and default ACLs, and the extended attributes of the user and
// security namespaces. Read from one item and written to another
// when a backup or restore carries security over.
class CFileSecurity {
public:
    // 0 or an errno value. Links carry only owner and group.
    int Read(const std::string& path);
    int Write(const std::string& path) const;

private:
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
