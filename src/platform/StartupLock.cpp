#include "platform/StartupLock.h"

#include "platform/RunLock.h"
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

} // namespace

CStartupLock::~CStartupLock()
{
    Unlock();
}

std::string CStartupLock::Folder()
{
    const uid_t uid = ::geteuid();
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        if (std::string folder = CRunLock::PrivateFolder(runtime, uid); !folder.empty())
            return folder;
    }
    return CRunLock::PrivateFolder(TempFolder() + "/korvane-" + std::to_string(uid), uid);
}

bool CStartupLock::Lock()
{
    if (m_fd >= 0)
        return true;
    const std::string folder = Folder();
    if (folder.empty())
        return false;
    const std::string path = folder + "/KV.lock";
    CUniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd.Get() < 0)
        return false;
    int result = 0;
    while ((result = ::flock(fd.Get(), LOCK_EX)) != 0 && errno == EINTR) { }
    if (result != 0)
        return false;
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
