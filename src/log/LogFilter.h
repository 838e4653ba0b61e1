#pragma once

#include "log/LogReader.h"

#include <cstdint>
#include <ctime>

// Which records of the activity log the viewer shows: by event type, by
// action and by age. Type and action values other than the known ones pass
// whatever the check boxes say.
struct LogFilter {
    // The units of "Display last": hours, days, weeks, months of 30 days.
    static constexpr std::uint32_t kUnitSeconds[4] = { 3600, 86400, 604800, 2592000 };

    bool Errors = true;
    bool User = true;
    bool Scheduled = true;
    bool Backup = true;
    bool Restore = true;
    bool DisplayLast = false;
    // Records written before it are hidden while DisplayLast is set.
    std::uint32_t CutOff = 0;

    bool Passes(const LogEntry& entry) const;

    // now less number units (unit 0..3 as kUnitSeconds), in the 32-bit
    // seconds the records carry; 0 rather than a wrapped value for a span
    // reaching back before 1970.
    static std::uint32_t CutOffFor(std::time_t now, int number, int unit);
};
