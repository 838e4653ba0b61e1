#pragma once

#include "core/VersionSettings.h"

#include <cstdint>
#include <optional>
#include <string>

// What a version area keeps of its last pruning, in a small file of its own
// (".korvane-versions/.pruned", passed over by the readers and the pruner as
// any name that is no stamp folder): when it was pruned, by which rules, and
// the space it took afterwards. Age rules count in whole days and the count
// rule lets a version go only after a run set one aside, so an area pruned
// today by the same rules, with nothing set aside since, would lose nothing
// to another walk. A run drops the record before it sets anything aside in
// the area, so a record always describes the area as it is.
class CPruneRecord {
public:
    static constexpr const char* kName = ".pruned";

    // The record in the area of backupFolder: ENOENT when there is none,
    // EINVAL when it cannot be understood, or another errno value.
    static int Read(const std::string& backupFolder, CPruneRecord& record);
    // Replaces the record in the area of backupFolder in one step.
    int Write(const std::string& backupFolder) const;
    // Removes the record; 0 also when there was none.
    static int Drop(const std::string& backupFolder);

    // Whether the area needs no pruning by settings at now (wall clock,
    // CWallClock::FromEpoch): pruned the same calendar day, by the same
    // rules. A record of another day, later ones too (the clock was set
    // back), does not spare the walk.
    bool Covers(const CVersionSettings& settings, std::int64_t now) const;
    // The rules of settings that decide what pruning keeps, as recorded.
    static std::string RulesOf(const CVersionSettings& settings);

    std::string Text() const;
    // Takes a record's text whole; empty for anything else.
    static std::optional<CPruneRecord> Parse(const std::string& text);

    std::int64_t PrunedAt = 0; // wall clock
    std::string Rules;
    std::uint64_t Bytes = 0; // the area's space once pruned
};
