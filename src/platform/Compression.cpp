#include "platform/Compression.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

CompressionResult SetFolderCompression(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        CompressionResult result;
        result.accessError = errno;
        return result;
    }
    const CompressionResult result = SetFolderCompressionOf(fd);
    ::close(fd);
    return result;
}

CompressionResult SetFolderCompressionOf(int fd)
{
    CompressionResult result;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        result.setError = errno;
    } else {
        flags |= FS_COMPR_FL;
        if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)
            result.setError = errno;
    }
    return result;
}
