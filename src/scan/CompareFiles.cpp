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

constexpr std::uint64_t kTicksPerSecond = 10'000'000; // file times count 100 ns

// The coarsest decimal step, from 100 ns to a second, that the time is a
// whole multiple of: a file system keeping whole seconds, or microseconds,
// leaves its times on such a step. (The file time of 1970 is a whole number
// of seconds, so the steps fall alike in either count.)
std::uint64_t StepOf(std::uint64_t fileTime)
{
    std::uint64_t step = 1;
    while (step < kTicksPerSecond && fileTime % (step * 10) == 0)
        step *= 10;
    return step;
}

// 0 the same, -1 different, by checksum (kCompareCrc32) or by size.
int CompareContent(CFileRecord& from, CFileRecord& to, int compareType)
{
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
    return from.Size == to.Size ? 0 : -1;
}

int CompareTwoSecondSteps(CFileRecord& from, CFileRecord& to, int compareType)
{
    const std::time_t r = from.GetLastWriteTime();
    const std::time_t t = to.GetLastWriteTime();
    if (r < t - 3)
        return 1;
    if (compareType != kCompareCrc32 && (r >= t + 3 || r <= t - 3))
        return -1;
    return CompareContent(from, to, compareType);
}

int CompareExact(CFileRecord& from, CFileRecord& to, int compareType)
{
    const std::uint64_t step = std::max(StepOf(from.LastWriteTime), StepOf(to.LastWriteTime));
    const std::uint64_t r = from.LastWriteTime / step;
    const std::uint64_t t = to.LastWriteTime / step;
    if (r < t)
        return 1;
    if (compareType != kCompareCrc32 && r != t)
        return -1;
    return CompareContent(from, to, compareType);
}

} // namespace

int CompareFiles(CFileRecord& from, const std::string& toPath, int compareType, TimeRule rule)
{
    CFileRecord to;
    to.SetFromPath(toPath);
    return CompareFiles(from, to, compareType, rule);
}

int CompareFiles(CFileRecord& from, CFileRecord& to, int compareType, TimeRule rule)
{
    if (rule == TimeRule::TwoSecondSteps)
        return CompareTwoSecondSteps(from, to, compareType);
    return CompareExact(from, to, compareType);
}
