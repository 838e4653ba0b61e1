#include "platform/StatConvert.h"

#include "platform/FileInfo.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

FileKind KindOfMode(unsigned mode)
{
    switch (mode & S_IFMT) {
    case S_IFDIR:
        return FileKind::Directory;
    case S_IFREG:
        return FileKind::Regular;
    case S_IFLNK:
        return FileKind::Link;
    default:
        return FileKind::Other;
    }
}

std::uint32_t AttributesOf(FileKind kind, unsigned mode)
{
    if (kind == FileKind::Link)
        return 0x400;
    std::uint32_t attributes = kind == FileKind::Directory ? 0x10 : 0;
    // A FIFO, socket or device node: marked as Windows marks devices.
    if (kind == FileKind::Other)
        attributes |= 0x40;
    // Windows' read-only attribute is the missing owner write bit here.
    if (!(mode & S_IWUSR))
        attributes |= 0x01;
    return attributes;
}

void FillCommon(FileFindData& data, unsigned mode, std::uint64_t size)
{
    data.Kind = KindOfMode(mode);
    data.Attributes = AttributesOf(data.Kind, mode);
    // Windows lists folders with size 0; the inode size means nothing to the user.
    data.Size = data.Kind == FileKind::Directory ? 0 : size;
}

// Kernels and file systems without statx answer ENOSYS once; then fstatat
// serves every later call.
std::atomic<bool> g_statxMissing { false };

} // namespace

void CStatConvert::FromStatx(const struct statx& st, FileFindData& data)
{
    FillCommon(data, st.stx_mode, st.stx_size);
    data.LastWriteTime = CFileInfo::ToFileTime(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
    data.LastAccessTime = CFileInfo::ToFileTime(st.stx_atime.tv_sec, st.stx_atime.tv_nsec);
    // Without a birth time the modification time is the oldest time known.
    data.CreationTime = (st.stx_mask & STATX_BTIME) ? CFileInfo::ToFileTime(st.stx_btime.tv_sec, st.stx_btime.tv_nsec)
                                                    : data.LastWriteTime;
}

void CStatConvert::FromStat(const struct stat& st, FileFindData& data)
{
    FillCommon(data, st.st_mode, static_cast<std::uint64_t>(st.st_size));
    data.LastWriteTime = CFileInfo::ToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    data.LastAccessTime = CFileInfo::ToFileTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
    data.CreationTime = data.LastWriteTime;
}

int CStatConvert::StatAt(int dirFd, const char* name, FileFindData& data)
{
    if (!g_statxMissing.load(std::memory_order_relaxed)) {
        struct statx st { };
        const unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
        if (statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &st) == 0) {
            FromStatx(st, data);
            return 0;
        }
        if (errno != ENOSYS)
            return errno;
        g_statxMissing = true;
    }
    struct stat st { };
    if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    FromStat(st, data);
    return 0;
}
