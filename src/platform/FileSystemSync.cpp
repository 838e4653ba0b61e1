#include "platform/FileSystemSync.h"

#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int CFileSystemSync::Sync(const std::string& folder)
{
    const CUniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() < 0)
        return errno;
    struct stat st { };
    if (::fstat(fd.Get(), &st) != 0)
        return errno;
    const auto device = static_cast<std::uint64_t>(st.st_dev);
    if (std::find(m_devices.begin(), m_devices.end(), device) != m_devices.end())
        return 0;
    // Tried once only, failed or not: a second syncfs through a new
    // descriptor no longer sees a write error the first one reported.
    m_devices.push_back(device);
    return ::syncfs(fd.Get()) == 0 ? 0 : errno;
}
