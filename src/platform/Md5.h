#pragma once

#include <array>
#include <cstddef>

// The MD5 digest (RFC 1321) of two pieces of data one after the other, as
// HMAC-MD5 needs it; Qt Core's, so that no other crypto library is loaded
// for it.
std::array<unsigned char, 16> Md5Digest(
    const unsigned char* first, std::size_t firstLength, const unsigned char* second, std::size_t secondLength);
