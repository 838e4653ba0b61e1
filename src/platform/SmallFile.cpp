#include "platform/SmallFile.h"

#include "platform/AtomicFile.h"
#include "platform/FileIo.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool MakeParentFolders(const std::string& path)
{
    for (auto slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace

bool ReadSmallFile(const std::string& path, std::string& contents)
{
    // Desktop entries and association lists are small; anything near this
    // size is not one of ours.
    constexpr std::size_t kLimit = 16 * 1024 * 1024;
    std::string data;
    if (FileIo::ReadWholeFile(path, data, kLimit) != FileIo::ReadResult::Ok)
        return false;
    contents = std::move(data);
    return true;
}

bool WriteSmallFile(const std::string& path, const std::string& contents, unsigned mode)
{
    // A link (a mimeapps.list kept in a dotfiles folder) stays a link: the
    // file it points to is the one replaced, keeping its mode.
    if (!MakeParentFolders(path))
        return false;
    CAtomicFile file;
    return file.Open(path, static_cast<int>(mode)) && file.Write(contents) && file.Commit();
}

DeleteResult DeleteSmallFile(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? DeleteResult::Absent : DeleteResult::Failed;
    if (S_ISDIR(info.st_mode))
        return DeleteResult::Failed;
    return ::unlink(path.c_str()) == 0 ? DeleteResult::Deleted : DeleteResult::Failed;
}

bool SmallFileExists(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PathsNameSameFile(const std::string& first, const std::string& second)
{
    if (first == second)
        return true;
    struct stat a { };
    struct stat b { };
    if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
