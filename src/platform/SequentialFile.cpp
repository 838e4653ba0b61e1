#include "platform/SequentialFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CSequentialFile::~CSequentialFile()
{
    Close();
}

int CSequentialFile::Open(const std::string& path)
{
    Close();
    m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK); // a FIFO never blocks the scan
    if (m_fd < 0)
        return errno;
    posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return 0;
}

long long CSequentialFile::RegularFileSize() const
{
    struct stat status { };
    if (m_fd < 0 || fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode))
        return -1;
    return static_cast<long long>(status.st_size);
}

bool CSequentialFile::Seek(std::uint64_t offset)
{
    return m_fd >= 0 && lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

long long CSequentialFile::Read(void* buffer, std::size_t size)
{
    if (m_fd < 0)
        return -1;
    for (;;) {
        const ssize_t count = read(m_fd, buffer, size);
        if (count >= 0 || errno != EINTR)
            return count;
    }
}

void CSequentialFile::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}
