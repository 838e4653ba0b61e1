#include "platform/UniqueFd.h"

#include <cerrno>
#include <unistd.h>

CUniqueFd::~CUniqueFd()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int CUniqueFd::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

int CUniqueFd::Close()
{
    const int fd = Release();
    if (fd < 0)
        return 0;
    return ::close(fd) == 0 ? 0 : errno;
}
