#pragma once

#include <string>

// The two halves of a path around its last '/', as the file operations need
// them for temporary names beside a target.
namespace PathParts {

// The folder part: "/" for a name at the root, "." for a bare name.
std::string FolderOf(const std::string& path);

// The part after the last '/' (the whole text when there is none).
std::string NameOf(const std::string& path);

} // namespace PathParts
