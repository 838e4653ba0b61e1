#include "platform/FileInfo.h"

#include "platform/StatConvert.h"

#include <fcntl.h>
#include <sys/stat.h>

int CFileInfo::Lookup(const std::string& path, FileFindData& data)
{
    const int error = CStatConvert::StatAt(AT_FDCWD, path.c_str(), data);
    if (error)
        return error;
    const auto slash = path.find_last_of('/');
    data.Name = slash == std::string::npos ? path : path.substr(slash + 1);
    return 0;
}

bool CFileInfo::IsDirectory(const std::string& path)
{
    struct stat st { };
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::uint64_t CFileInfo::ToFileTime(std::int64_t seconds, std::int64_t nanoseconds)
{
    const std::int64_t sinceWindowsEpoch = seconds + kEpochDifference;
    // Times before 1601 cannot be written as file times; they clamp to 0.
    if (sinceWindowsEpoch < 0)
        return 0;
    return static_cast<std::uint64_t>(sinceWindowsEpoch) * 10000000ULL + static_cast<std::uint64_t>(nanoseconds / 100);
}

std::int64_t CFileInfo::ToUnixSeconds(std::uint64_t fileTime)
{
    return static_cast<std::int64_t>(fileTime / 10000000ULL) - kEpochDifference;
}
