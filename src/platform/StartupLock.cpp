#include "platform/StartupLock.h"

#include "platform/SystemInfo.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

std::string TempFolder()
{
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp == '/' ? std::string(tmp) : std::string("/tmp");
}

std::string FileProblem(const char* what, int code)
{
    std::string text;
    if (!CSystemInfo::ErrorText(code, text))
        text = "error " + std::to_string(code);
    return std::string("the lock file cannot be ") + what + ": " + text;
}

} // namespace

CStartupLock::~CStartupLock()
{
    Unlock();
}

std::string CStartupLock::Folder(CRunLock::Refusal* refusal)
{
    CRunLock::Refusal found;
    CUniqueFd folder(OpenFolder(found));
    if (refusal)
        *refusal = found;
    return folder.Get() >= 0 ? found.folder : std::string();
}

int CStartupLock::OpenFolder(CRunLock::Refusal& refusal)
{
    const uid_t uid = ::geteuid();
    // A runtime folder that is not this user's (sudo keeps the caller's)
    // is passed for the temporary folder; that one must be right.
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        std::string ignored;
        if (const int fd = CRunLock::OpenPrivateFolder(runtime, uid, ignored); fd >= 0) {
            refusal = { runtime, {} };
            return fd;
        }
    }
    refusal = { TempFolder() + "/korvane-" + std::to_string(uid), {} };
    return CRunLock::OpenPrivateFolder(refusal.folder, uid, refusal.reason);
}

bool CStartupLock::Lock()
{
    if (m_fd >= 0)
        return true;
    m_problem = {};
    CUniqueFd folder(OpenFolder(m_problem));
    if (folder.Get() < 0)
        return false;
    CUniqueFd fd(::openat(folder.Get(), "KV.lock", O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd.Get() < 0) {
        m_problem.reason = FileProblem("opened", errno);
        return false;
    }
    int result = 0;
    while ((result = ::flock(fd.Get(), LOCK_EX)) != 0 && errno == EINTR) { }
    if (result != 0) {
        m_problem.reason = FileProblem("locked", errno);
        return false;
    }
    m_fd = fd.Release();
    return true;
}

void CStartupLock::Unlock()
{
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}
