#pragma once

#include <array>
#include <cstddef>
#include <string>

// The keyed MD5 digest of RFC 2104, used by the CRAM-MD5 login.
std::array<unsigned char, 16> HmacMd5(const std::string& key, const std::string& message);
