#pragma once

#include <string>
#include <sys/types.h>

// Keeps two Korvane processes of one user from running actions at the same
// time (a cron run while the tray instance runs a scheduled event): an
// exclusive flock on KV.action.lock, held for the whole run and let go when
// the object goes away, also when the process dies. The holder writes what
// kind of run it is into the file, so a refused run can say what it waits for.
//
// The file's place depends on the user alone, never on the session's
// environment: a cron run has no XDG_RUNTIME_DIR, yet must meet the lock of
// the tray's run. It is /run/user/<uid> when that folder exists and belongs
// to the user, else the private folder /tmp/korvane-<uid>. KORVANE_LOCK_DIR
// names another folder; the tests set it so that parallel runs stay apart.
class CRunLock {
public:
    enum class Kind { Unknown, Manual, Scheduled };

    CRunLock() = default;
    ~CRunLock();
    CRunLock(const CRunLock&) = delete;
    CRunLock& operator=(const CRunLock&) = delete;

    // False when another process holds it. A lock file that cannot be created
    // at all does not stop a run.
    bool TryLock(Kind kind = Kind::Manual);
    void Unlock();

    // The kind of run the current holder wrote; Unknown when none is known.
    static Kind Holder();
    // Empty when no safe place could be found.
    static std::string LockPath();

    // folder when it is (or, missing, could be created as) a folder of uid
    // that no one else may enter: not a link, owned by uid, mode 0700 (a
    // looser mode of the user's own folder is tightened). Empty otherwise.
    static std::string PrivateFolder(const std::string& folder, uid_t uid);

private:
    int m_fd = -1;
};
