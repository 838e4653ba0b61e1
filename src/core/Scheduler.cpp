#include "core/Scheduler.h"

#include <ctime>
#include <tuple>

namespace {

// The fields that are stored in the session file and compared for changes.
template <typename Schedule> auto StoredFields(Schedule& s)
{
    return std::tie(s.Active, s.Action, s.Condition, s.HourlyMinutes, s.DailyHour, s.DailyMinute, s.WeeklyHour,
        s.WeeklyMinute, s.MonthlyHour, s.MonthlyMinute, s.Weekday, s.Monthday, s.SendEmail, s.Email);
}

} // namespace

void CScheduler::CopyFrom(const CScheduler& other)
{
    if (this != &other)
        StoredFields(*this) = StoredFields(other);
}

bool CScheduler::IsSameContent(const CScheduler& other) const
{
    return StoredFields(*this) == StoredFields(other);
}

std::int64_t CScheduler::InitialDueTime()
{
    std::tm fields {};
    fields.tm_year = 2038 - 1900;
    fields.tm_mon = 0;
    fields.tm_mday = 1;
    fields.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&fields));
}
