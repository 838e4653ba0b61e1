#include "platform/fs/DirHandle.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kWalkFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
constexpr unsigned kRetries = 8;

std::atomic<bool> g_forceWalk { false };
// Set once a kernel without openat2 answered, so the walk is not tried
// twice for every item.
std::atomic<bool> g_noOpenat2 { false };

int Openat2(int folder, const std::string& relative, bool listing)
{
    open_how how {};
    how.flags = listing ? O_RDONLY | O_DIRECTORY | O_CLOEXEC : kWalkFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
    for (unsigned attempt = 0;; ++attempt) {
        const long fd = ::syscall(SYS_openat2, folder, relative.c_str(), &how, sizeof how);
        if (fd >= 0)
            return static_cast<int>(fd);
        // EAGAIN: a rename elsewhere raced the walk; it is safe to try again.
        if (errno != EAGAIN || attempt >= kRetries)
            return -1;
    }
}

bool IsLinkAt(int folder, const std::string& name)
{
    char buffer[1];
    return ::readlinkat(folder, name.c_str(), buffer, sizeof buffer) >= 0;
}

// One name at a time, never following a link: the walk kernels without
// openat2 get, and paths longer than the kernel takes at once.
int Walk(int folder, std::string_view relative)
{
    int current = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
    if (current < 0)
        return -1;
    while (!relative.empty()) {
        const std::size_t slash = relative.find('/');
        const std::string name(relative.substr(0, slash));
        relative = slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            ::close(current);
            errno = EXDEV;
            return -1;
        }
        const int next = ::openat(current, name.c_str(), kWalkFlags | O_NOFOLLOW);
        // O_PATH with O_NOFOLLOW opens a link itself, which O_DIRECTORY then
        // refuses as "not a folder": told as the link it is, as openat2 does.
        const int opened = errno;
        const int error = next < 0 && opened == ENOTDIR && IsLinkAt(current, name) ? ELOOP : opened;
        ::close(current);
        if (next < 0) {
            errno = error;
            return -1;
        }
        current = next;
    }
    return current;
}

} // namespace

CDirHandle::~CDirHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

CDirHandle::CDirHandle(CDirHandle&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
{
}

CDirHandle& CDirHandle::operator=(CDirHandle&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

int CDirHandle::Release()
{
    return std::exchange(m_fd, -1);
}

void CDirHandle::ForceComponentWalk(bool force)
{
    g_forceWalk.store(force);
}

int CDirHandle::OpenNamed(const std::string& path, CDirHandle& out)
{
    const int fd = ::open(path.empty() ? "/" : path.c_str(), kWalkFlags);
    if (fd < 0)
        return errno;
    out = CDirHandle(fd);
    return 0;
}

int CDirHandle::OpenFolder(std::string_view relative, CDirHandle& out, bool listing) const
{
    if (m_fd < 0)
        return EBADF;
    while (!relative.empty() && relative.front() == '/')
        relative.remove_prefix(1);
    const std::string text(relative.empty() ? std::string_view(".") : relative);
    int fd = -1;
    if (!g_forceWalk.load() && !g_noOpenat2.load()) {
        fd = Openat2(m_fd, text, listing);
        if (fd < 0 && errno == ENOSYS)
            g_noOpenat2.store(true);
    }
    const bool walk = fd < 0 && (g_forceWalk.load() || g_noOpenat2.load() || errno == ENAMETOOLONG);
    if (walk)
        fd = Walk(m_fd, relative);
    if (fd < 0)
        return errno;
    out = CDirHandle(fd);
    // The walk opens for walking only.
    if (listing && walk)
        return out.OpenForListing(out);
    return 0;
}

int CDirHandle::OpenParentOf(std::string_view relative, CDirHandle& folder, std::string& name) const
{
    while (!relative.empty() && relative.back() == '/')
        relative.remove_suffix(1);
    const std::size_t slash = relative.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? relative : relative.substr(slash + 1);
    if (last.empty() || last == "." || last == "..")
        return EINVAL;
    if (const int error
        = OpenFolder(slash == std::string_view::npos ? std::string_view() : relative.substr(0, slash), folder))
        return error;
    name.assign(last);
    return 0;
}

int CDirHandle::OpenForListing(CDirHandle& out) const
{
    if (m_fd < 0)
        return EBADF;
    const int fd = ::openat(m_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    out = CDirHandle(fd);
    return 0;
}
