#pragma once

#include <string>
#include <string_view>

// Replaces a file as a whole: the bytes go to a temporary file in the target's
// folder, which is flushed to the disk and renamed over the target only when
// everything was written. Until Commit succeeds the old file stays untouched,
// and the temporary file is removed when the object goes away uncommitted.
class CAtomicFile {
public:
    CAtomicFile() = default;
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Creates the temporary file. Fails when the target is a folder, a file
    // without its owner's write bit, or its folder is missing or not writable.
    // A new file gets newFileMode exactly, an existing one keeps its
    // own mode and owner; -1 leaves a new file at 0666 less the umask.
    bool Open(const std::string& path, int newFileMode = -1);
    // Writes all bytes; false on a short write (the disk is full, ...).
    bool Write(std::string_view bytes);
    // Flushes, closes and renames over the target.
    bool Commit();

    // errno of the last failure.
    int Error() const { return m_error; }

private:
    bool Fail();
    void Discard();

    int m_fd = -1;
    std::string m_target;
    std::string m_temp;
    int m_error = 0;
};
