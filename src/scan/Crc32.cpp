#include "scan/Crc32.h"

#include <zlib.h>

// zlib's crc32 is the same CRC-32 (reflected 0xEDB88320) but keeps the value
// complemented between calls: its value is the complement of our register.
std::uint32_t CCrc32::Update(std::uint32_t crc, const void* data, std::size_t size)
{
    const auto value = crc32_z(~crc & 0xFFFFFFFFUL, static_cast<const Bytef*>(data), size);
    return ~static_cast<std::uint32_t>(value);
}
