#include "scan/Crc32.h"

#include <array>

namespace {

// Eight tables let the loop take eight bytes per step; the result is the
// same as the one-byte table walk.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables()
{
    Tables tables {};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t crc = i;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320U : crc >> 1;
        tables[0][i] = crc;
    }
    for (std::size_t t = 1; t < 8; ++t) {
        for (std::size_t i = 0; i < 256; ++i)
            tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFF];
    }
    return tables;
}

constexpr Tables kTables = MakeTables();

std::uint32_t Bytes(std::uint32_t crc, const unsigned char* p, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        crc = (crc >> 8) ^ kTables[0][(crc ^ p[i]) & 0xFF];
    return crc;
}

} // namespace

std::uint32_t CCrc32::Update(std::uint32_t crc, const void* data, std::size_t size)
{
    auto p = static_cast<const unsigned char*>(data);
    while (size >= 8) {
        const std::uint32_t low = crc
            ^ (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
        crc = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF]
            ^ kTables[4][low >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^ kTables[0][p[7]];
        p += 8;
        size -= 8;
    }
    return Bytes(crc, p, size);
}
