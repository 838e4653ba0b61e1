#include "log/LogFilter.h"

#include "log/ActivityLog.h"

#include <algorithm>

bool LogFilter::Passes(const LogEntry& entry) const
{
    if ((entry.Type == LogUser && !User) || (entry.Type == LogScheduled && !Scheduled)
        || (entry.Type == LogError && !Errors))
        return false;
    if ((entry.Action == 0 && !Backup) || (entry.Action == 1 && !Restore))
        return false;
    return !DisplayLast || entry.Time() >= CutOff;
}

std::uint32_t LogFilter::CutOffFor(std::time_t now, int number, int unit)
{
    const std::int64_t seconds = kUnitSeconds[std::clamp(unit, 0, 3)];
    const std::int64_t cutOff = static_cast<std::int64_t>(now) - std::max(number, 0) * seconds;
    return static_cast<std::uint32_t>(std::max<std::int64_t>(cutOff, 0));
}
