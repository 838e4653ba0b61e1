#include "platform/SmallFile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a descriptor at scope end.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const std::string& contents)
{
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t written = ::write(fd, contents.data() + done, contents.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool MakeParentFolders(const std::string& path)
{
    for (auto slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// The file a write should replace: the target of a symbolic link (a
// mimeapps.list kept in a dotfiles folder stays a link), else the path.
std::string ResolvedTarget(const std::string& path)
{
    struct stat info { };
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

} // namespace

bool ReadSmallFile(const std::string& path, std::string& contents)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0)
        return false;
    std::string data;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        data.append(buffer, static_cast<std::size_t>(got));
    }
    contents = std::move(data);
    return true;
}

bool WriteSmallFile(const std::string& requested, const std::string& contents, unsigned mode)
{
    const std::string path = ResolvedTarget(requested);
    if (!MakeParentFolders(path))
        return false;
    // A file that exists keeps its mode: the user may have made it private.
    if (struct stat info {}; ::stat(path.c_str(), &info) == 0)
        mode = info.st_mode & 07777;
    std::string temporary = path + ".XXXXXX";
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.Get() < 0)
        return false;
    const bool written = ::fchmod(fd.Get(), static_cast<mode_t>(mode)) == 0 && WriteAll(fd.Get(), contents)
        && ::fsync(fd.Get()) == 0 && ::close(fd.Release()) == 0;
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
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
