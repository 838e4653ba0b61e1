#include "platform/FileCopier.h"

#include "platform/FileSecurity.h"
#include "platform/ReplacementPlacer.h"
#include "platform/UniqueFd.h"
#include "platform/fs/ItemAt.h"
#include "platform/fs/ItemOps.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <linux/fs.h>
#include <random>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;
// One copy_file_range call at most: a stop is seen within a fraction of a
// second even on a slow disk.
constexpr std::uint64_t kRangeChunk = 8 * 1024 * 1024;
constexpr std::string_view kTempPrefix = ".~kv";
constexpr std::size_t kTempDigits = 8;
constexpr int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
// A batch of replacements stays small enough that its dirty data is written
// out in one go, and leaves most descriptors of the process free.
constexpr std::size_t kMostBatchFiles = 256;
constexpr std::uint64_t kMostBatchBytes = 64ull * 1024 * 1024;

// Removes a half-written file at scope end unless told it is complete.
class UnlinkGuard {
public:
    UnlinkGuard(const CDirHandle& folder, std::string name)
        : m_folder(folder)
        , m_name(std::move(name))
    {
    }
    ~UnlinkGuard()
    {
        if (!m_name.empty())
            ::unlinkat(m_folder.Fd(), m_name.c_str(), 0);
    }
    UnlinkGuard(const UnlinkGuard&) = delete;
    UnlinkGuard& operator=(const UnlinkGuard&) = delete;
    void Keep() { m_name.clear(); }

private:
    const CDirHandle& m_folder;
    std::string m_name;
};

int OpenSource(const ItemAt& from)
{
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::openat(from.folder->Fd(), from.name.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM) // O_NOATIME needs ownership
        fd = ::openat(from.folder->Fd(), from.name.c_str(), flags);
    return fd;
}

bool SameState(const struct stat& a, const struct stat& b)
{
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec
        && a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Settles a file's group of names whichever way its copy ends: placed under
// its real name, or dropped.
class GroupGuard {
public:
    GroupGuard(CHardLinks* links, const struct stat& st)
        : m_links(links)
        , m_device(static_cast<std::uint64_t>(st.st_dev))
        , m_inode(static_cast<std::uint64_t>(st.st_ino))
    {
    }
    ~GroupGuard()
    {
        if (m_links)
            m_links->Dropped(m_device, m_inode);
    }
    GroupGuard(const GroupGuard&) = delete;
    GroupGuard& operator=(const GroupGuard&) = delete;
    void Placed(const ItemAt& copy)
    {
        struct stat st { };
        if (!m_links || ::fstatat(copy.folder->Fd(), copy.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        m_links->Placed(
            m_device, m_inode, { copy, static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino) });
        m_links = nullptr;
    }

private:
    CHardLinks* m_links;
    std::uint64_t m_device;
    std::uint64_t m_inode;
};

bool IsLowerHex(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
}

// A short hidden name beside the target: its length does not depend on the
// target's, so a name near the limit can still get one.
std::string TempName()
{
    static thread_local std::mt19937 random { std::random_device {}() };
    char name[16];
    std::snprintf(name, sizeof name, "%s%08x", kTempPrefix.data(), static_cast<unsigned>(random()));
    return name;
}

// The lock tells a later scan that this file is being written, not left over.
int OpenTemp(const CDirHandle& folder, std::string& tempName)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        tempName = TempName();
        const int fd = ::openat(folder.Fd(), tempName.c_str(), kNewFileFlags, 0600);
        if (fd >= 0) {
            ::flock(fd, LOCK_EX | LOCK_NB); // a file system without locks still copies
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    errno = EEXIST;
    return -1;
}

// A new copy is made as a file without a name where the file system can:
// it is named in one step once complete, a run killed meanwhile leaves
// nothing behind, and the folder is locked once per copy instead of twice.
int OpenUnnamed(const CDirHandle& folder)
{
    return ::openat(folder.Fd(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
}

// Names a complete file made by OpenUnnamed, never replacing what may have
// appeared there since the target was looked at. kUnnamedRefused when the
// system gives no way to name it (no /proc, and no right to link a
// descriptor): the copy goes again under a temporary name.
constexpr int kUnnamedRefused = -1;
int NameUnnamed(int fd, const CDirHandle& folder, const std::string& name)
{
    if (::linkat(fd, "", folder.Fd(), name.c_str(), AT_EMPTY_PATH) == 0)
        return 0;
    if (errno != ENOENT && errno != EPERM)
        return errno;
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, self, folder.Fd(), name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno != ENOENT)
        return errno;
    struct stat st { };
    if (::fstat(folder.Fd(), &st) == 0 && st.st_nlink == 0)
        return ENOENT; // the folder itself was removed
    return kUnnamedRefused;
}

// Gives a complete new copy its real name, never replacing what may have
// appeared there since the target was looked at.
int PlaceNew(const CDirHandle& folder, const std::string& temp, const std::string& to)
{
    const int fd = folder.Fd();
    if (::renameat2(fd, temp.c_str(), fd, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    // The file system cannot refuse a replacement in one rename; a hard link can.
    if (::linkat(fd, temp.c_str(), fd, to.c_str(), 0) == 0) {
        ::unlinkat(fd, temp.c_str(), 0);
        return 0;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK)
        return errno;
    // Neither (vfat and the like): look first, then rename.
    struct stat st { };
    if (::fstatat(fd, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return ::renameat(fd, temp.c_str(), fd, to.c_str()) == 0 ? 0 : errno;
}

// Only a replacement is made durable before its rename, so the old version
// is never gone before the new one is on the disk. A new file has nothing to
// lose, and a torn one is told apart by its size.
int MakeDurable(int fd)
{
    return ::fsync(fd) == 0 ? 0 : errno;
}

std::size_t BatchFilesAllowed()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kMostBatchFiles;
    return std::clamp<std::size_t>(static_cast<std::size_t>(limit.rlim_cur / 4), 1, kMostBatchFiles);
}

} // namespace

CFileCopier::CFileCopier()
    : m_batchFiles(BatchFilesAllowed())
    , m_effectiveUid(::geteuid())
{
}

CFileCopier::~CFileCopier() = default;

bool CFileCopier::BatchFull() const
{
    return m_waiting.size() >= m_batchFiles || m_waitingBytes >= kMostBatchBytes;
}

void CFileCopier::PlaceReplacements(
    const std::function<void(const std::string& from, const std::string& to, int error)>& placed)
{
    std::vector<CStagedCopy> batch = TakeWaiting();
    for (const CReplacementPlacer::Placed& copy : CReplacementPlacer::PlaceNow(batch))
        placed(copy.from, copy.to, copy.error);
}

std::vector<CStagedCopy> CFileCopier::TakeWaiting()
{
    m_waitingBytes = 0;
    return std::exchange(m_waiting, {});
}

void CFileCopier::AddWaiting(CStagedCopy staged)
{
    m_waitingBytes += staged.Bytes();
    m_waiting.push_back(std::move(staged));
}

bool CFileCopier::IsTemporaryName(std::string_view name)
{
    if (name.substr(0, kTempPrefix.size()) != kTempPrefix)
        return false;
    if (name.size() == kTempPrefix.size() + kTempDigits)
        return IsLowerHex(name.substr(kTempPrefix.size()));
    // Earlier versions: ".~kv." + the target's name + "." + eight hex digits.
    const std::size_t tail = kTempDigits + 1;
    return name.size() >= kTempPrefix.size() + 2 + tail && name[kTempPrefix.size()] == '.'
        && name[name.size() - tail] == '.' && IsLowerHex(name.substr(name.size() - kTempDigits));
}

int CFileCopier::RemoveIfStale(int folderFd, const std::string& name)
{
    const int fd = ::openat(folderFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A link is renamed into place the moment it is made: one still
        // under a temporary name was left by a killed run.
        if (errno == ELOOP)
            return ::unlinkat(folderFd, name.c_str(), 0) == 0 ? 0 : errno;
        return errno;
    }
    CUniqueFd file(fd);
    struct stat st { };
    if (::fstat(fd, &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return EBUSY;
    return ::unlinkat(folderFd, name.c_str(), 0) == 0 ? 0 : errno;
}

int CFileCopier::Copy(const std::string& from, const std::string& to, bool failIfExists, const CFileSecurity* security)
{
    ItemAt source;
    ItemAt target;
    if (const int error = ItemOps::ReachByName(from, source))
        return error;
    if (const int error = ItemOps::ReachByName(to, target))
        return error;
    return CopyAt(source, target, failIfExists, security, FileKind::Unknown);
}

int CFileCopier::CopyAt(
    const ItemAt& from, const ItemAt& to, bool failIfExists, const CFileSecurity* security, FileKind expected)
{
    if (expected == FileKind::Other)
        return CopySpecial(from, to, failIfExists, security != nullptr);
    // Looked at before it is opened: opening a device node may already act.
    struct stat looked { };
    if (expected == FileKind::Regular) {
        if (::fstatat(from.folder->Fd(), from.name.c_str(), &looked, AT_SYMLINK_NOFOLLOW) != 0)
            return errno;
        if (!S_ISREG(looked.st_mode))
            return kItemChanged;
    }
    const int sourceFd = OpenSource(from);
    if (sourceFd < 0) {
        if (errno == ELOOP)
            return expected == FileKind::Regular ? kItemChanged : CopyLink(from, to, failIfExists, security);
        return errno == ENXIO ? EOPNOTSUPP : errno; // ENXIO: a socket
    }
    CUniqueFd source(sourceFd);
    struct stat st { };
    if (::fstat(sourceFd, &st) != 0)
        return errno;
    if (expected != FileKind::Unknown
        && (!S_ISREG(st.st_mode) || (expected == FileKind::Regular && st.st_ino != looked.st_ino)))
        return kItemChanged;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return EOPNOTSUPP;
    return CopyRegular(from, sourceFd, to, failIfExists, st, security);
}

// An existing target must be replaceable: a folder never is, and a file
// without the owner's write bit is read-only even for root, unless read-only
// copies may be replaced.
int CFileCopier::CheckReplaceable(const ItemAt& to, bool& exists) const
{
    struct stat st { };
    exists = false;
    if (::fstatat(to.folder->Fd(), to.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : errno;
    exists = true;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR) && !m_replaceReadOnly)
        return EACCES;
    return 0;
}

// A file rewritten while it was read gives a copy that is no version of it:
// it is copied once more, and when it still moves, the copy keeps the time
// of now instead of the source's, so that the next run copies it again.
int CFileCopier::CopyRegular(const ItemAt& from, int sourceFd, const ItemAt& to, bool failIfExists,
    const struct stat& looked, const CFileSecurity* security)
{
    const int result = CopyRegularOnce(from, sourceFd, to, failIfExists, looked, security);
    if (result != kUnnamedRefused)
        return result;
    m_noUnnamed = true;
    return CopyRegularOnce(from, sourceFd, to, failIfExists, looked, security);
}

int CFileCopier::CopyRegularOnce(const ItemAt& from, int sourceFd, const ItemAt& to, bool failIfExists,
    const struct stat& looked, const CFileSecurity* security)
{
    bool exists = false;
    if (!failIfExists) {
        if (const int error = CheckReplaceable(to, exists))
            return error;
    }
    CHardLinks* links = looked.st_nlink > 1 ? m_links : nullptr;
    if (links) {
        CHardLinks::Copy first;
        if (!links->Claim(
                static_cast<std::uint64_t>(looked.st_dev), static_cast<std::uint64_t>(looked.st_ino), first)) {
            links = nullptr;
            if (first.item.folder && LinkToCopy(first, to, exists) == 0)
                return 0;
        }
    }
    GroupGuard group(links, looked);
    const CDirHandle& folder = *to.folder;
    std::string temp;
    int targetFd = exists || m_noUnnamed ? -1 : OpenUnnamed(folder);
    const bool unnamed = targetFd >= 0;
    if (!unnamed && (targetFd = OpenTemp(folder, temp)) < 0)
        return errno;
    CUniqueFd target(targetFd);
    UnlinkGuard partial(folder, temp);
    struct stat st = looked;
    bool steady = false;
    for (int attempt = 0; attempt < 2 && !steady; ++attempt) {
        if (attempt > 0 && (::ftruncate(targetFd, 0) != 0 || ::fstat(sourceFd, &st) != 0))
            return errno;
        m_done = 0;
        if (const int error = WriteContents(sourceFd, targetFd, st))
            return error;
        struct stat after { };
        if (::fstat(sourceFd, &after) != 0)
            return errno;
        steady = SameState(st, after);
    }
    if (const int error = FinishFile(targetFd, st, steady))
        return error;
    const int securityError = security ? security->WriteFd(targetFd) : 0;
    const int result = securityError ? securityError : (steady ? 0 : kChangedDuringCopy);
    // A file of several names is placed at once: its later names are made
    // links to this copy, which a batch would place only later.
    if (exists && m_batch && result == 0 && !links) {
        partial.Keep();
        CStagedCopy staged(from.path, to.path, to.folder, std::move(temp), to.name, target.Release(),
            static_cast<std::uint64_t>(st.st_size));
        // Written out from now on, while other files are copied: by the time
        // its batch is made durable, little is left for fsync to wait for.
        staged.StartWriteback();
        AddWaiting(std::move(staged));
        return 0;
    }
    if (exists) {
        if (const int error = MakeDurable(targetFd))
            return error;
    }
    // Renamed while still open, so the lock holds until the file has its
    // real name.
    int placed = 0;
    if (exists)
        placed = ::renameat(folder.Fd(), temp.c_str(), folder.Fd(), to.name.c_str()) == 0 ? 0 : errno;
    else
        placed = unnamed ? NameUnnamed(targetFd, folder, to.name) : PlaceNew(folder, temp, to.name);
    if (placed)
        return placed;
    partial.Keep();
    // A delayed write error shows at close: a new copy that failed goes
    // again (a replacement was flushed, so its errors came out before).
    if (const int error = target.Close()) {
        if (!exists)
            ::unlinkat(folder.Fd(), to.name.c_str(), 0);
        return error;
    }
    if (result == 0)
        group.Placed(to);
    return result;
}

// A later name of a file with several links: a link to the first name's
// copy, while that copy is still the file made of it. A replaced target
// takes the link under a temporary name first, so it is never missing.
int CFileCopier::LinkToCopy(const CHardLinks::Copy& first, const ItemAt& to, bool exists) const
{
    struct stat st { };
    const CDirHandle& from = *first.item.folder;
    if (::fstatat(from.Fd(), first.item.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)
        || static_cast<std::uint64_t>(st.st_dev) != first.device
        || static_cast<std::uint64_t>(st.st_ino) != first.inode)
        return ESTALE;
    const int folder = to.folder->Fd();
    if (!exists)
        return ::linkat(from.Fd(), first.item.name.c_str(), folder, to.name.c_str(), 0) == 0 ? 0 : errno;
    const std::string temp = TempName();
    if (::linkat(from.Fd(), first.item.name.c_str(), folder, temp.c_str(), 0) != 0)
        return errno;
    if (::renameat(folder, temp.c_str(), folder, to.name.c_str()) != 0) {
        const int error = errno;
        ::unlinkat(folder, temp.c_str(), 0);
        return error;
    }
    return 0;
}

int CFileCopier::WriteContents(int sourceFd, int targetFd, const struct stat& st)
{
    if (st.st_size == 0)
        return 0;
    const auto device = static_cast<std::uint64_t>(st.st_dev);
    const bool hooked = m_failAfter >= 0 || m_onChunk;
    if (!hooked && std::find(m_noReflink.begin(), m_noReflink.end(), device) == m_noReflink.end()) {
        if (::ioctl(targetFd, FICLONE, sourceFd) == 0)
            return 0;
        m_noReflink.push_back(device);
    }
    return CopyRegions(sourceFd, targetFd, st);
}

// A file with fewer blocks than its size has holes: only its data regions
// are copied and the holes stay holes, as cp does.
int CFileCopier::CopyRegions(int sourceFd, int targetFd, const struct stat& st)
{
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (static_cast<std::uint64_t>(st.st_blocks) * 512 >= size)
        return CopyRegion(sourceFd, targetFd, 0, size);
    off_t offset = 0;
    while (offset < st.st_size) {
        const off_t data = ::lseek(sourceFd, offset, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break; // only a hole is left
            if (offset == 0 && (errno == EINVAL || errno == EOPNOTSUPP))
                return CopyRegion(sourceFd, targetFd, 0, size);
            return errno;
        }
        off_t hole = ::lseek(sourceFd, data, SEEK_HOLE);
        if (hole < 0)
            return errno;
        hole = std::min(hole, st.st_size);
        if (data >= hole)
            break;
        if (const int error
            = CopyRegion(sourceFd, targetFd, static_cast<std::uint64_t>(data), static_cast<std::uint64_t>(hole - data)))
            return error;
        offset = hole;
    }
    return ::ftruncate(targetFd, st.st_size) == 0 ? 0 : errno;
}

int CFileCopier::CopyRegion(int sourceFd, int targetFd, std::uint64_t offset, std::uint64_t length)
{
    const std::uint64_t end = offset + length;
    if (!m_noCopyRange) {
        const int error = CopyRange(sourceFd, targetFd, offset, end);
        if (error != ENOSYS)
            return error;
        m_noCopyRange = true;
    }
    return CopyBuffered(sourceFd, targetFd, offset, end);
}

// Runs before every chunk: the test hooks, and the cancel flag.
int CFileCopier::NextChunk(std::uint64_t wanted, std::size_t& chunk)
{
    if (m_onChunk)
        m_onChunk();
    if (m_cancel && m_cancel->load() != 0)
        return ECANCELED;
    chunk = static_cast<std::size_t>(wanted);
    if (m_failAfter >= 0) {
        const auto limit = static_cast<std::uint64_t>(m_failAfter);
        if (m_done >= limit) {
            m_failAfter = -1;
            return EIO;
        }
        chunk = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, limit - m_done));
    }
    return 0;
}

// ENOSYS means "not possible here, nothing written": use plain reads.
int CFileCopier::CopyRange(int sourceFd, int targetFd, std::uint64_t& position, std::uint64_t end)
{
    const std::uint64_t start = position;
    while (position < end) {
        std::size_t chunk = 0;
        if (const int error = NextChunk(std::min(end - position, kRangeChunk), chunk))
            return error;
        loff_t in = static_cast<loff_t>(position);
        loff_t out = in;
        const ssize_t n = ::copy_file_range(sourceFd, &in, targetFd, &out, chunk, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (position == start && (errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == ENOSYS))
                return ENOSYS;
            return errno;
        }
        if (n == 0)
            break; // the file shrank while being copied
        position += static_cast<std::uint64_t>(n);
        m_done += static_cast<std::uint64_t>(n);
    }
    return 0;
}

int CFileCopier::CopyBuffered(int sourceFd, int targetFd, std::uint64_t& position, std::uint64_t end)
{
    if (m_buffer.empty())
        m_buffer.resize(kBufferSize);
    while (position < end) {
        std::size_t chunk = 0;
        if (const int error = NextChunk(std::min<std::uint64_t>(end - position, m_buffer.size()), chunk))
            return error;
        const ssize_t n = ::pread(sourceFd, m_buffer.data(), chunk, static_cast<off_t>(position));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break;
        for (ssize_t written = 0; written < n;) {
            const ssize_t w = ::pwrite(targetFd, m_buffer.data() + written, static_cast<size_t>(n - written),
                static_cast<off_t>(position) + written);
            if (w < 0 && errno != EINTR)
                return errno;
            written += std::max<ssize_t>(w, 0);
        }
        position += static_cast<std::uint64_t>(n);
        m_done += static_cast<std::uint64_t>(n);
    }
    return 0;
}

// Mode and times come last, once the contents are complete.
int CFileCopier::FinishFile(int targetFd, const struct stat& st, bool withTimes)
{
    mode_t mode = st.st_mode & 07777;
    // A copy owned by someone else than the original must not keep set-id bits.
    if (st.st_uid != m_effectiveUid)
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    if (::fchmod(targetFd, mode) != 0)
        return errno;
    if (!withTimes)
        return 0;
    const timespec times[2] = { st.st_atim, st.st_mtim };
    return ::futimens(targetFd, times) == 0 ? 0 : errno;
}

int CFileCopier::CopyLink(const ItemAt& from, const ItemAt& to, bool failIfExists, const CFileSecurity* security)
{
    struct stat st { };
    if (::fstatat(from.folder->Fd(), from.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISLNK(st.st_mode))
        return EAGAIN; // changed between the two looks
    std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
    const ssize_t n = ::readlinkat(from.folder->Fd(), from.name.c_str(), target.data(), target.size());
    if (n < 0)
        return errno;
    if (static_cast<size_t>(n) >= target.size())
        return EAGAIN; // grew meanwhile
    target.resize(static_cast<size_t>(n));

    // A new link is made under its real name at once: symlink never
    // replaces, and a link is whole the moment it exists.
    const CDirHandle& folder = *to.folder;
    std::string writeName = to.name;
    bool exists = false;
    if (!failIfExists) {
        if (const int error = CheckReplaceable(to, exists))
            return error;
        if (exists)
            writeName = TempName();
    }
    if (::symlinkat(target.c_str(), folder.Fd(), writeName.c_str()) != 0)
        return errno;
    UnlinkGuard partial(folder, writeName);
    const timespec times[2] = { st.st_atim, st.st_mtim };
    ::utimensat(folder.Fd(), writeName.c_str(), times, AT_SYMLINK_NOFOLLOW);
    const int securityError = security ? security->WriteAt(folder, writeName) : 0;
    if (exists && ::renameat(folder.Fd(), writeName.c_str(), folder.Fd(), to.name.c_str()) != 0)
        return errno;
    partial.Keep();
    return securityError;
}

// FIFOs and device nodes are made again as rsync -a makes them; a new one
// takes its real name at once, a replacement a temporary name first.
int CFileCopier::CopySpecial(const ItemAt& from, const ItemAt& to, bool failIfExists, bool withOwner)
{
    struct stat st { };
    if (::fstatat(from.folder->Fd(), from.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (S_ISSOCK(st.st_mode))
        return kSkippedSpecial;
    if (!S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode) && !S_ISBLK(st.st_mode))
        return kItemChanged;
    bool exists = false;
    if (!failIfExists) {
        if (const int error = CheckReplaceable(to, exists))
            return error;
    }
    const CDirHandle& folder = *to.folder;
    const std::string name = exists ? TempName() : to.name;
    if (::mknodat(folder.Fd(), name.c_str(), (st.st_mode & S_IFMT) | 0600, st.st_rdev) != 0)
        return errno == EPERM ? kSkippedSpecial : errno;
    UnlinkGuard partial(folder, name);
    if (withOwner && ::fchownat(folder.Fd(), name.c_str(), st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    // Not following a link that may have taken its place meanwhile.
    if (::fchmodat(folder.Fd(), name.c_str(), st.st_mode & 07777, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    const timespec times[2] = { st.st_atim, st.st_mtim };
    if (::utimensat(folder.Fd(), name.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (exists && ::renameat(folder.Fd(), name.c_str(), folder.Fd(), to.name.c_str()) != 0)
        return errno;
    partial.Keep();
    return 0;
}
