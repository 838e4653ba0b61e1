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
//
// A lock folder that another user could have made or can enter is refused,
// never passed over: with the lock switched off that way, two runs of one
// set would copy over each other without a word.
class CRunLock {
public:
    enum class Kind { Unknown, Manual, Scheduled };
    enum class Result { Locked, Busy, Refused };

    // Why a lock folder cannot be used.
    struct Refusal {
        std::string folder;
        std::string reason;
    };

    CRunLock() = default;
    ~CRunLock();
    CRunLock(const CRunLock&) = delete;
    CRunLock& operator=(const CRunLock&) = delete;

    // Busy when another process holds it; Refused (see Problem) when the lock
    // folder is not safe or the lock file cannot be made.
    Result TryLock(Kind kind = Kind::Manual);
    void Unlock();
    const Refusal& Problem() const { return m_problem; }

    // The kind of run the current holder wrote; Unknown when none is known.
    static Kind Holder();
    // Empty when no safe place could be found (refusal tells why).
    static std::string LockPath(Refusal* refusal = nullptr);

    // Empty when folder is (or, missing, was just created as) a folder of uid
    // that no one else may enter: opened without following a link, owned by
    // uid, mode exactly 0700. Otherwise why not. A folder found with another
    // mode is refused rather than tightened: another user may have made it
    // and may still hold it open.
    static std::string CheckPrivateFolder(const std::string& folder, uid_t uid);
    // The same check, keeping the folder open: its descriptor (the caller's
    // to close), or -1 with reason set. Files in the folder are opened
    // through it, so the folder checked is the folder used.
    static int OpenPrivateFolder(const std::string& folder, uid_t uid, std::string& reason);

private:
    int m_fd = -1;
    Refusal m_problem;
};
