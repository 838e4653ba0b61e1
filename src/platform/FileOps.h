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
// True when path itself is a regular file or a link: the kinds of item a
// backup holds besides folders.
bool IsFileOrLink(const std::string& path);
// True when something (a link counts) is at path.
bool PathExists(const std::string& path);
// Creates one folder with default permissions.
int MakeFolder(const std::string& path);
// Removes a file, link or whole folder tree; links inside are removed, not followed.
int RemoveTree(const std::string& path);
// Moves path to `to` without replacing anything there (EEXIST).
int MoveNoReplace(const std::string& from, const std::string& to);
// Device number of the item at path (links not followed); 0 when it cannot be read.
std::uint64_t DeviceOf(const std::string& path);
// The absolute path of an existing item with every link and ".." resolved;
// empty when it does not exist.
std::string RealPathOf(const std::string& path);
// Whether the program could read the file at path now: 0, or the errno an
// open for reading gives. A link counts as readable (it is copied as a link).
int ProbeRead(const std::string& path);
// Whether the program could create or remove entries in folder now: 0, or
// the errno (EACCES, EROFS, ...) the system gives for write access.
int ProbeWrite(const std::string& folder);
// Why the folder cannot be listed: the errno of opening it, or EIO when it
// opens now (it failed midway, or an entry could not be looked up).
int FolderAccessError(const std::string& path);
