#pragma once

#include <cstdint>
#include <string>

// Small file-system operations of the backup engine. Results are 0 or an
// errno value; no operation follows a symbolic link at the path it is given
// unless it says so.

// True when path (links followed) is a folder.
bool IsFolder(const std::string& path);
// True when path itself is a folder: a link to a folder is not.
bool IsRealFolder(const std::string& path);
// True when path itself is a link.
bool IsLink(const std::string& path);
// True when something (a link counts) is at path.
bool PathExists(const std::string& path);
// Creates one folder with default permissions.
int MakeFolder(const std::string& path);
// Gives a file its owner's write bit back: the Linux form of clearing the
// read-only attribute.
int MakeOwnerWritable(const std::string& path);
// Removes a file, link or whole folder tree; links inside are removed, not followed.
int RemoveTree(const std::string& path);
// Moves path to `to` without replacing anything there (EEXIST).
int MoveNoReplace(const std::string& from, const std::string& to);
// Device number of the item at path (links not followed); 0 when it cannot be read.
std::uint64_t DeviceOf(const std::string& path);
