#pragma once

#include <atomic>
#include <cstdint>

// The process-wide flags that keep actions apart. Held by the application
// object for the whole run; threads poll them, so they are atomic.
struct CActionFlags {
    // Set by the action runner for the whole run; a second run is refused.
    std::atomic<std::int32_t> ActionRunning { 0 };
    // Set by Cancel buttons, the tray command, an Abort answer and SIGTERM;
    // read by every worker loop; cleared when the next run starts.
    std::atomic<std::int32_t> ActionCancel { 0 };
    // Set by the scheduler thread around a scheduled run.
    std::atomic<std::int32_t> ScheduledEvent { 0 };
};
