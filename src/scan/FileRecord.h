#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// One file or folder as found on disk: a plain value type.
class CFileRecord {
public:
    // 1970-01-01 01:00:00 UTC in 100 ns units since 1601.
    static constexpr std::uint64_t kInitialFileTime = 116444772000000000ULL;

    std::string Path;                   // folder (ending in '/') + name
    std::uint32_t Attributes = 0xFFFFFFFF; // 0x10 folder, 0x01 read-only, 0x400 link
    std::uint64_t Size = 0;
    std::uint64_t CreationTime = kInitialFileTime;
    std::uint64_t LastAccessTime = kInitialFileTime;
    std::uint64_t LastWriteTime = kInitialFileTime;
    std::uint32_t Crc = 0xFFFFFFFF;     // CRC-32 register; the checksum once complete
    std::uint64_t CrcOffset = 0;        // bytes already fed into Crc
};
