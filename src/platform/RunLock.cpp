#include "platform/RunLock.h"

#include "platform/SystemInfo.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CRunLock::~CRunLock()
{
    Unlock();
}

std::string CRunLock::LockPath()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime && *runtime == '/' ? runtime : CSystemInfo::TempPath();
    return folder + "/KV.action.lock";
}

bool CRunLock::TryLock()
{
    if (m_fd >= 0)
        return true;
    const int fd = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    m_fd = fd;
    return true;
}

void CRunLock::Unlock()
{
    if (m_fd < 0)
        return;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
}
