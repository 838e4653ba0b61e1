#include "core/Scheduler.h"

#include <tuple>

namespace {

// The fields that are stored in the session file and compared for changes.
template <typename Schedule>
auto StoredFields(Schedule& s)
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
