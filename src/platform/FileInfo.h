#pragma once

#include "platform/FileFindData.h"

#include <cstdint>
#include <ctime>
#include <string>

// Looks up single paths and converts between the system's times and the
// Windows file times the records keep.
class CFileInfo {
public:
    // Seconds between 1601-01-01 and 1970-01-01.
    static constexpr std::int64_t kEpochDifference = 11644473600LL;

    // Fills data for path without following a final link; Name is the last
    // component. Returns 0, or the errno value of the failure.
    static int Lookup(const std::string& path, FileFindData& data);
    // True when path (following links) is a folder.
    static bool IsDirectory(const std::string& path);

    static std::uint64_t ToFileTime(std::int64_t seconds, std::int64_t nanoseconds);
    // Whole seconds since 1970 (rounded down) of a file time.
    static std::int64_t ToUnixSeconds(std::uint64_t fileTime);
};
