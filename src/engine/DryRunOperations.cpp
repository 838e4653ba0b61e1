#include "engine/DryRunOperations.h"

#include "platform/FileCopier.h"
#include "platform/FileOps.h"
#include "platform/PathParts.h"

#include <cerrno>

namespace {

constexpr std::uint32_t kFolderAttribute = 0x10;
constexpr std::uint32_t kReadOnlyAttribute = 0x01;

bool IsWithin(const std::string& path, const std::string& tree)
{
    return path == tree
        || (path.size() > tree.size() && path.compare(0, tree.size(), tree) == 0 && path[tree.size()] == '/');
}

} // namespace

// Looked up folder by folder, so a run that removes many trees stays fast.
bool CDryRunOperations::Removed(const std::string& path) const
{
    if (m_removed.empty())
        return false;
    for (std::string tree = path;; tree = PathParts::FolderOf(tree)) {
        if (m_removed.count(tree))
            return true;
        if (tree == "/" || tree == ".")
            return false;
    }
}

// Whether the answer comes from the disk: neither made nor removed here,
// nor below anything made here (a made folder is empty).
bool CDryRunOperations::OnDisk(const std::string& path) const
{
    if (m_made.count(path) || Removed(path))
        return false;
    for (std::string parent = PathParts::FolderOf(path); parent != "/" && parent != ".";
         parent = PathParts::FolderOf(parent)) {
        if (m_made.count(parent))
            return false;
    }
    return true;
}

CDryRunOperations::Kind CDryRunOperations::KindOf(const std::string& path, bool followLinks) const
{
    if (const auto made = m_made.find(path); made != m_made.end())
        return made->second;
    if (!OnDisk(path))
        return Kind::None;
    if (followLinks ? ::IsFolder(path) : ::IsRealFolder(path))
        return Kind::Folder;
    if (::IsLink(path))
        return Kind::Link;
    return ::PathExists(path) ? Kind::File : Kind::None;
}

bool CDryRunOperations::IsFolder(const std::string& path) const
{
    return KindOf(path, true) == Kind::Folder;
}

bool CDryRunOperations::IsRealFolder(const std::string& path) const
{
    return KindOf(path, false) == Kind::Folder;
}

bool CDryRunOperations::IsLink(const std::string& path) const
{
    return KindOf(path, false) == Kind::Link;
}

bool CDryRunOperations::PathExists(const std::string& path) const
{
    return KindOf(path, false) != Kind::None;
}

bool CDryRunOperations::IsFileOrLink(const std::string& path) const
{
    const Kind kind = KindOf(path, false);
    return kind == Kind::File || kind == Kind::Link;
}

// A folder made by this run is taken to be writable: its nearest folder on
// disk was checked when it was made.
int CDryRunOperations::CanWriteInto(const std::string& folder) const
{
    if (!IsFolder(folder))
        return PathExists(folder) ? ENOTDIR : ENOENT;
    return OnDisk(folder) ? ProbeWrite(folder) : 0;
}

void CDryRunOperations::Forget(const std::string& path)
{
    for (auto it = m_made.begin(); it != m_made.end();)
        it = IsWithin(it->first, path) ? m_made.erase(it) : std::next(it);
}

int CDryRunOperations::MakeFolder(const std::string& path)
{
    if (PathExists(path))
        return EEXIST;
    if (const int error = CanWriteInto(PathParts::FolderOf(path)))
        return error;
    m_made[path] = Kind::Folder;
    return 0;
}

int CDryRunOperations::MakeFolderWritable(const std::string& path)
{
    if (IsRealFolder(path))
        return 0;
    return PathExists(path) ? ENOTDIR : ENOENT;
}

// The answers of the real one, which opens `to` as a folder without
// following a link; the source side is never changed by a run.
int CDryRunOperations::CopyFolderAttributes(const std::string& from, const std::string& to)
{
    if (!::PathExists(from))
        return ENOENT;
    if (!::IsRealFolder(from))
        return ENOTDIR;
    switch (KindOf(to, false)) {
    case Kind::None:
        return ENOENT;
    case Kind::Folder:
        return 0;
    case Kind::Link:
        return ELOOP;
    default:
        return ENOTDIR;
    }
}

int CDryRunOperations::Copy(CFileCopier& copier, const std::string& from, const std::string& to, bool failIfExists,
    const CFileSecurity*, FileKind)
{
    if (const int error = ProbeRead(from))
        return error;
    if (failIfExists && PathExists(to))
        return EEXIST;
    if (IsRealFolder(to))
        return EISDIR;
    // As the copier refuses it: a read-only file is replaced only where the
    // run allows that (a backup's own copies).
    if (!copier.ReplacesReadOnly() && OnDisk(to) && !::IsLink(to)) {
        CFileRecord existing;
        if (existing.SetFromPath(to) && (existing.Attributes & kReadOnlyAttribute))
            return EACCES;
    }
    if (const int error = CanWriteInto(PathParts::FolderOf(to)))
        return error;
    m_made[to] = ::IsLink(from) ? Kind::Link : Kind::File;
    return 0;
}

int CDryRunOperations::RemoveTree(const std::string& path)
{
    if (!PathExists(path))
        return ENOENT;
    if (const int error = CanWriteInto(PathParts::FolderOf(path)))
        return error;
    Forget(path);
    m_removed.insert(path);
    return 0;
}

int CDryRunOperations::RemoveEmptyFolder(const std::string& path)
{
    if (!IsRealFolder(path))
        return PathExists(path) ? ENOTDIR : ENOENT;
    for (const auto& made : m_made) {
        if (made.first != path && IsWithin(made.first, path))
            return ENOTEMPTY;
    }
    // A folder on disk is left as the disk has it: the run only empties its
    // staging folder this way, whose name nothing else in the run uses.
    if (OnDisk(path))
        return 0;
    return RemoveTree(path);
}

int CDryRunOperations::MoveNoReplace(const std::string& from, const std::string& to)
{
    const Kind kind = KindOf(from, false);
    if (kind == Kind::None)
        return ENOENT;
    if (PathExists(to))
        return EEXIST;
    if (const int error = CanWriteInto(PathParts::FolderOf(from)))
        return error;
    if (const int error = CanWriteInto(PathParts::FolderOf(to)))
        return error;
    Forget(from);
    m_removed.insert(from);
    m_made[to] = kind;
    return 0;
}

bool CDryRunOperations::MoveToTrash(const std::string& path)
{
    const int error = RemoveTree(path);
    // The worker reads errno after a failed move to the trash, as the real
    // one leaves it.
    if (error != 0)
        errno = error;
    return error == 0;
}

// What the real run would read back from the disk: the source record under
// the new path for a copy, a folder for a folder.
CFileRecord CDryRunOperations::RecordOf(const std::string& path, const CFileRecord* from) const
{
    CFileRecord record;
    if (from)
        record = *from;
    else
        record.Attributes = kFolderAttribute;
    record.Path = path;
    return record;
}
