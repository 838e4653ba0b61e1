#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// Times as the local wall clock shows them, counted in seconds since
// 1970-01-01 00:00:00 on that clock: what a version folder's name
// "YYYY-MM-DD HHMMSS" says, turned into a number without any time zone.
// Days, weeks and months are then plain arithmetic; a daylight-saving change
// moves an age by an hour, which no retention rule notices.
class CWallClock {
public:
    struct Civil {
        std::int64_t year = 1970;
        int month = 1; // 1-12
        int day = 1; // 1-31
        int hour = 0;
        int minute = 0;
        int second = 0;
    };

    // The wall-clock time of a moment (seconds since the epoch, UTC).
    static std::int64_t FromEpoch(std::time_t epoch);

    static std::int64_t FromCivil(const Civil& civil);
    static Civil ToCivil(std::int64_t wall);
    // The day, counted from 1970-01-01, that holds the time.
    static std::int64_t DayOf(std::int64_t wall);
    // The same time of day months later (earlier when negative), the day
    // clamped to the end of a shorter month.
    static std::int64_t AddMonths(std::int64_t wall, std::int64_t months);

    // "YYYY-MM-DD HHMMSS", the name of a version folder.
    static std::string Stamp(std::int64_t wall);
    // The time a version folder's name gives; empty for any other name.
    static std::optional<std::int64_t> ParseStamp(std::string_view name);
};
