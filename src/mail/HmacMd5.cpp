#include "mail/HmacMd5.h"

#include <cstring>
#include <memory>
#include <openssl/evp.h>

namespace {

constexpr std::size_t kBlock = 64;

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

std::array<unsigned char, 16> Md5(
    const unsigned char* first, std::size_t firstLength, const unsigned char* second, std::size_t secondLength)
{
    std::array<unsigned char, 16> digest {};
    std::unique_ptr<EVP_MD_CTX, DigestContextDeleter> context(EVP_MD_CTX_new());
    unsigned int length = 0;
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1
        || EVP_DigestUpdate(context.get(), first, firstLength) != 1
        || EVP_DigestUpdate(context.get(), second, secondLength) != 1
        || EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1)
        digest.fill(0);
    return digest;
}

} // namespace

std::array<unsigned char, 16> HmacMd5(const std::string& key, const std::string& message)
{
    unsigned char block[kBlock] = {};
    if (key.size() > kBlock) {
        const auto shortened = Md5(reinterpret_cast<const unsigned char*>(key.data()), key.size(), nullptr, 0);
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
    const auto innerDigest = Md5(inner, kBlock, reinterpret_cast<const unsigned char*>(message.data()), message.size());
    return Md5(outer, kBlock, innerDigest.data(), innerDigest.size());
}
