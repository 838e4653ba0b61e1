#pragma once

#include "platform/RunLock.h"

#include <string>

// The start-up lock of the windowed program: an exclusive flock on KV.lock,
// taken by a start before it looks for a running instance and held until it
// has either handed over or published its own window. The kernel lets go of
// it when the process ends, so a killed instance never leaves it behind.
//
// The file lies in the private folder of Folder(): $XDG_RUNTIME_DIR, else a
// folder korvane-<uid> of the user's own in the temporary folder, never the
// shared temporary folder itself, where another user could hold the name.
// When korvane-<uid> is not the user's private folder (another user made it
// first, or made it a link) the lock is refused: going on without it would
// let a second window start beside the first.
class CStartupLock {
public:
    CStartupLock() = default;
    ~CStartupLock();
    CStartupLock(const CStartupLock&) = delete;
    CStartupLock& operator=(const CStartupLock&) = delete;

    // Waits without a time limit for the lock. False when the lock folder
    // may not be used or no lock file could be made there (Problem says why);
    // the start must then end.
    bool Lock();
    void Unlock();
    bool Held() const { return m_fd >= 0; }
    const CRunLock::Refusal& Problem() const { return m_problem; }

    // The folder of the lock and of the instance's socket; empty when no
    // private folder could be found (refusal tells why).
    static std::string Folder(CRunLock::Refusal* refusal = nullptr);

private:
    // The folder's descriptor, or -1 with the refusal; the folder is named
    // either way.
    static int OpenFolder(CRunLock::Refusal& refusal);

    int m_fd = -1;
    CRunLock::Refusal m_problem;
};
