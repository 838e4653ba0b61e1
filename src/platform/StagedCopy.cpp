#include "platform/StagedCopy.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

CStagedCopy::CStagedCopy(std::string from, std::string to, DirRef folder, std::string tempName, std::string toName,
    int fd, std::uint64_t bytes)
    : m_from(std::move(from))
    , m_to(std::move(to))
    , m_folder(std::move(folder))
    , m_temp(std::move(tempName))
    , m_toName(std::move(toName))
    , m_fd(fd)
    , m_bytes(bytes)
{
}

CStagedCopy::~CStagedCopy()
{
    Drop();
}

CStagedCopy::CStagedCopy(CStagedCopy&& other) noexcept
    : m_from(std::move(other.m_from))
    , m_to(std::move(other.m_to))
    , m_folder(std::move(other.m_folder))
    , m_temp(std::move(other.m_temp))
    , m_toName(std::move(other.m_toName))
    , m_fd(std::exchange(other.m_fd, -1))
    , m_bytes(other.m_bytes)
{
}

CStagedCopy& CStagedCopy::operator=(CStagedCopy&& other) noexcept
{
    if (this != &other) {
        Drop();
        m_from = std::move(other.m_from);
        m_to = std::move(other.m_to);
        m_folder = std::move(other.m_folder);
        m_temp = std::move(other.m_temp);
        m_toName = std::move(other.m_toName);
        m_fd = std::exchange(other.m_fd, -1);
        m_bytes = other.m_bytes;
    }
    return *this;
}

void CStagedCopy::Drop()
{
    if (m_fd < 0)
        return;
    ::unlinkat(m_folder->Fd(), m_temp.c_str(), 0);
    ::close(std::exchange(m_fd, -1));
}

void CStagedCopy::StartWriteback() const
{
    if (m_fd >= 0)
        ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

// The one place a replacement is made durable, so the old version is never
// gone before the new one is on the disk. A new file has nothing to lose,
// and a torn one is told apart by its size.
int CStagedCopy::Sync() const
{
    if (m_fd < 0)
        return EBADF;
    return ::fsync(m_fd) == 0 ? 0 : errno;
}

int CStagedCopy::Rename()
{
    if (m_fd < 0)
        return EBADF;
    // Renamed while still open, so the lock holds until the file has its
    // real name.
    if (::renameat(m_folder->Fd(), m_temp.c_str(), m_folder->Fd(), m_toName.c_str()) != 0) {
        const int error = errno;
        Drop();
        return error;
    }
    ::close(std::exchange(m_fd, -1)); // flushed: any write error came out of fsync
    return 0;
}
