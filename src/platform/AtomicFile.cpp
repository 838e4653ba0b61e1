#include "platform/AtomicFile.h"

#include "platform/PathParts.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using PathParts::FolderOf;
using PathParts::NameOf;

// A link to a session file is kept as a link: the file it points to is the one
// replaced.
std::string ResolveLink(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        return path;
    return resolved;
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

std::atomic<unsigned> g_counter { 0 };

} // namespace

CAtomicFile::~CAtomicFile()
{
    Discard();
}

bool CAtomicFile::Fail()
{
    m_error = errno;
    Discard();
    return false;
}

void CAtomicFile::Discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
    m_temp.clear();
}

bool CAtomicFile::Open(const std::string& path, int newFileMode)
{
    Discard();
    m_error = 0;
    m_target = ResolveLink(path);
    struct stat st { };
    const bool exists = ::stat(m_target.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        m_error = EISDIR;
        return false;
    }
    // Renaming would replace even a write-protected file; it must fail the way
    // opening it for writing would.
    if (exists && !(st.st_mode & S_IWUSR)) {
        m_error = EACCES;
        return false;
    }
    const std::string prefix = FolderOf(m_target) + "/." + NameOf(m_target) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = prefix + std::to_string(::getpid()) + "-" + std::to_string(g_counter++) + ".tmp";
        // 0666 less the umask: the mode a newly created file would have had.
        m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_temp = candidate;
            break;
        }
        if (errno != EEXIST)
            return Fail();
    }
    if (m_fd < 0)
        return Fail();
    if (exists) {
        // Keep the replaced file's owner and mode; a change of owner needs
        // privileges we may not have, and is then left as it is.
        [[maybe_unused]] const int owned = ::fchown(m_fd, st.st_uid, st.st_gid);
        ::fchmod(m_fd, st.st_mode & 07777);
    } else if (newFileMode >= 0) {
        ::fchmod(m_fd, static_cast<mode_t>(newFileMode) & 07777);
    }
    return true;
}

bool CAtomicFile::Write(std::string_view bytes)
{
    if (m_fd < 0) {
        m_error = EBADF;
        return false;
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return Fail();
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool CAtomicFile::Commit()
{
    if (m_fd < 0) {
        m_error = EBADF;
        return false;
    }
    if (::fsync(m_fd) != 0)
        return Fail();
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return Fail();
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0)
        return Fail();
    m_temp.clear();
    SyncFolder(FolderOf(m_target));
    return true;
}
