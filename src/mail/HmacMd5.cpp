#include "mail/HmacMd5.h"

#include "platform/Md5.h"

#include <cstring>

namespace {

constexpr std::size_t kBlock = 64;

} // namespace

std::array<unsigned char, 16> HmacMd5(const std::string& key, const std::string& message)
{
    unsigned char block[kBlock] = {};
    if (key.size() > kBlock) {
        const auto shortened = Md5Digest(reinterpret_cast<const unsigned char*>(key.data()), key.size(), nullptr, 0);
        std::memcpy(block, shortened.data(), shortened.size());
    } else if (!key.empty()) {
        std::memcpy(block, key.data(), key.size());
    }
    unsigned char inner[kBlock];
    unsigned char outer[kBlock];
    for (std::size_t i = 0; i < kBlock; ++i) {
        inner[i] = static_cast<unsigned char>(block[i] ^ 0x36);
        outer[i] = static_cast<unsigned char>(block[i] ^ 0x5C);
    }
    const auto innerDigest
        = Md5Digest(inner, kBlock, reinterpret_cast<const unsigned char*>(message.data()), message.size());
    return Md5Digest(outer, kBlock, innerDigest.data(), innerDigest.size());
}
