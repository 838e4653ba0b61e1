#pragma once

#include "scan/RecordPath.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

struct FileFindData;

// One file or folder as found on disk: a plain value type.
class CFileRecord {
public:
    // 1970-01-01 01:00:00 UTC in 100 ns units since 1601.
    static constexpr std::uint64_t kInitialFileTime = 116444772000000000ULL;
    // 3000-01-01 01:00:00 UTC: later modification times read as 0 seconds.
    static constexpr std::uint64_t kLatestFileTime = 441481572000000000ULL;

    // Below the scanned folder: subfolders (each ending in '/') + name. A
    // scanned record shares its folder's text, and the bytes of its name,
    // with the others found there; a record made from a path holds the
    // whole path.
    CRecordPath Path;
    std::uint64_t Size = 0;
    std::uint64_t CreationTime = kInitialFileTime;
    std::uint64_t LastAccessTime = kInitialFileTime;
    std::uint64_t LastWriteTime = kInitialFileTime;
    // Bytes already fed into Crc; the flag says the whole file has gone
    // through it and Crc holds the final checksum. One word for both keeps
    // the record free of padding: no file nears 2^63 bytes.
    std::uint64_t CrcOffset : 63 = 0;
    bool CrcComplete : 1 = false;
    std::uint32_t Attributes = 0xFFFFFFFF; // 0x10 folder, 0x01 read-only, 0x400 link
    std::uint32_t Crc = 0xFFFFFFFF; // CRC-32 register; the checksum once complete

    // Path = folder + entry name, unshared; attributes, size and times from
    // the entry.
    void SetFromFindData(const FileFindData& entry, const std::string& folder);
    // The same for an entry found in a shared folder whose bytes hold its
    // name: Path = the folder's part below its root + name.
    void SetFromFindData(const FileFindData& entry, const CSharedFolder::Ref& folder, CSharedFolder::NameSpan name);
    // Looks the path up (never following a final link); a path that does not
    // exist, or ends in '/', leaves the record as it was. False then.
    bool SetFromPath(const std::string& path);

    // The scanned folder + Path: where the file is.
    std::string FullPath() const;
    void AppendFullPath(std::string& out) const;

    bool IsFolder() const { return Attributes != 0xFFFFFFFF && (Attributes & 0x10); }
    // LastWriteTime in whole seconds since 1970; 0 beyond the year 3000 and
    // before the year 1900.
    std::time_t GetLastWriteTime() const;
    // Name and extension without the folder.
    std::string GetFileName() const;
    // CRC-32 of the file's content, read once and cached in the record. An
    // unreadable file leaves CrcComplete false and returns the register.
    std::uint32_t GetCrc();

private:
    void SetFromEntry(const FileFindData& entry);
};
