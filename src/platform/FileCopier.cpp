#include "platform/FileCopier.h"

#include "platform/PathParts.h"

#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using PathParts::FolderOf;
using PathParts::NameOf;

constexpr size_t kBufferSize = 256 * 1024;
constexpr int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

// Removes a half-written file at scope end unless told it is complete.
class UnlinkGuard {
public:
    explicit UnlinkGuard(std::string path)
        : m_path(std::move(path))
    {
    }
    ~UnlinkGuard()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    UnlinkGuard(const UnlinkGuard&) = delete;
    UnlinkGuard& operator=(const UnlinkGuard&) = delete;
    void Keep() { m_path.clear(); }

private:
    std::string m_path;
};

int OpenSource(const std::string& from)
{
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(from.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM) // O_NOATIME needs ownership
        fd = ::open(from.c_str(), flags);
    return fd;
}

// A temporary name beside the target; hidden, and marked as Korvane's own.
std::string TempNameFor(const std::string& to)
{
    static thread_local std::mt19937 random { std::random_device {}() };
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
    std::string name = NameOf(to);
    if (name.size() > 200)
        name.resize(200);
    return FolderOf(to) + "/.~kv." + name + "." + suffix;
}

int OpenTemp(const std::string& to, std::string& tempPath)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempPath = TempNameFor(to);
        const int fd = ::open(tempPath.c_str(), kNewFileFlags, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// An existing target must be replaceable: a folder never is, and a file
// without the owner's write bit is read-only even for root.
int CheckReplaceable(const std::string& to, bool& exists)
{
    struct stat st { };
    exists = false;
    if (::lstat(to.c_str(), &st) != 0)
        return errno == ENOENT ? 0 : errno;
    exists = true;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        return EACCES;
    return 0;
}

} // namespace

CFileCopier::CFileCopier()
    : m_effectiveUid(::geteuid())
{
}

int CFileCopier::Copy(const std::string& from, const std::string& to, bool failIfExists)
{
    const int sourceFd = OpenSource(from);
    if (sourceFd < 0) {
        if (errno == ELOOP)
            return CopyLink(from, to, failIfExists);
        return errno == ENXIO ? EOPNOTSUPP : errno; // ENXIO: a socket
    }
    CUniqueFd source(sourceFd);
    struct stat st { };
    if (::fstat(sourceFd, &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return EOPNOTSUPP;
    return CopyRegular(sourceFd, to, failIfExists, st);
}

int CFileCopier::CopyRegular(int sourceFd, const std::string& to, bool failIfExists, const struct stat& st)
{
    bool exists = false;
    if (!failIfExists) {
        if (const int error = CheckReplaceable(to, exists))
            return error;
    }
    std::string writePath = to;
    const int targetFd = exists ? OpenTemp(to, writePath) : ::open(to.c_str(), kNewFileFlags, 0600);
    if (targetFd < 0)
        return errno;
    CUniqueFd target(targetFd);
    UnlinkGuard partial(writePath);
    if (!exists && st.st_size > 0) {
        const timespec epoch[2] = { { 0, 0 }, { 0, 0 } };
        ::futimens(targetFd, epoch);
    }
    if (const int error = WriteContents(sourceFd, targetFd, static_cast<std::uint64_t>(st.st_size), st))
        return error;
    if (const int error = FinishFile(targetFd, st, exists))
        return error;
    if (const int error = target.Close())
        return error;
    if (exists && ::rename(writePath.c_str(), to.c_str()) != 0)
        return errno;
    partial.Keep();
    return 0;
}

int CFileCopier::WriteContents(int sourceFd, int targetFd, std::uint64_t size, const struct stat& st)
{
    if (size == 0)
        return 0;
    const auto device = static_cast<std::uint64_t>(st.st_dev);
    if (m_failAfter < 0 && std::find(m_noReflink.begin(), m_noReflink.end(), device) == m_noReflink.end()) {
        if (::ioctl(targetFd, FICLONE, sourceFd) == 0)
            return 0;
        m_noReflink.push_back(device);
    }
    if (!m_noCopyRange) {
        const int error = CopyRange(sourceFd, targetFd, size);
        if (error != ENOSYS)
            return error;
        m_noCopyRange = true;
    }
    return CopyBuffered(sourceFd, targetFd, size);
}

// ENOSYS means "not possible here, nothing written": use plain reads.
int CFileCopier::CopyRange(int sourceFd, int targetFd, std::uint64_t size)
{
    std::uint64_t done = 0;
    while (done < size) {
        auto chunk = static_cast<size_t>(std::min<std::uint64_t>(size - done, 1u << 30));
        if (m_failAfter >= 0) {
            const auto limit = static_cast<std::uint64_t>(m_failAfter);
            if (done >= limit) {
                m_failAfter = -1;
                return EIO;
            }
            chunk = static_cast<size_t>(std::min<std::uint64_t>(chunk, limit - done));
        }
        const ssize_t n = ::copy_file_range(sourceFd, nullptr, targetFd, nullptr, chunk, 0);
        if (n < 0) {
            if (done == 0 && (errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == ENOSYS))
                return ENOSYS;
            return errno;
        }
        if (n == 0)
            break; // the file shrank while being copied
        done += static_cast<std::uint64_t>(n);
    }
    return 0;
}

int CFileCopier::CopyBuffered(int sourceFd, int targetFd, std::uint64_t size)
{
    if (m_buffer.empty())
        m_buffer.resize(kBufferSize);
    std::uint64_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(sourceFd, m_buffer.data(), m_buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break;
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::write(targetFd, m_buffer.data() + written, static_cast<size_t>(n - written));
            if (w < 0 && errno != EINTR)
                return errno;
            written += std::max<ssize_t>(w, 0);
        }
        done += static_cast<std::uint64_t>(n);
    }
    return 0;
}

// Mode and times come last, the time very last: only a complete copy carries
// the source's modification time.
int CFileCopier::FinishFile(int targetFd, const struct stat& st, bool flush)
{
    mode_t mode = st.st_mode & 07777;
    // A copy owned by someone else than the original must not keep set-id bits.
    if (st.st_uid != m_effectiveUid)
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    if (::fchmod(targetFd, mode) != 0)
        return errno;
    const timespec times[2] = { st.st_atim, st.st_mtim };
    if (::futimens(targetFd, times) != 0)
        return errno;
    if (flush && ::fsync(targetFd) != 0)
        return errno;
    return 0;
}

int CFileCopier::CopyLink(const std::string& from, const std::string& to, bool failIfExists)
{
    struct stat st { };
    if (::lstat(from.c_str(), &st) != 0)
        return errno;
    if (!S_ISLNK(st.st_mode))
        return EAGAIN; // changed between the two looks
    std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
    const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
    if (n < 0)
        return errno;
    if (static_cast<size_t>(n) >= target.size())
        return EAGAIN; // grew meanwhile
    target.resize(static_cast<size_t>(n));

    std::string writePath = to;
    if (!failIfExists) {
        bool exists = false;
        if (const int error = CheckReplaceable(to, exists))
            return error;
        if (exists)
            writePath = TempNameFor(to);
    }
    if (::symlink(target.c_str(), writePath.c_str()) != 0)
        return errno;
    UnlinkGuard partial(writePath);
    const timespec times[2] = { st.st_atim, st.st_mtim };
    ::utimensat(AT_FDCWD, writePath.c_str(), times, AT_SYMLINK_NOFOLLOW);
    if (writePath != to && ::rename(writePath.c_str(), to.c_str()) != 0)
        return errno;
    partial.Keep();
    return 0;
}
