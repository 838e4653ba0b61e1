#pragma once

#include "platform/fs/DirHandle.h"

#include <cstdint>
#include <string>

// A complete replacement under its temporary name beside the target, held
// open: the lock on the open file tells a scan it is not a leftover. It is
// made durable and renamed over the target by Place; one dropped unplaced
// is removed, and the target keeps its old file.
class CStagedCopy {
public:
    CStagedCopy() = default;
    // from and to name the copy in reports; the copy lies in folder under
    // tempName and takes toName there.
    CStagedCopy(std::string from, std::string to, DirRef folder, std::string tempName, std::string toName, int fd,
        std::uint64_t bytes);
    ~CStagedCopy();
    CStagedCopy(CStagedCopy&& other) noexcept;
    CStagedCopy& operator=(CStagedCopy&& other) noexcept;
    CStagedCopy(const CStagedCopy&) = delete;
    CStagedCopy& operator=(const CStagedCopy&) = delete;

    bool Held() const { return m_fd >= 0; }
    const std::string& From() const { return m_from; }
    const std::string& To() const { return m_to; }
    std::uint64_t Bytes() const { return m_bytes; }
    int Fd() const { return m_fd; }

    // Starts writing the data out, so that the disk sees a whole batch at
    // once before the first fsync waits.
    void StartWriteback() const;
    // Makes the copy durable: 0 or an errno (fsync also reports the write
    // errors the copy met).
    int Sync() const;
    // Gives the durable copy the target's name and releases it; 0, or the
    // errno that left the old file in place (the copy is removed then).
    int Rename();

private:
    void Drop();

    std::string m_from;
    std::string m_to;
    DirRef m_folder;
    std::string m_temp;
    std::string m_toName;
    int m_fd = -1;
    std::uint64_t m_bytes = 0;
};
