#include "scan/CompareFiles.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace {

// Below this a second thread costs more than it saves.
constexpr std::uint64_t kParallelBytes = 1u << 20;

bool NeedsReading(const CFileRecord& record)
{
    return !record.CrcComplete && record.CrcOffset < record.Size;
}

// Both checksums, the target's on a second thread while this one reads the
// source, so a large pair is read and summed on both cores.
void ComputeBothChecksums(CFileRecord& from, CFileRecord& to)
{
    const bool parallel
        = &from != &to && NeedsReading(from) && NeedsReading(to) && std::min(from.Size, to.Size) >= kParallelBytes;
    if (!parallel) {
        from.GetCrc();
        to.GetCrc();
        return;
    }
    std::jthread other;
    try {
        other = std::jthread([&to] { to.GetCrc(); });
    } catch (const std::system_error&) {
        // No thread to be had: one after the other.
        to.GetCrc();
    }
    from.GetCrc();
}

} // namespace

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
        // Files of different sizes differ whatever their checksums say:
        // reading them would only take time, and a collision would call
        // them the same.
        if (from.Size != to.Size)
            return -1;
        ComputeBothChecksums(from, to);
        // Two unreadable files would share the preset register; only whole
        // checksums may declare files the same, so a read failure leads to a
        // copy attempt that reports it.
        if (!from.CrcComplete || !to.CrcComplete)
            return -1;
        return from.Crc == to.Crc ? 0 : -1;
    }
    if (r >= t + 3 || r <= t - 3)
        return -1;
    return from.Size == to.Size ? 0 : -1;
}
