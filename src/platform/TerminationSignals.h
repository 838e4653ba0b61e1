#pragma once

#include <atomic>
#include <functional>
#include <thread>

// Catches SIGTERM and SIGINT on a thread of its own and calls a function for
// each, so a server can stop Korvane cleanly. Construct it before any other
// thread starts: the signals are blocked in the constructing thread and the
// threads it starts later, and taken only by the watcher.
class CTerminationSignals {
public:
    explicit CTerminationSignals(std::function<void(int)> onSignal);
    ~CTerminationSignals();
    CTerminationSignals(const CTerminationSignals&) = delete;
    CTerminationSignals& operator=(const CTerminationSignals&) = delete;

    // The number of the last signal received, 0 when none.
    int Received() const { return m_received.load(); }

private:
    void Watch();

    std::function<void(int)> m_onSignal;
    std::atomic<int> m_received { 0 };
    std::atomic<bool> m_closing { false };
    std::thread m_thread;
};
