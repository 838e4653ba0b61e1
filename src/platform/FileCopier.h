#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// Copies one file the way the backup needs it: contents (reflink, then
// copy_file_range, then read/write), mode bits and the access and
// modification times; symbolic links are copied as links and never followed.
//
// A new file is written in place: it is created exclusively and dated 1970
// at once, and takes the source's time last, so a copy torn by a crash looks
// older than its source and is copied again rather than kept as "newer".
// A file that is replaced is written to a temporary file in the same folder,
// flushed to disk and renamed over the old one, so the old file stays whole
// until the new one is.
class CFileCopier {
public:
    CFileCopier();

    // 0 on success, else an errno value. failIfExists: EEXIST when anything
    // is at `to`. An existing target without the owner's write bit fails with
    // EACCES, as a read-only file does (root would otherwise ignore the bit).
    // Sockets, FIFOs and devices are not copied (EOPNOTSUPP).
    int Copy(const std::string& from, const std::string& to, bool failIfExists);

    // Test hook: fail the next data transfer after this many bytes with EIO
    // (negative: never).
    void FailAfterBytes(std::int64_t bytes) { m_failAfter = bytes; }

private:
    int CopyRegular(int sourceFd, const std::string& to, bool failIfExists, const struct stat& st);
    int CopyLink(const std::string& from, const std::string& to, bool failIfExists);
    int WriteContents(int sourceFd, int targetFd, std::uint64_t size, const struct stat& st);
    int CopyRange(int sourceFd, int targetFd, std::uint64_t size);
    int CopyBuffered(int sourceFd, int targetFd, std::uint64_t size);
    int FinishFile(int targetFd, const struct stat& st, bool flush);

    // Devices where a reflink was refused: not tried again there.
    std::vector<std::uint64_t> m_noReflink;
    bool m_noCopyRange = false;
    std::vector<char> m_buffer;
    std::int64_t m_failAfter = -1;
    std::uint32_t m_effectiveUid;
};
