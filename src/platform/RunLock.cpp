#include "platform/RunLock.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kFileName = "/KV.action.lock";
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

std::string LockFolder()
{
    if (const char* chosen = std::getenv("KORVANE_LOCK_DIR"); chosen && *chosen == '/')
        return chosen;
    const uid_t uid = ::geteuid();
    if (std::string folder = UserRuntimeFolder(uid); !folder.empty())
        return folder;
    // Not TMPDIR: it is part of the environment too.
    return CRunLock::PrivateFolder("/tmp/korvane-" + std::to_string(uid), uid);
}

} // namespace

CRunLock::~CRunLock()
{
    Unlock();
}

std::string CRunLock::PrivateFolder(const std::string& folder, uid_t uid)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    // Another user may have put anything there first in a shared /tmp.
    CUniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st { };
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != uid)
        return {};
    if ((st.st_mode & 077) != 0 && ::fchmod(fd.Get(), 0700) != 0)
        return {};
    return folder;
}

std::string CRunLock::LockPath()
{
    const std::string folder = LockFolder();
    return folder.empty() ? std::string() : folder + kFileName;
}

bool CRunLock::TryLock(Kind kind)
{
    if (m_fd >= 0)
        return true;
    const std::string path = LockPath();
    if (path.empty())
        return true;
    CUniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600));
    if (fd.Get() < 0)
        return true;
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        return errno != EWOULDBLOCK;
    const std::string_view text = kind == Kind::Scheduled ? kScheduled : kManual;
    if (::ftruncate(fd.Get(), 0) == 0)
        (void)!::pwrite(fd.Get(), text.data(), text.size(), 0);
    m_fd = fd.Release();
    return true;
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
    const std::string path = LockPath();
    if (path.empty())
        return Kind::Unknown;
    CUniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    char buffer[16] = {};
    const ssize_t got = fd.Get() < 0 ? -1 : ::pread(fd.Get(), buffer, sizeof buffer, 0);
    if (got <= 0)
        return Kind::Unknown;
    const std::string_view text(buffer, static_cast<std::size_t>(got));
    return text == kScheduled ? Kind::Scheduled : text == kManual ? Kind::Manual : Kind::Unknown;
}
