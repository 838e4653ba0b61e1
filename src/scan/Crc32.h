#pragma once

#include <cstddef>
#include <cstdint>

// CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320). The caller keeps
// the register: preset 0xFFFFFFFF, complemented once the data is complete.
class CCrc32 {
public:
    static constexpr std::uint32_t kPreset = 0xFFFFFFFF;

    static std::uint32_t Update(std::uint32_t crc, const void* data, std::size_t size);
};
