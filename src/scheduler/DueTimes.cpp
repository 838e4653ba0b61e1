#include "scheduler/DueTimes.h"

#include "core/Scheduler.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr std::time_t kHour = 3600;

std::tm LocalFields(std::time_t when)
{
    std::tm fields {};
    localtime_r(&when, &fields);
    return fields;
}

// Converts calendar fields (which may lie outside their ranges, such as day
// 0 or month 12) to a time, letting the C runtime choose daylight saving.
std::time_t MakeLocal(int year, int month, int day, int hour, int minute)
{
    std::tm fields {};
    fields.tm_year = year;
    fields.tm_mon = month;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

// Periods are stepped on the calendar rather than as fixed seconds: an event
// keeps its wall-clock time across a daylight-saving change, and the day
// after a change does not report the day before as missed.
struct Occurrence {
    int year, month, day, hour, minute;
    int stepDays = 0;
    int stepMonths = 0;

    std::time_t At(int steps) const
    {
        return MakeLocal(year, month + stepMonths * steps, day + stepDays * steps, hour, minute);
    }
};

void ApplyCalendar(CScheduler& schedule, Occurrence occurrence, std::time_t now)
{
    int steps = 0;
    // Bounded: one step always suffices except in the skipped hour of a
    // daylight-saving change, where mktime may land on the same instant.
    while (occurrence.At(steps) <= now && steps < 3)
        ++steps;
    schedule.NextDue = occurrence.At(steps);
    schedule.PreviousDue = occurrence.At(steps - 1);
}

// Hourly events are stepped in absolute seconds from the current local hour,
// so the repeated hour of a change back to standard time neither runs the
// event twice in a row nor makes it due every minute.
void ApplyHourly(CScheduler& schedule, const std::tm& local, std::time_t now)
{
    const std::time_t hourStart = now - local.tm_sec - static_cast<std::time_t>(local.tm_min) * 60;
    std::time_t next = hourStart + static_cast<std::time_t>(schedule.HourlyMinutes) * 60;
    if (next <= now)
        next += kHour;
    schedule.NextDue = next;
    schedule.PreviousDue = next - kHour;
}

void Compute(CScheduler& schedule, std::time_t now);

} // namespace

void ComputeDueTimes(CScheduler& schedule, std::time_t now)
{
    // Values from a hand-edited session file are held to the pickers' ranges,
    // so no field can put NextDue into the past and make the event due again
    // at every minute.
    CScheduler s;
    s.CopyFrom(schedule);
    s.HourlyMinutes = std::clamp(s.HourlyMinutes, 0, 59);
    s.DailyHour = std::clamp(s.DailyHour, 0, 23);
    s.DailyMinute = std::clamp(s.DailyMinute, 0, 59);
    s.WeeklyHour = std::clamp(s.WeeklyHour, 0, 23);
    s.WeeklyMinute = std::clamp(s.WeeklyMinute, 0, 59);
    s.MonthlyHour = std::clamp(s.MonthlyHour, 0, 23);
    s.MonthlyMinute = std::clamp(s.MonthlyMinute, 0, 59);
    s.Weekday = std::clamp(s.Weekday, 0, 6);
    s.Monthday = std::clamp(s.Monthday, 0, 27);
    s.NextDue = schedule.NextDue;
    s.PreviousDue = schedule.PreviousDue;
    Compute(s, now);
    schedule.NextDue = s.NextDue;
    schedule.PreviousDue = s.PreviousDue;
}

namespace {

void Compute(CScheduler& schedule, std::time_t now)
{
    const std::tm local = LocalFields(now);
    const int y = local.tm_year;
    const int m = local.tm_mon;
    const int d = local.tm_mday;
    switch (schedule.Condition) {
    case 0:
        ApplyHourly(schedule, local, now);
        return;
    case 1:
        ApplyCalendar(schedule, { y, m, d, schedule.DailyHour, schedule.DailyMinute, 1, 0 }, now);
        return;
    case 2: {
        const int mondayBased = local.tm_wday == 0 ? 6 : local.tm_wday - 1;
        const int day = d + schedule.Weekday - mondayBased;
        ApplyCalendar(schedule, { y, m, day, schedule.WeeklyHour, schedule.WeeklyMinute, 7, 0 }, now);
        return;
    }
    case 3:
        ApplyCalendar(
            schedule, { y, m, schedule.Monthday + 1, schedule.MonthlyHour, schedule.MonthlyMinute, 0, 1 }, now);
        return;
    default:
        // A condition the program does not know (a hand-edited file) would
        // otherwise be due at every minute; it is never due instead.
        schedule.NextDue = std::numeric_limits<std::int64_t>::max();
        return;
    }
}

} // namespace
