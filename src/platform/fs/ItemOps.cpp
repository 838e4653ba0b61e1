#include "platform/fs/ItemOps.h"

#include "platform/PathParts.h"
#include "platform/StatConvert.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* NameOrSelf(const std::string& name)
{
    return name.empty() ? "." : name.c_str();
}

FileKind KindOfMode(mode_t mode)
{
    if (S_ISDIR(mode))
        return FileKind::Directory;
    if (S_ISREG(mode))
        return FileKind::Regular;
    if (S_ISLNK(mode))
        return FileKind::Link;
    return FileKind::Other;
}

// The names in an open folder, read whole before any is removed: removing
// while reading may skip entries.
int NamesIn(int folderFd, std::vector<std::string>& names)
{
    const int listing = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return errno;
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        const int error = errno;
        ::close(listing);
        return error;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    return error;
}

int RemoveTreeAt(int folderFd, const std::string& name, unsigned depth)
{
    if (::unlinkat(folderFd, name.c_str(), 0) == 0)
        return 0;
    if (errno != EISDIR && errno != EPERM)
        return errno;
    // A folder: emptied through a handle of its own, opened without
    // following a link, so a link swapped in is removed, never entered.
    const int fd = ::openat(folderFd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOTDIR ? (::unlinkat(folderFd, name.c_str(), 0) == 0 ? 0 : errno) : errno;
    CUniqueFd folder(fd);
    std::vector<std::string> names;
    int first = NamesIn(fd, names);
    if (depth > 4096)
        return ELOOP;
    for (const std::string& inner : names) {
        const int error = RemoveTreeAt(fd, inner, depth + 1);
        if (error && error != ENOENT && !first)
            first = error;
    }
    if (::unlinkat(folderFd, name.c_str(), AT_REMOVEDIR) == 0 || errno == ENOENT)
        return 0;
    return first ? first : errno;
}

} // namespace

namespace ItemOps {

int ReachByName(const std::string& path, ItemAt& item)
{
    CDirHandle folder;
    if (const int error = CDirHandle::OpenNamed(PathParts::FolderOf(path), folder))
        return error;
    item.folder = std::make_shared<const CDirHandle>(std::move(folder));
    item.name = PathParts::NameOf(path);
    item.path = path;
    return 0;
}

int KindOf(const CDirHandle& folder, const std::string& name, FileKind& kind)
{
    struct stat st { };
    if (::fstatat(folder.Fd(), NameOrSelf(name), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    kind = KindOfMode(st.st_mode);
    return 0;
}

int Look(const CDirHandle& folder, const std::string& name, FileFindData& data)
{
    const int error = CStatConvert::StatAt(folder.Fd(), NameOrSelf(name), data);
    if (!error)
        data.Name = name;
    return error;
}

int MakeFolder(const CDirHandle& folder, const std::string& name, unsigned mode)
{
    return ::mkdirat(folder.Fd(), name.c_str(), static_cast<mode_t>(mode)) == 0 ? 0 : errno;
}

int OpenFolderItem(const CDirHandle& folder, const std::string& name)
{
    return ::openat(folder.Fd(), NameOrSelf(name), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int MakeFolderWritable(const CDirHandle& folder, const std::string& name)
{
    CUniqueFd item(OpenFolderItem(folder, name));
    if (item.Get() < 0)
        return errno == ELOOP ? ENOTDIR : errno;
    struct stat st { };
    if (::fstat(item.Get(), &st) != 0)
        return errno;
    constexpr mode_t kWritable = S_IWUSR | S_IXUSR;
    if ((st.st_mode & kWritable) == kWritable)
        return 0;
    // Best effort: a folder of another owner is written into as it is.
    ::fchmod(item.Get(), (st.st_mode & 07777) | kWritable);
    return 0;
}

int CopyFolderAttributes(
    const CDirHandle& fromFolder, const std::string& fromName, const CDirHandle& toFolder, const std::string& toName)
{
    struct stat source { };
    if (::fstatat(fromFolder.Fd(), NameOrSelf(fromName), &source, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(source.st_mode))
        return ENOTDIR;
    CUniqueFd folder(OpenFolderItem(toFolder, toName));
    if (folder.Get() < 0)
        return errno;
    struct stat target { };
    if (::fstat(folder.Get(), &target) != 0)
        return errno;
    mode_t mode = source.st_mode & 07777;
    // As for files: set-id bits only stay with the same owner.
    if (source.st_uid != target.st_uid)
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    if ((target.st_mode & 07777) != mode && ::fchmod(folder.Get(), mode) != 0)
        return errno;
    if (target.st_mtim.tv_sec == source.st_mtim.tv_sec && target.st_mtim.tv_nsec == source.st_mtim.tv_nsec)
        return 0;
    const timespec times[2] = { { 0, UTIME_OMIT }, source.st_mtim };
    return ::futimens(folder.Get(), times) == 0 ? 0 : errno;
}

int ReadSmallFile(const CDirHandle& folder, const std::string& name, std::string& contents, std::size_t maxBytes)
{
    contents.clear();
    CUniqueFd file(::openat(folder.Fd(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0)
        return errno;
    struct stat st { };
    if (::fstat(file.Get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        if (contents.size() + static_cast<std::size_t>(got) > maxBytes)
            return EFBIG;
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

int ReplaceSmallFile(const CDirHandle& folder, const std::string& name, const std::string& contents, unsigned mode)
{
    static std::atomic<unsigned> counter { 0 };
    const std::string temporary = "." + name + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    CUniqueFd file(::openat(folder.Fd(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
        static_cast<mode_t>(mode)));
    if (file.Get() < 0)
        return errno;
    int error = 0;
    for (std::size_t done = 0; done < contents.size() && !error;) {
        const ssize_t wrote = ::write(file.Get(), contents.data() + done, contents.size() - done);
        if (wrote > 0)
            done += static_cast<std::size_t>(wrote);
        else if (wrote == 0)
            error = ENOSPC;
        else if (errno != EINTR)
            error = errno;
    }
    if (!error)
        error = file.Close();
    if (!error && ::renameat(folder.Fd(), temporary.c_str(), folder.Fd(), name.c_str()) != 0)
        error = errno;
    if (error)
        ::unlinkat(folder.Fd(), temporary.c_str(), 0);
    return error;
}

int RemoveEmptyFolder(const CDirHandle& folder, const std::string& name)
{
    return ::unlinkat(folder.Fd(), name.c_str(), AT_REMOVEDIR) == 0 ? 0 : errno;
}

int RemoveFile(const CDirHandle& folder, const std::string& name)
{
    if (name.empty())
        return EINVAL;
    return ::unlinkat(folder.Fd(), name.c_str(), 0) == 0 ? 0 : errno;
}

int Identify(const CDirHandle& folder, const std::string& name, ItemIdentity& identity)
{
    struct stat st { };
    if (::fstatat(folder.Fd(), NameOrSelf(name), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    identity.Kind = KindOfMode(st.st_mode);
    identity.Device = static_cast<std::uint64_t>(st.st_dev);
    identity.Inode = static_cast<std::uint64_t>(st.st_ino);
    identity.Links = static_cast<std::uint64_t>(st.st_nlink);
    identity.Size = static_cast<std::uint64_t>(st.st_size);
    // st_blocks counts 512-byte units whatever the file system's block size.
    identity.Allocated = static_cast<std::uint64_t>(st.st_blocks) * 512;
    return 0;
}

int RemoveTree(const CDirHandle& folder, const std::string& name)
{
    if (name.empty())
        return EINVAL;
    const int error = RemoveTreeAt(folder.Fd(), name, 0);
    return error == ENOENT ? 0 : error;
}

int MoveNoReplace(
    const CDirHandle& fromFolder, const std::string& fromName, const CDirHandle& toFolder, const std::string& toName)
{
    return ::renameat2(fromFolder.Fd(), fromName.c_str(), toFolder.Fd(), toName.c_str(), RENAME_NOREPLACE) == 0 ? 0
                                                                                                                : errno;
}

} // namespace ItemOps
