#include "scheduler/DueTimes.h"

#include "TimeZone.h"
#include "core/Scheduler.h"

#include <gtest/gtest.h>

namespace {

CScheduler Hourly(int minute)
{
    CScheduler s;
    s.Active = 1;
    s.Condition = 0;
    s.HourlyMinutes = minute;
    return s;
}

CScheduler Daily(int hour, int minute)
{
    CScheduler s;
    s.Active = 1;
    s.Condition = 1;
    s.DailyHour = hour;
    s.DailyMinute = minute;
    return s;
}

CScheduler Weekly(int weekday, int hour, int minute)
{
    CScheduler s;
    s.Active = 1;
    s.Condition = 2;
    s.Weekday = weekday;
    s.WeeklyHour = hour;
    s.WeeklyMinute = minute;
    return s;
}

CScheduler Monthly(int monthday, int hour, int minute)
{
    CScheduler s;
    s.Active = 1;
    s.Condition = 3;
    s.Monthday = monthday;
    s.MonthlyHour = hour;
    s.MonthlyMinute = minute;
    return s;
}

class DueTimesTest : public ::testing::Test {
protected:
    TimeZone zone { kCentralEurope };
    static std::time_t L(int y, int mo, int d, int h, int mi, int s = 0) { return TimeZone::Local(y, mo, d, h, mi, s); }

    // Computes the times of s at now and checks both.
    static void ExpectDue(CScheduler& s, std::time_t now, std::time_t next, std::time_t previous)
    {
        ComputeDueTimes(s, now);
        EXPECT_EQ(s.NextDue, next) << "at " << now;
        EXPECT_EQ(s.PreviousDue, previous) << "at " << now;
    }
};

TEST_F(DueTimesTest, HourlyAtTheExactMinuteIsNextHour)
{
    CScheduler s = Hourly(15);
    ExpectDue(s, L(2026, 6, 10, 10, 15, 0), L(2026, 6, 10, 11, 15), L(2026, 6, 10, 10, 15));

    ExpectDue(s, L(2026, 6, 10, 10, 14, 59), L(2026, 6, 10, 10, 15), L(2026, 6, 10, 9, 15));
}

TEST_F(DueTimesTest, DailyBeforeAndAfterTheTime)
{
    CScheduler s = Daily(8, 30);
    ComputeDueTimes(s, L(2026, 6, 10, 8, 29, 59));
    EXPECT_EQ(s.NextDue, L(2026, 6, 10, 8, 30));
    ExpectDue(s, L(2026, 6, 10, 8, 30, 0), L(2026, 6, 11, 8, 30), L(2026, 6, 10, 8, 30));
}

TEST_F(DueTimesTest, WeeklyAcrossTheSundayMondayBoundary)
{
    // 14 June 2026 is a Sunday, 15 June a Monday.
    CScheduler monday = Weekly(0, 8, 0);
    ExpectDue(monday, L(2026, 6, 14, 9, 0), L(2026, 6, 15, 8, 0), L(2026, 6, 8, 8, 0));

    CScheduler sunday = Weekly(6, 8, 0);
    ExpectDue(sunday, L(2026, 6, 15, 9, 0), L(2026, 6, 21, 8, 0), L(2026, 6, 14, 8, 0));

    // Sunday itself, before the time: due the same day.
    ComputeDueTimes(sunday, L(2026, 6, 14, 7, 0));
    EXPECT_EQ(sunday.NextDue, L(2026, 6, 14, 8, 0));
}

TEST_F(DueTimesTest, MonthlyAcrossTheYearEnd)
{
    CScheduler s = Monthly(27, 23, 0);
    ExpectDue(s, L(2026, 12, 28, 23, 30), L(2027, 1, 28, 23, 0), L(2026, 12, 28, 23, 0));

    CScheduler first = Monthly(0, 0, 0);
    ExpectDue(first, L(2027, 1, 15, 12, 0), L(2027, 2, 1, 0, 0), L(2027, 1, 1, 0, 0));
    ExpectDue(first, L(2027, 1, 1, 0, 0), L(2027, 2, 1, 0, 0), L(2027, 1, 1, 0, 0));
    ComputeDueTimes(first, L(2026, 12, 31, 23, 59));
    EXPECT_EQ(first.PreviousDue, L(2026, 12, 1, 0, 0));
}

TEST_F(DueTimesTest, DailyKeepsItsClockTimeOverDaylightSavingDays)
{
    // Spring: 29 March 2026 has 23 hours.
    CScheduler s = Daily(8, 0);
    ComputeDueTimes(s, L(2026, 3, 28, 9, 0));
    EXPECT_EQ(s.NextDue, L(2026, 3, 29, 8, 0));
    EXPECT_EQ(s.NextDue - s.PreviousDue, 23 * 3600);

    // Autumn: 25 October 2026 has 25 hours. Yesterday's event, run at its
    // time, must not count as missed today.
    ExpectDue(s, L(2026, 10, 25, 7, 30), L(2026, 10, 25, 8, 0), L(2026, 10, 24, 8, 0));
    EXPECT_LT(s.PreviousDue, L(2026, 10, 24, 8, 0, 1));

    CScheduler weekly = Weekly(6, 8, 0);
    ExpectDue(weekly, L(2026, 10, 20, 12, 0), L(2026, 10, 25, 8, 0), L(2026, 10, 18, 8, 0));
}

TEST_F(DueTimesTest, HourlyInTheRepeatedHourIsNeverInThePast)
{
    // 02:00 to 03:00 happens twice on 25 October 2026; walk every minute.
    CScheduler s = Hourly(15);
    const std::time_t from = L(2026, 10, 25, 0, 0);
    for (std::time_t now = from; now < from + 5 * 3600; now += 60) {
        ComputeDueTimes(s, now);
        ASSERT_GT(s.NextDue, now) << now;
        ASSERT_LE(s.NextDue - now, 3600) << now;
        ASSERT_LE(s.PreviousDue, now) << now;
    }
}

TEST_F(DueTimesTest, NextIsAlwaysAfterNowAndPreviousAtOrBefore)
{
    // Includes a daily time in the skipped hour of the spring change.
    const CScheduler schedules[] = { Hourly(59), Daily(2, 30), Weekly(3, 2, 30), Monthly(27, 2, 30), Monthly(0, 0, 0) };
    const std::time_t from = L(2026, 1, 1, 0, 0);
    for (CScheduler s : schedules) {
        for (std::time_t now = from; now < from + 366 * 86400; now += 7 * 3600 + 13 * 60 + 7) {
            ComputeDueTimes(s, now);
            ASSERT_GT(s.NextDue, now) << s.Condition << " at " << now;
            ASSERT_LE(s.PreviousDue, now) << s.Condition << " at " << now;
            ASSERT_LT(s.PreviousDue, s.NextDue);
        }
    }
}

TEST_F(DueTimesTest, OutOfRangeFieldsStillGiveAFutureTime)
{
    CScheduler s = Hourly(-5000);
    const std::time_t now = L(2026, 6, 10, 10, 0);
    ComputeDueTimes(s, now);
    EXPECT_GT(s.NextDue, now);
    CScheduler d = Daily(-100, 900);
    ComputeDueTimes(d, now);
    EXPECT_GT(d.NextDue, now);
    EXPECT_EQ(d.HourlyMinutes, 0) << "the stored fields are left as they were";
    EXPECT_EQ(d.DailyHour, -100);
}

TEST_F(DueTimesTest, UnknownConditionIsNeverDue)
{
    CScheduler s;
    s.Condition = 7;
    s.PreviousDue = 42;
    ComputeDueTimes(s, 1'800'000'000);
    EXPECT_GT(s.NextDue, 1'800'000'000LL * 1000);
    EXPECT_EQ(s.PreviousDue, 42);
}

// Before its times are computed a schedule is due at local midnight of
// 1 January 2038, in every zone, and a copied set does not take the times
// of the set it copies.
TEST(InitialDueTimes, AreLocalMidnightOfTheFirstOf2038)
{
    for (const char* rule : { kCentralEurope, "UTC0", "EST5EDT,M3.2.0,M11.1.0", "NZST-12NZDT,M9.5.0,M4.1.0/3" }) {
        TimeZone zone(rule);
        const CScheduler fresh;
        const std::time_t midnight = TimeZone::Local(2038, 1, 1, 0, 0);
        EXPECT_EQ(fresh.NextDue, midnight) << rule;
        EXPECT_EQ(fresh.PreviousDue, midnight) << rule;
        std::tm local {};
        const std::time_t value = static_cast<std::time_t>(fresh.NextDue);
        ASSERT_TRUE(localtime_r(&value, &local));
        EXPECT_EQ(local.tm_year + 1900, 2038) << rule;
        EXPECT_EQ(local.tm_yday + local.tm_hour + local.tm_min + local.tm_sec, 0) << rule;
    }
}

TEST_F(DueTimesTest, ComputingReplacesTheInitialTimes)
{
    CScheduler s = Hourly(15);
    ASSERT_EQ(s.NextDue, CScheduler::InitialDueTime());
    ExpectDue(s, L(2026, 6, 10, 10, 20), L(2026, 6, 10, 11, 15), L(2026, 6, 10, 10, 15));
    CScheduler copy;
    copy.CopyFrom(s);
    EXPECT_EQ(copy.NextDue, CScheduler::InitialDueTime());
}

} // namespace
