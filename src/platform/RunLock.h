#pragma once

#include <string>

// Keeps two Korvane processes of one user from running actions at the same
// time (a cron run while the tray instance runs a scheduled event): an
// exclusive flock on KV.action.lock in $XDG_RUNTIME_DIR (else the temporary
// folder), held for the whole run and let go when the object goes away, also
// when the process dies.
class CRunLock {
public:
    CRunLock() = default;
    ~CRunLock();
    CRunLock(const CRunLock&) = delete;
    CRunLock& operator=(const CRunLock&) = delete;

    // False when another process holds it. A lock file that cannot be created
    // at all does not stop a run.
    bool TryLock();
    void Unlock();

    static std::string LockPath();

private:
    int m_fd = -1;
};
