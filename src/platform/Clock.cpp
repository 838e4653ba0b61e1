#include "platform/Clock.h"

#include <time.h>

std::time_t CClock::Now() const
{
    return std::time(nullptr);
}

std::uint32_t CClock::TickCount() const
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

CClock& CClock::System()
{
    static CClock clock;
    return clock;
}
