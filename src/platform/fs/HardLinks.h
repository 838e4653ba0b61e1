#pragma once

#include "platform/fs/ItemAt.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

// The copies made of files with more than one name, so that the later names
// of a file become links to its first copy, as they were in the source.
// Only files with several links are remembered. Copies run on several
// threads: a later name waits for the first name's copy to be placed.
class CHardLinks {
public:
    struct Copy {
        ItemAt item; // where the first name's copy lies
        std::uint64_t device = 0; // of the copy, to know it is still the one made
        std::uint64_t inode = 0;
    };

    // True when the caller is the first of the file (device, inode) and
    // copies it, then calls Placed or Dropped. Otherwise waits until the
    // first one's copy is settled: first is that copy, or empty (no folder)
    // when it was dropped and the caller copies on its own.
    // A group's entry is never erased before Clear: waiters refer to it.
    bool Claim(std::uint64_t device, std::uint64_t inode, Copy& first);
    void Placed(std::uint64_t device, std::uint64_t inode, Copy copy);
    void Dropped(std::uint64_t device, std::uint64_t inode);
    // Groups are kept within one folder entry.
    void Clear();

private:
    struct Group {
        bool settled = false;
        Copy copy;
    };
    std::map<std::pair<std::uint64_t, std::uint64_t>, Group> m_groups;
    std::mutex m_mutex;
    std::condition_variable m_settled;
};
