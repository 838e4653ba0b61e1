#pragma once

#include <string>

// Quoted-printable body coding: unsafe bytes become "=XX", and lines longer
// than the limit get soft breaks ("=\r\n"). CR and LF pass through unchanged.
std::string EncodeQuotedPrintable(const std::string& bytes);
