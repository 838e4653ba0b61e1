#include "platform/FileOps.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

bool IsFolder(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRealFolder(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsLink(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool PathExists(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0;
}

int MakeFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

int MakeFolderWritable(const std::string& path)
{
    struct stat st { };
    if (::lstat(path.c_str(), &st) != 0)
        return errno;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    constexpr mode_t kWritable = S_IWUSR | S_IXUSR;
    if ((st.st_mode & kWritable) == kWritable)
        return 0;
    // Best effort: a folder of another owner is written into as it is.
    ::chmod(path.c_str(), (st.st_mode & 07777) | kWritable);
    return 0;
}

int CopyFolderAttributes(const std::string& from, const std::string& to)
{
    struct stat source { };
    if (::lstat(from.c_str(), &source) != 0)
        return errno;
    if (!S_ISDIR(source.st_mode))
        return ENOTDIR;
    CUniqueFd folder(::open(to.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
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

int RemoveTree(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec); // removes links, never their targets
    return ec.value();
}

int MoveNoReplace(const std::string& from, const std::string& to)
{
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
}

std::uint64_t DeviceOf(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_dev) : 0;
}

std::string RealPathOf(const std::string& path)
{
    char resolved[PATH_MAX];
    if (path.empty() || !::realpath(path.c_str(), resolved))
        return {};
    return resolved;
}

int RemoveEmptyFolder(const std::string& path)
{
    return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}

bool IsFileOrLink(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode));
}

int ProbeRead(const std::string& path)
{
    if (IsLink(path))
        return 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

int ProbeWrite(const std::string& folder)
{
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK, 0) == 0 ? 0 : errno;
}

int FolderAccessError(const std::string& path)
{
    DIR* folder = ::opendir(path.c_str());
    if (!folder)
        return errno;
    ::closedir(folder);
    return EIO;
}
