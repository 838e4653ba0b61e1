#pragma once

#include <atomic>
#include <string>

class CPowerOff;

// The countdown shown after an action when PostShutdown is set: 30 at the
// start, one Tick per second (the first at once, so the first text reads 29),
// and the power-off request when it reaches 0. Cancel at any time before
// that prevents it. The window (or the console) drives the ticks.
class CShutdownCountdown {
public:
    explicit CShutdownCountdown(CPowerOff& powerOff);

    // Counts one second down and returns the text to show (message 57709).
    // At 0 it asks for the power-off once.
    std::string Tick();
    void Cancel() { m_cancelled = true; }

    int Counter() const { return m_counter; }
    bool Cancelled() const { return m_cancelled; }
    bool Finished() const { return m_counter == 0; }
    // True once the power-off was requested and accepted.
    bool PoweredOff() const { return m_poweredOff; }

private:
    CPowerOff& m_powerOff;
    int m_counter = 30;
    std::atomic<bool> m_cancelled { false };
    bool m_poweredOff = false;
};
