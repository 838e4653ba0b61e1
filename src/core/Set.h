#pragma once

#include "core/Backup.h"
#include "core/Scheduler.h"
#include "core/VersionSettings.h"

#include <cstdint>
#include <deque>
#include <string>

// A named backup set: its folder entries, the action last chosen for it, its
// schedule and what it keeps of replaced and deleted files.
class CSet {
public:
    CSet() = default;
    CSet(const CSet& other);
    CSet& operator=(const CSet& other);
    virtual ~CSet() = default;

    // Name, schedule, version settings and entries are equal; ActiveAction and
    // LastDestinationFolder are not compared.
    bool IsSameContent(const CSet& other) const;

    std::string Name;
    std::int32_t ActiveAction = 0; // 0 Backup, 1 Restore
    std::string LastDestinationFolder;
    CScheduler Schedule;
    CVersionSettings Versions;
    // A deque keeps entries in place while more are appended, so a running
    // statistics pass never sees its entry move.
    std::deque<CBackup> Entries;
};
