#pragma once

#include <cstddef>
#include <string>

// Whole-file reading and simple questions about a path, for the files the
// program keeps itself (session files). Writing goes through CAtomicFile.
namespace FileIo {

// The error code of a path that is a FIFO, socket or device where a regular
// file is wanted (errno has no value that says so).
inline constexpr int kNotRegularFile = -1;

enum class ReadResult {
    Ok,
    OpenFailed, // missing, not permitted, or a folder in place of the file
    ReadFailed, // an input error, or the file is larger than the limit
    CloseFailed,
};

// Reads the whole file into bytes; errorCode receives errno (or
// kNotRegularFile) on failure. Never waits on a FIFO.
ReadResult ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes, int* errorCode = nullptr);

// Appends bytes to the file at path in one write, creating the file (mode
// 0666 less the umask) when it is missing; prefixWhenEmpty goes first when
// the file holds nothing yet. Never waits on a FIFO, and writes to nothing
// but a regular file. 0, or errno (kNotRegularFile).
int AppendToFile(const std::string& path, const std::string& bytes, const std::string& prefixWhenEmpty = {});

// 0 when path is missing or a regular file (links followed), else EISDIR,
// kNotRegularFile or the errno of a failed look.
int CheckRegularOrMissing(const std::string& path);

// A regular file (links followed) that this process can open for reading.
bool IsReadableFile(const std::string& path);

// An existing file without its owner's write bit: the counterpart of the
// read-only attribute.
bool IsReadOnlyFile(const std::string& path);

} // namespace FileIo
