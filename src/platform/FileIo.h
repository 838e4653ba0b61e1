#pragma once

#include <cstddef>
#include <string>

// Whole-file reading and simple questions about a path, for the files the
// program keeps itself (session files). Writing goes through CAtomicFile.
namespace FileIo {

enum class ReadResult {
    Ok,
    OpenFailed, // missing, not permitted, or a folder in place of the file
    ReadFailed, // an input error, or the file is larger than the limit
    CloseFailed,
};

// Reads the whole file into bytes; errorCode receives errno on failure.
ReadResult ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes, int* errorCode = nullptr);

// A regular file (links followed) that this process can open for reading.
bool IsReadableFile(const std::string& path);

// An existing file without its owner's write bit: the counterpart of the
// read-only attribute.
bool IsReadOnlyFile(const std::string& path);

} // namespace FileIo
