#pragma once

#include <cstdint>
#include <string>

// The scheduled event of one backup set.
class CScheduler {
public:
    virtual ~CScheduler() = default;

    // The stored fields; NextDue and PreviousDue are left alone.
    void CopyFrom(const CScheduler& other);
    // The thirteen numbers and Email are equal.
    bool IsSameContent(const CScheduler& other) const;

    std::int32_t Active = 0;
    std::int32_t Action = 0; // 0 Backup, 1 Restore
    std::int32_t Condition = 0; // 0 hourly, 1 daily, 2 weekly, 3 monthly
    std::int32_t HourlyMinutes = 0;
    std::int32_t DailyHour = 0;
    std::int32_t DailyMinute = 0;
    std::int32_t WeeklyHour = 0;
    std::int32_t WeeklyMinute = 0;
    std::int32_t MonthlyHour = 0;
    std::int32_t MonthlyMinute = 0;
    std::int32_t Weekday = 0;
    std::int32_t Monthday = 0;
    std::int32_t SendEmail = 0;
    std::string Email;
    // Computed at run time, never stored. Until then both hold
    // InitialDueTime(), so a schedule whose times were never computed is not
    // due the minute it is loaded.
    std::int64_t NextDue = InitialDueTime();
    std::int64_t PreviousDue = InitialDueTime();

    // Local midnight of 1 January 2038.
    static std::int64_t InitialDueTime();
};
