#pragma once

#include <cstdint>
#include <string>

// What a directory listing tells about one entry. Links are never followed,
// so a link is its own kind with its own size and times.
enum class FileKind : std::uint8_t { Unknown, Directory, Regular, Link, Other };

// One directory-listing entry as the scanner needs it: the name, the
// attributes (0x10 folder, 0x01 read-only, 0x400 link) and the times as
// Windows file times (100 ns since 1601, UTC), which the records and the
// session's Windows origin use.
struct FileFindData {
    std::string Name;
    FileKind Kind = FileKind::Unknown;
    std::uint32_t Attributes = 0;
    std::uint64_t Size = 0;
    std::uint64_t CreationTime = 0;
    std::uint64_t LastAccessTime = 0;
    std::uint64_t LastWriteTime = 0;
};
