#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

// Sets TZ for the life of the object (POSIX rules, so no zone database is
// needed) and puts the previous value back.
class TimeZone {
public:
    explicit TimeZone(const char* rule)
    {
        if (const char* old = std::getenv("TZ")) {
            m_had = true;
            m_old = old;
        }
        setenv("TZ", rule, 1);
        tzset();
    }
    ~TimeZone()
    {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    // A local time; isdst -1 lets the C runtime choose.
    static std::time_t Local(int year, int month, int day, int hour, int minute, int second = 0, int isdst = -1)
    {
        std::tm fields {};
        fields.tm_year = year - 1900;
        fields.tm_mon = month - 1;
        fields.tm_mday = day;
        fields.tm_hour = hour;
        fields.tm_min = minute;
        fields.tm_sec = second;
        fields.tm_isdst = isdst;
        return std::mktime(&fields);
    }

private:
    bool m_had = false;
    std::string m_old;
};

// Central Europe: summer time from the last Sunday of March 02:00 to the last
// Sunday of October 03:00. In 2026 those are 29 March and 25 October.
inline constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";
