#include "scan/CompareFiles.h"

int CompareFiles(CFileRecord& from, const std::string& toPath, int compareType)
{
    CFileRecord to;
    to.SetFromPath(toPath);
    return CompareFiles(from, to, compareType);
}

int CompareFiles(CFileRecord& from, CFileRecord& to, int compareType)
{
    const std::time_t r = from.GetLastWriteTime();
    const std::time_t t = to.GetLastWriteTime();
    if (r < t - 3)
        return 1;
    if (compareType == kCompareCrc32) {
        const std::uint32_t fromCrc = from.GetCrc();
        const std::uint32_t toCrc = to.GetCrc();
        // Two unreadable files would share the preset register; only whole
        // checksums may declare files the same, so a read failure leads to a
        // copy attempt that reports it.
        if (!from.CrcComplete || !to.CrcComplete)
            return -1;
        return fromCrc == toCrc ? 0 : -1;
    }
    if (r >= t + 3 || r <= t - 3)
        return -1;
    return from.Size == to.Size ? 0 : -1;
}
