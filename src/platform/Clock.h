#pragma once

#include <cstdint>
#include <ctime>

// The time source of everything that waits for or computes times, so tests
// can move time without sleeping.
class CClock {
public:
    virtual ~CClock() = default;

    // Seconds since the epoch, UTC.
    virtual std::time_t Now() const;

    // Milliseconds of a monotonic clock, low 32 bits (wraps like a tick count).
    virtual std::uint32_t TickCount() const;

    // The process-wide real clock.
    static CClock& System();
};
