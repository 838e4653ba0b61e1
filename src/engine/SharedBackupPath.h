#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>

class CSet;

// Two entries of a set whose backups would share a folder: both map to the
// same backup root (sources of the same last name backed up into the same
// folder), or the root of one lies inside the root of the other.
struct SharedBackupPath {
    std::size_t First = 0; // the entry whose root holds the other's, or the earlier one
    std::size_t Second = 0;
    std::string Folder; // the root of Second, expanded
};

// Looks for such a pair among the entries of set, with the path tags
// expanded for the instant now. Entries that name no source or no backup
// folder take part in no run and are left out.
std::optional<SharedBackupPath> FindSharedBackupPath(const CSet& set, std::time_t now);
