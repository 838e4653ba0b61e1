#pragma once

#include <string>

// The start-up lock of the windowed program: an exclusive flock on KV.lock,
// taken by a start before it looks for a running instance and held until it
// has either handed over or published its own window. The kernel lets go of
// it when the process ends, so a killed instance never leaves it behind.
//
// The file lies in the private folder of Folder(): $XDG_RUNTIME_DIR, else a
// folder korvane-<uid> of the user's own in the temporary folder, never the
// shared temporary folder itself, where another user could hold the name.
class CStartupLock {
public:
    CStartupLock() = default;
    ~CStartupLock();
    CStartupLock(const CStartupLock&) = delete;
    CStartupLock& operator=(const CStartupLock&) = delete;

    // Waits without a time limit for the lock. False when no lock file could
    // be made at all; the start then goes on without one.
    bool Lock();
    void Unlock();
    bool Held() const { return m_fd >= 0; }

    // The folder of the lock and of the instance's socket; empty when no
    // private folder could be found.
    static std::string Folder();

private:
    int m_fd = -1;
};
