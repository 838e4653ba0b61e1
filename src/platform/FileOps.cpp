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
