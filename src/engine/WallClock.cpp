#include "engine/WallClock.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::int64_t kDay = 86400;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

// Days from 1970-01-01 of a proleptic Gregorian date (the well-known
// era-based method: 400-year eras of 146097 days).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = FloorDiv(year, 400);
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool IsLeap(std::int64_t year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(std::int64_t year, int month)
{
    static constexpr int kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Digits only, no sign and no white space, as a stamp writes them.
bool Digits(std::string_view text, int& value)
{
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return !text.empty();
}

} // namespace

std::int64_t CWallClock::FromEpoch(std::time_t epoch)
{
    std::tm local {};
    if (!localtime_r(&epoch, &local))
        return static_cast<std::int64_t>(epoch);
    return static_cast<std::int64_t>(epoch) + local.tm_gmtoff;
}

std::int64_t CWallClock::FromCivil(const Civil& civil)
{
    return DaysFromCivil(civil.year, civil.month, civil.day) * kDay + civil.hour * 3600 + civil.minute * 60
        + civil.second;
}

CWallClock::Civil CWallClock::ToCivil(std::int64_t wall)
{
    const std::int64_t days = DayOf(wall);
    const std::int64_t seconds = wall - days * kDay;
    const std::int64_t z = days + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    Civil civil;
    civil.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    civil.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    civil.year = yearOfEra + era * 400 + (civil.month <= 2);
    civil.hour = static_cast<int>(seconds / 3600);
    civil.minute = static_cast<int>(seconds / 60 % 60);
    civil.second = static_cast<int>(seconds % 60);
    return civil;
}

std::int64_t CWallClock::DayOf(std::int64_t wall)
{
    return FloorDiv(wall, kDay);
}

std::int64_t CWallClock::AddMonths(std::int64_t wall, std::int64_t months)
{
    Civil civil = ToCivil(wall);
    const std::int64_t month = civil.year * 12 + (civil.month - 1) + months;
    civil.year = FloorDiv(month, 12);
    civil.month = static_cast<int>(month - civil.year * 12) + 1;
    civil.day = std::min(civil.day, DaysInMonth(civil.year, civil.month));
    return FromCivil(civil);
}

std::string CWallClock::Stamp(std::int64_t wall)
{
    const Civil civil = ToCivil(wall);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d%02d%02d", static_cast<long long>(civil.year), civil.month,
        civil.day, civil.hour, civil.minute, civil.second);
    return text;
}

std::optional<std::int64_t> CWallClock::ParseStamp(std::string_view name)
{
    // "YYYY-MM-DD HHMMSS"
    if (name.size() != 17 || name[4] != '-' || name[7] != '-' || name[10] != ' ')
        return std::nullopt;
    int year = 0;
    Civil civil;
    if (!Digits(name.substr(0, 4), year) || !Digits(name.substr(5, 2), civil.month)
        || !Digits(name.substr(8, 2), civil.day) || !Digits(name.substr(11, 2), civil.hour)
        || !Digits(name.substr(13, 2), civil.minute) || !Digits(name.substr(15, 2), civil.second))
        return std::nullopt;
    civil.year = year;
    if (civil.month < 1 || civil.month > 12 || civil.day < 1 || civil.day > DaysInMonth(year, civil.month)
        || civil.hour > 23 || civil.minute > 59 || civil.second > 59)
        return std::nullopt;
    return FromCivil(civil);
}
