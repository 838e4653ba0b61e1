#pragma once

#include <cstdint>
#include <deque>
#include <string>

// The bytes line of the progress window: how much of what is to be copied
// is done, how fast it goes and how long the rest takes at that pace. The
// pace is that of the last few seconds, from the looks the window takes on
// its own clock, so a copy that slows down (small files after large ones, a
// question waiting for an answer) soon shows it.
class CTransferRate {
public:
    // The pace is taken over this many milliseconds...
    static constexpr std::uint32_t kWindowMs = 5000;
    // ...and shown once the looks span at least this many.
    static constexpr std::uint32_t kShortestMs = 1000;

    // One look at the copy: done bytes at tick, milliseconds of a monotonic
    // clock (wrapping like a tick count).
    void Add(std::uint32_t tick, std::uint64_t done);
    // 0 while not known.
    double BytesPerSecond() const;
    // "1.20 GB of 3.40 GB", with the pace and the time left once known;
    // empty when nothing is to be copied.
    std::string Text(std::uint64_t done, std::uint64_t total) const;

    // "45 s", "3 min", "2 h 5 min"; rounded up.
    static std::string DurationText(std::uint64_t seconds);

private:
    struct Look {
        std::uint32_t tick;
        std::uint64_t done;
    };
    std::deque<Look> m_looks;
};
