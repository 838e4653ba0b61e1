#include "platform/FileIo.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileIo {

namespace {

ReadResult Failed(ReadResult result, int error, int* errorCode)
{
    if (errorCode)
        *errorCode = error;
    return result;
}

} // namespace

ReadResult ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes, int* errorCode)
{
    bytes.clear();
    // Without O_NONBLOCK a FIFO given as a session file would hang the open.
    CUniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
        return Failed(ReadResult::OpenFailed, errno, errorCode);
    struct stat st { };
    if (::fstat(file.Get(), &st) != 0)
        return Failed(ReadResult::OpenFailed, errno, errorCode);
    // A folder opens on Linux, but is no file to read.
    if (S_ISDIR(st.st_mode))
        return Failed(ReadResult::OpenFailed, EISDIR, errorCode);
    if (!S_ISREG(st.st_mode))
        return Failed(ReadResult::OpenFailed, kNotRegularFile, errorCode);
    if (S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) > maxBytes)
        return Failed(ReadResult::ReadFailed, EFBIG, errorCode);
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Failed(ReadResult::ReadFailed, errno, errorCode);
        if (got == 0)
            break;
        if (bytes.size() + static_cast<std::size_t>(got) > maxBytes)
            return Failed(ReadResult::ReadFailed, EFBIG, errorCode);
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    if (const int error = file.Close(); error != 0)
        return Failed(ReadResult::CloseFailed, error, errorCode);
    return ReadResult::Ok;
}

int AppendToFile(const std::string& path, const std::string& bytes, const std::string& prefixWhenEmpty)
{
    // Looked at first, so a FIFO without a reader is named for what it is
    // rather than by the open's "no such device".
    if (const int error = CheckRegularOrMissing(path); error != 0)
        return error;
    // Without O_NONBLOCK a FIFO (put in place meanwhile) would hang the open
    // until a reader came.
    CUniqueFd file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
    if (file.Get() < 0)
        return errno;
    struct stat st { };
    if (::fstat(file.Get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return kNotRegularFile;
    const std::string text = st.st_size == 0 ? prefixWhenEmpty + bytes : bytes;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(file.Get(), text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return wrote < 0 ? errno : EIO;
        done += static_cast<std::size_t>(wrote);
    }
    return file.Close();
}

int CheckRegularOrMissing(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? 0 : errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    return S_ISREG(st.st_mode) ? 0 : kNotRegularFile;
}

bool IsReadableFile(const std::string& path)
{
    struct stat st { };
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool IsReadOnlyFile(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR);
}

} // namespace FileIo
