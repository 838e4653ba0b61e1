#include "platform/Compression.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

CompressionResult SetFolderCompression(const std::string& path)
{
    CompressionResult result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        result.accessError = errno;
        return result;
    }
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) {
        result.setError = errno;
    } else {
        flags |= FS_COMPR_FL;
        if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)
            result.setError = errno;
    }
    ::close(fd);
    return result;
}
