#include "scheduler/RunStatus.h"

#include "core/Scheduler.h"
#include "scheduler/DueTimes.h"

namespace {

constexpr const char* kSeparator = " \xC2\xB7 "; // a middle dot between spaces

// The reference time moved on by two of the schedule's intervals; months
// step on the calendar, so two months from 31 December is the end of
// February rather than a fixed count of days.
std::int64_t TwoIntervalsAfter(std::int64_t from, std::int32_t condition)
{
    switch (condition) {
    case 0:
        return from + 2 * 3600;
    case 1:
        return from + 2 * 86400;
    case 2:
        return from + 2 * 604800;
    case 3: {
        const std::time_t start = static_cast<std::time_t>(from);
        std::tm fields {};
        localtime_r(&start, &fields);
        fields.tm_mon += 2;
        fields.tm_isdst = -1;
        return std::mktime(&fields);
    }
    default:
        return 0;
    }
}

std::int64_t ReferenceOf(const CRunHistory::Record& record)
{
    return record.LastSuccess != 0 ? record.LastSuccess : record.FailingSince;
}

} // namespace

bool RunStatus::IsOverdue(const std::optional<CRunHistory::Record>& record, const CScheduler& schedule,
    bool schedulerActive, std::time_t now)
{
    if (!schedulerActive || !schedule.Active || !record)
        return false;
    const std::int64_t reference = ReferenceOf(*record);
    if (reference == 0)
        return false;
    const std::int64_t deadline = TwoIntervalsAfter(reference, schedule.Condition);
    return deadline != 0 && now > deadline;
}

RunStatus RunStatus::Of(const std::optional<CRunHistory::Record>& record, const CScheduler& schedule,
    bool schedulerActive, std::time_t now)
{
    RunStatus status;
    status.Record = record;
    if (schedulerActive && schedule.Active) {
        CScheduler times = schedule;
        ComputeDueTimes(times, now);
        status.NextDue = times.NextDue;
    }
    status.Overdue = IsOverdue(record, schedule, schedulerActive, now);
    if (record)
        status.OverdueSince = ReferenceOf(*record);
    return status;
}

std::string RunStatus::FormatTime(std::int64_t when)
{
    const std::time_t time = static_cast<std::time_t>(when);
    std::tm fields {};
    localtime_r(&time, &fields);
    char text[32] {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &fields);
    return text;
}

std::string RunStatus::Line() const
{
    std::string line = "Last run: ";
    if (Record && Record->LastRun != 0)
        line += FormatTime(Record->LastRun) + (Record->Succeeded ? ", succeeded" : ", failed");
    else
        line += "never";
    if (NextDue != 0)
        line += std::string(kSeparator) + "Next: " + FormatTime(NextDue);
    if (Overdue)
        line += std::string(kSeparator) + "Overdue";
    return line;
}
