// Which versions the retention rules let go, on a clock the test sets.
#include "engine/Retention.h"

#include "engine/WallClock.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kDay = CRetention::kDay;

std::int64_t At(const char* stamp)
{
    const std::optional<std::int64_t> wall = CWallClock::ParseStamp(stamp);
    EXPECT_TRUE(wall.has_value()) << stamp;
    return wall.value_or(0);
}

CVersionSettings Rules(int keep, int days, int thinDays, int thinWeeks, int thinMonths)
{
    CVersionSettings rules;
    rules.Active = 1;
    rules.Keep = keep;
    rules.Days = days;
    rules.ThinDays = thinDays;
    rules.ThinWeeks = thinWeeks;
    rules.ThinMonths = thinMonths;
    return rules;
}

// The stamps of the versions that survive one pruning at now.
std::vector<std::string> Survivors(
    const CVersionSettings& rules, const char* now, std::vector<const char*> stamps, bool inSource = true)
{
    std::vector<FileVersion> versions;
    for (const char* stamp : stamps)
        versions.push_back({ At(stamp), 0 });
    const std::vector<std::size_t> pruned = CRetention(rules, At(now)).Prune(versions, inSource);
    std::vector<std::string> left;
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        if (std::find(pruned.begin(), pruned.end(), i) == pruned.end())
            left.push_back(stamps[i]);
    }
    return left;
}

using Stamps = std::vector<std::string>;

TEST(WallClock, StampsNameTheWallClockTimeAndNothingElseParses)
{
    EXPECT_EQ(CWallClock::Stamp(At("2024-02-29 235959")), "2024-02-29 235959");
    EXPECT_EQ(At("1970-01-02 000001"), kDay + 1);
    EXPECT_EQ(CWallClock::Stamp(CWallClock::AddMonths(At("2024-03-31 101500"), -1)), "2024-02-29 101500");
    EXPECT_EQ(CWallClock::Stamp(CWallClock::AddMonths(At("2024-01-15 000000"), -13)), "2022-12-15 000000");
    for (const char* name : { "2023-02-29 120000", "2024-13-01 120000", "2024-01-01 240000", "2024-01-01 12000",
             "2024-01-01T120000", "+024-01-01 120000", "2024-01-01 12000x", "notes", "" })
        EXPECT_FALSE(CWallClock::ParseStamp(name).has_value()) << name;
}

TEST(Retention, TheCountKeepsTheNewestAndZeroKeepsAny)
{
    const std::vector<const char*> stamps
        = { "2025-01-03 100000", "2025-01-01 100000", "2025-01-05 100000", "2025-01-02 100000", "2025-01-04 100000" };
    EXPECT_EQ(Survivors(Rules(3, 0, 0, 0, 0), "2025-01-06 000000", stamps),
        (Stamps { "2025-01-03 100000", "2025-01-05 100000", "2025-01-04 100000" }));
    EXPECT_EQ(Survivors(Rules(0, 0, 0, 0, 0), "2025-01-06 000000", stamps).size(), 5u);
    // Versions younger than a day are counted like any other.
    EXPECT_EQ(Survivors(Rules(1, 0, 7, 5, 12), "2025-01-05 100001", stamps), (Stamps { "2025-01-05 100000" }));
}

TEST(Retention, TheDayLimitCountsFromTheTimeAVersionWasSetAside)
{
    const std::vector<const char*> stamps = { "2025-01-01 120000", "2025-01-01 120001", "2025-03-01 120000" };
    // Thirty days to the second after it was set aside, a version goes.
    EXPECT_EQ(Survivors(Rules(0, 30, 0, 0, 0), "2025-01-31 120000", stamps),
        (Stamps { "2025-01-01 120001", "2025-03-01 120000" }));
    // A version stamped in the future (a clock set back) is not old.
    EXPECT_EQ(Survivors(Rules(0, 30, 0, 0, 0), "2025-02-15 000000", stamps), (Stamps { "2025-03-01 120000" }));
}

TEST(Retention, AYearOfDailyRunsKeepsOneADayOneAWeekOneAMonth)
{
    // A file replaced every day at noon from 1 May 2024, pruned an hour
    // after each backup, as daily runs do.
    const CVersionSettings rules = Rules(0, 0, 7, 5, 12);
    std::vector<FileVersion> versions;
    for (std::int64_t day = At("2024-05-01 120000"); day <= At("2025-06-30 120000"); day += kDay) {
        versions.push_back({ day, 0 });
        std::vector<std::size_t> pruned = CRetention(rules, day + 3600).Prune(versions, true);
        for (auto it = pruned.rbegin(); it != pruned.rend(); ++it)
            versions.erase(versions.begin() + static_cast<std::ptrdiff_t>(*it));
    }
    Stamps left;
    for (const FileVersion& version : versions)
        left.push_back(CWallClock::Stamp(version.SetAside).substr(0, 10));
    // The first Monday of each of twelve months (the week step kept the
    // Mondays, the month step the first of them; May 2024 went past the
    // last step), five Mondays, six days and the version of today.
    EXPECT_EQ(left,
        (Stamps { "2024-06-03", "2024-07-01", "2024-08-05", "2024-09-02", "2024-10-07", "2024-11-04", "2024-12-02",
            "2025-01-06", "2025-02-03", "2025-03-03", "2025-04-07", "2025-05-05", "2025-05-26", "2025-06-02",
            "2025-06-09", "2025-06-16", "2025-06-23", "2025-06-24", "2025-06-25", "2025-06-26", "2025-06-27",
            "2025-06-28", "2025-06-29", "2025-06-30" }));
    // Running again at once changes nothing.
    EXPECT_TRUE(CRetention(rules, At("2025-06-30 130000")).Prune(versions, true).empty());
}

TEST(Retention, StepsSwitchedOffTakeNoTimeAndAllOffKeepsEverything)
{
    const std::vector<const char*> stamps
        = { "2024-01-10 080000", "2024-01-20 080000", "2025-05-01 080000", "2025-05-02 080000", "2025-06-01 070000" };
    // Monthly from the first day on: one of May, June's young one, 2024 past the steps.
    EXPECT_EQ(Survivors(Rules(0, 0, 0, 0, 12), "2025-06-01 080000", stamps),
        (Stamps { "2025-05-01 080000", "2025-06-01 070000" }));
    EXPECT_EQ(Survivors(Rules(0, 0, 0, 0, 0), "2025-06-01 080000", stamps).size(), stamps.size());
}

TEST(Retention, TheLastVersionOfADeletedFileGoesOnlyByTheDayLimit)
{
    // Two versions on one day: thinning keeps the first set aside.
    const std::vector<const char*> sameDay = { "2025-06-01 090000", "2025-06-01 180000" };
    EXPECT_EQ(Survivors(Rules(0, 0, 7, 5, 12), "2025-06-05 000000", sameDay), (Stamps { "2025-06-01 090000" }));
    EXPECT_EQ(
        Survivors(Rules(0, 0, 7, 5, 12), "2025-06-05 000000", sameDay, false), Stamps(sameDay.begin(), sameDay.end()));
    // Past every step, and beyond the count.
    const std::vector<const char*> old = { "2019-01-01 000000", "2020-01-01 000000", "2021-01-01 000000" };
    EXPECT_EQ(Survivors(Rules(1, 0, 7, 5, 12), "2025-06-05 000000", old), Stamps {});
    EXPECT_EQ(Survivors(Rules(1, 0, 7, 5, 12), "2025-06-05 000000", old, false), (Stamps { "2021-01-01 000000" }));
    // The user's own day limit takes it all the same.
    EXPECT_EQ(Survivors(Rules(1, 365, 0, 0, 0), "2025-06-05 000000", old, false), Stamps {});
}

} // namespace
