#pragma once

#include <map>
#include <string>

// One line per item below root (root itself as "."), by relative path: type,
// permission bits, size, modification time to the nanosecond, and the
// contents' hash or the link's target. Two trees are alike to the user when
// their digests are equal.
std::map<std::string, std::string> TreeDigest(const std::string& root);
