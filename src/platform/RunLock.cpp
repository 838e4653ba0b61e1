#include "platform/RunLock.h"

#include "platform/SystemInfo.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kManual = "manual\n";
constexpr std::string_view kScheduled = "scheduled\n";

// The session manager's runtime folder of the user, when it is there.
std::string UserRuntimeFolder(uid_t uid)
{
    const std::string folder = "/run/user/" + std::to_string(uid);
    struct stat st { };
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid)
        return {};
    return folder;
}

std::string SystemText(int code)
{
    std::string text;
    return CSystemInfo::ErrorText(code, text) ? text : "error " + std::to_string(code);
}

// Why path could not be opened without following a link. The open decided;
// the second look only names what was there, for the message.
std::string OpenFailure(const std::string& path, int code)
{
    struct stat st { };
    if (code == ELOOP || (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)))
        return "it is a symbolic link";
    if (code == ENOTDIR)
        return "it is not a folder";
    return SystemText(code);
}

// Why a folder found with st may not be uid's private folder; empty when it may.
std::string FolderProblem(const struct stat& st, uid_t uid)
{
    if (st.st_uid != uid)
        return "it belongs to another user (user id " + std::to_string(st.st_uid) + ")";
    const mode_t mode = st.st_mode & 07777;
    if (mode == 0700)
        return {};
    char text[8] = {};
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode));
    return "its mode is " + std::string(text) + ", not 0700";
}

// The folder's descriptor, or -1 with the refusal; the folder is named
// either way.
int OpenLockFolder(CRunLock::Refusal& refusal)
{
    const uid_t uid = ::geteuid();
    const char* chosen = std::getenv("KORVANE_LOCK_DIR");
    refusal.folder = chosen && *chosen == '/' ? std::string(chosen) : UserRuntimeFolder(uid);
    // Not TMPDIR: it is part of the environment too.
    if (refusal.folder.empty())
        refusal.folder = "/tmp/korvane-" + std::to_string(uid);
    return CRunLock::OpenPrivateFolder(refusal.folder, uid, refusal.reason);
}

constexpr const char* kFileName = "KV.action.lock";

} // namespace

CRunLock::~CRunLock()
{
    Unlock();
}

std::string CRunLock::CheckPrivateFolder(const std::string& folder, uid_t uid)
{
    std::string reason;
    CUniqueFd fd(OpenPrivateFolder(folder, uid, reason));
    return reason;
}

int CRunLock::OpenPrivateFolder(const std::string& folder, uid_t uid, std::string& reason)
{
    const bool created = ::mkdir(folder.c_str(), 0700) == 0;
    if (!created && errno != EEXIST) {
        reason = SystemText(errno);
        return -1;
    }
    // Another user may have put anything there first in a shared /tmp.
    CUniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.Get() < 0) {
        reason = OpenFailure(folder, errno);
        return -1;
    }
    struct stat st { };
    if (::fstat(fd.Get(), &st) != 0) {
        reason = SystemText(errno);
        return -1;
    }
    reason = FolderProblem(st, uid);
    // Only a folder made just now is ours alone to set right (a umask that
    // took the owner's bits).
    if (!reason.empty() && created && st.st_uid == uid && ::fchmod(fd.Get(), 0700) == 0)
        reason.clear();
    return reason.empty() ? fd.Release() : -1;
}

std::string CRunLock::LockPath(Refusal* refusal)
{
    Refusal found;
    CUniqueFd folder(OpenLockFolder(found));
    std::string path = folder.Get() >= 0 ? found.folder + "/" + kFileName : std::string();
    if (refusal)
        *refusal = std::move(found);
    return path;
}

CRunLock::Result CRunLock::TryLock(Kind kind)
{
    if (m_fd >= 0)
        return Result::Locked;
    m_problem = {};
    CUniqueFd folder(OpenLockFolder(m_problem));
    if (folder.Get() < 0)
        return Result::Refused;
    CUniqueFd fd(::openat(folder.Get(), kFileName, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
    if (fd.Get() < 0) {
        const int error = errno;
        m_problem.reason = "the lock file cannot be opened: " + SystemText(error);
        return Result::Refused;
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK)
            return Result::Busy;
        m_problem.reason = "the lock file cannot be locked: " + SystemText(error);
        return Result::Refused;
    }
    const std::string_view text = kind == Kind::Scheduled ? kScheduled : kManual;
    if (::ftruncate(fd.Get(), 0) == 0)
        (void)!::pwrite(fd.Get(), text.data(), text.size(), 0);
    m_fd = fd.Release();
    return Result::Locked;
}

void CRunLock::Unlock()
{
    if (m_fd < 0)
        return;
    (void)!::ftruncate(m_fd, 0);
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}

CRunLock::Kind CRunLock::Holder()
{
    Refusal refusal;
    CUniqueFd folder(OpenLockFolder(refusal));
    if (folder.Get() < 0)
        return Kind::Unknown;
    CUniqueFd fd(::openat(folder.Get(), kFileName, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    char buffer[16] = {};
    const ssize_t got = fd.Get() < 0 ? -1 : ::pread(fd.Get(), buffer, sizeof buffer, 0);
    if (got <= 0)
        return Kind::Unknown;
    const std::string_view text(buffer, static_cast<std::size_t>(got));
    return text == kScheduled ? Kind::Scheduled : text == kManual ? Kind::Manual : Kind::Unknown;
}
