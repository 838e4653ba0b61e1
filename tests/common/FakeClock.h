#pragma once

#include "platform/Clock.h"

#include <atomic>

// A clock that moves only when a test moves it.
class FakeClock : public CClock {
public:
    explicit FakeClock(std::time_t now = 1'700'000'000) : m_now(now) {}

    std::time_t Now() const override { return m_now.load(); }
    std::uint32_t TickCount() const override { return m_ticks.load(); }

    void Set(std::time_t now) { m_now = now; }
    void Advance(std::time_t seconds)
    {
        m_now += seconds;
        m_ticks += static_cast<std::uint32_t>(seconds * 1000);
    }
    void AdvanceMs(std::uint32_t ms)
    {
        m_ticks += ms;
        m_now += ms / 1000;
    }

private:
    std::atomic<std::time_t> m_now;
    std::atomic<std::uint32_t> m_ticks{0};
};
