#pragma once

#include "platform/FileFindData.h"
#include "platform/fs/DirHandle.h"
#include "platform/fs/ItemAt.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What tells one file from another: the same device and inode are one file
// under several names.
struct ItemIdentity {
    FileKind Kind = FileKind::Unknown;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::uint64_t Links = 0;
    std::uint64_t Size = 0;
    // Bytes of the blocks given to the item: what it takes on the disk,
    // holes and tails left out or counted as the file system keeps them.
    std::uint64_t Allocated = 0;
};

// The run's operations on one item, named by its open folder and its name in
// it: the last name is never followed when a link, and nothing the item's
// path passed through is looked up again. An empty name stands for the
// folder itself (a root). Results are 0 or an errno value.
namespace ItemOps {

// The item at a path as the user wrote it: its folder opened by name, links
// on the way followed. For paths the user named, never for paths below a root.
int ReachByName(const std::string& path, ItemAt& item);

// The kind of the item itself (a link is a link); ENOENT when nothing is there.
int KindOf(const CDirHandle& folder, const std::string& name, FileKind& kind);
// The item's listing data, as a scan reads it.
int Look(const CDirHandle& folder, const std::string& name, FileFindData& data);
// mode: before the umask; 0700 for a folder only its owner may enter.
int MakeFolder(const CDirHandle& folder, const std::string& name, unsigned mode = 0777);
// 0 when the item is a folder, given its owner's write and search bits
// when it lacks them (best effort), so that a run can write into a
// read-only folder whose own mode goes back on afterwards.
int MakeFolderWritable(const CDirHandle& folder, const std::string& name);
// Gives the folder `to` the mode bits and modification time of `from`.
int CopyFolderAttributes(
    const CDirHandle& fromFolder, const std::string& fromName, const CDirHandle& toFolder, const std::string& toName);
int RemoveEmptyFolder(const CDirHandle& folder, const std::string& name);
// Removes a file or link; a folder is left alone (EISDIR).
int RemoveFile(const CDirHandle& folder, const std::string& name);
// The item's kind, identity, link count and sizes; a link is a link.
int Identify(const CDirHandle& folder, const std::string& name, ItemIdentity& identity);
// Removes a file, link or whole folder tree; links inside are removed,
// never followed, and the walk never leaves the tree.
int RemoveTree(const CDirHandle& folder, const std::string& name);
int MoveNoReplace(
    const CDirHandle& fromFolder, const std::string& fromName, const CDirHandle& toFolder, const std::string& toName);
// Opens the item as a folder for changing its own attributes (never
// following a link): a descriptor the caller owns, or -1 with errno set.
int OpenFolderItem(const CDirHandle& folder, const std::string& name);

// The whole of a small regular file, never read through a link (ELOOP);
// EFBIG when it holds more than maxBytes, EINVAL when it is no regular file.
int ReadSmallFile(const CDirHandle& folder, const std::string& name, std::string& contents, std::size_t maxBytes);
// Replaces the item name (never a folder) by a file of mode holding
// contents, in one step: written under a name of its own beside it, then
// renamed over it, so that a reader finds the old file or the new one whole.
int ReplaceSmallFile(const CDirHandle& folder, const std::string& name, const std::string& contents, unsigned mode);

} // namespace ItemOps
