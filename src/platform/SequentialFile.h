#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file opened for one front-to-back read, with the sequential-read hint.
class CSequentialFile {
public:
    CSequentialFile() = default;
    ~CSequentialFile();
    CSequentialFile(const CSequentialFile&) = delete;
    CSequentialFile& operator=(const CSequentialFile&) = delete;

    // Opens an existing file for reading; 0 or the errno value.
    int Open(const std::string& path);
    // The size of the open file when it is a regular file; -1 for anything
    // else (a FIFO, a device), whose reading could block or never end.
    long long RegularFileSize() const;
    // Moves the read position; false when the file refuses.
    bool Seek(std::uint64_t offset);
    // Reads up to size bytes: the count read, 0 at the end, -1 on failure.
    long long Read(void* buffer, std::size_t size);
    void Close();

private:
    int m_fd = -1;
};
