#include "engine/FileOperations.h"

#include "platform/Compression.h"
#include "platform/FileCopier.h"
#include "platform/FileOps.h"
#include "platform/FileSecurity.h"
#include "platform/FileSystemSync.h"
#include "platform/Trash.h"
#include "platform/UniqueFd.h"
#include "platform/fs/ItemOps.h"

#include <cerrno>

namespace {

// A link where a folder was on the way: the item is not where the scan
// found it, and the link is never followed.
int Changed(int error)
{
    return error == ELOOP ? kItemChanged : error;
}

} // namespace

int CFileOperations::Reach(const std::string& path, ItemAt& item) const
{
    if (!m_roots.Covers(path)) {
        if (!m_roots.Empty() && !m_roots.NamedByUser(path))
            return EXDEV; // outside every root: never touched
        return ItemOps::ReachByName(path, item);
    }
    item.path = path;
    int error = m_roots.ParentOf(path, item.folder, item.name);
    if (error != EINVAL)
        return Changed(error);
    // The root itself is its own open folder, named by "", or, before it
    // exists, the user's words for making it.
    item.name.clear();
    error = m_roots.Folder(path, item.folder);
    return error == ENOENT ? ItemOps::ReachByName(path, item) : error;
}

int CFileOperations::ReachBoth(const std::string& from, const std::string& to, ItemAt& source, ItemAt& target) const
{
    const int error = Reach(from, source);
    return error ? error : Reach(to, target);
}

// Something that cannot be reached because a link or a file took the place
// of a folder on the way is there, but is no folder, file or link of the
// run's: the operation that follows reports the change.
FileKind CFileOperations::KindOf(const std::string& path) const
{
    ItemAt item;
    FileKind kind = FileKind::Unknown;
    if (const int error = Reach(path, item))
        return error == kItemChanged ? FileKind::Other : FileKind::Unknown;
    if (ItemOps::KindOf(*item.folder, item.name, kind) != 0)
        return FileKind::Unknown;
    return kind;
}

bool CFileOperations::IsFolder(const std::string& path) const
{
    if (!m_roots.Covers(path))
        return ::IsFolder(path);
    return KindOf(path) == FileKind::Directory;
}

bool CFileOperations::IsRealFolder(const std::string& path) const
{
    return KindOf(path) == FileKind::Directory;
}

bool CFileOperations::IsLink(const std::string& path) const
{
    return KindOf(path) == FileKind::Link;
}

bool CFileOperations::PathExists(const std::string& path) const
{
    return KindOf(path) != FileKind::Unknown;
}

bool CFileOperations::IsFileOrLink(const std::string& path) const
{
    const FileKind kind = KindOf(path);
    return kind == FileKind::Regular || kind == FileKind::Link;
}

int CFileOperations::MakeFolder(const std::string& path)
{
    ItemAt item;
    if (const int error = Reach(path, item))
        return error;
    return item.name.empty() ? EEXIST : ItemOps::MakeFolder(*item.folder, item.name);
}

int CFileOperations::MakePrivateFolder(const std::string& path)
{
    ItemAt item;
    if (const int error = Reach(path, item))
        return error;
    return item.name.empty() ? EEXIST : ItemOps::MakeFolder(*item.folder, item.name, 0700);
}

int CFileOperations::Identify(const std::string& path, ItemIdentity& identity) const
{
    ItemAt item;
    if (const int error = Reach(path, item))
        return error;
    return ItemOps::Identify(*item.folder, item.name, identity);
}

int CFileOperations::MakeFolderWritable(const std::string& path)
{
    ItemAt item;
    if (const int error = Reach(path, item))
        return error;
    return ItemOps::MakeFolderWritable(*item.folder, item.name);
}

int CFileOperations::CopyFolderAttributes(const std::string& from, const std::string& to)
{
    ItemAt source;
    ItemAt target;
    if (const int error = ReachBoth(from, to, source, target))
        return error;
    return Changed(ItemOps::CopyFolderAttributes(*source.folder, source.name, *target.folder, target.name));
}

int CFileOperations::Copy(CFileCopier& copier, const std::string& from, const std::string& to, bool failIfExists,
    const CFileSecurity* security, FileKind expected)
{
    ItemAt source;
    ItemAt target;
    if (const int error = ReachBoth(from, to, source, target))
        return error;
    if (source.name.empty() || target.name.empty())
        return EISDIR;
    return copier.CopyAt(source, target, failIfExists, security, expected);
}

int CFileOperations::RemoveTree(const std::string& path)
{
    ItemAt item;
    if (const int error = Reach(path, item))
        return error == ENOENT ? 0 : error;
    return ItemOps::RemoveTree(*item.folder, item.name);
}

int CFileOperations::RemoveEmptyFolder(const std::string& path)
{
    ItemAt item;
    if (const int error = Reach(path, item))
        return error;
    return ItemOps::RemoveEmptyFolder(*item.folder, item.name);
}

int CFileOperations::MoveNoReplace(const std::string& from, const std::string& to)
{
    ItemAt source;
    ItemAt target;
    if (const int error = ReachBoth(from, to, source, target))
        return error;
    return ItemOps::MoveNoReplace(*source.folder, source.name, *target.folder, target.name);
}

bool CFileOperations::MoveToTrash(const std::string& path)
{
    ItemAt item;
    int error = Reach(path, item);
    if (error == 0)
        error = item.name.empty() ? EINVAL : MoveToTrashAt(item.folder->Fd(), item.name, path);
    errno = error;
    return error == 0;
}

int CFileOperations::ReadSecurity(const std::string& path, CFileSecurity& security) const
{
    ItemAt item;
    if (const int error = Reach(path, item))
        return error;
    return Changed(security.ReadAt(*item.folder, item.name));
}

int CFileOperations::WriteSecurity(const std::string& path, const CFileSecurity& security)
{
    ItemAt item;
    if (const int error = Reach(path, item))
        return error;
    const int error = security.WriteAt(*item.folder, item.name);
    return error == ESTALE ? kItemChanged : Changed(error);
}

int CFileOperations::SetCompression(const std::string& path, bool& accessFailed)
{
    ItemAt item;
    accessFailed = true;
    if (const int error = Reach(path, item))
        return error;
    CUniqueFd folder(ItemOps::OpenFolderItem(*item.folder, item.name));
    if (folder.Get() < 0)
        return Changed(errno);
    const CompressionResult result = SetFolderCompressionOf(folder.Get());
    accessFailed = result.accessError != 0;
    return result.accessError ? result.accessError : result.setError;
}

int CFileOperations::SyncFileSystem(CFileSystemSync& sync, const std::string& folder)
{
    return sync.Sync(folder);
}

// Read from the disk after the operation, as the summary shows what is
// really there.
CFileRecord CFileOperations::RecordOf(const std::string& path, const CFileRecord*) const
{
    CFileRecord record;
    ItemAt item;
    FileFindData data;
    if (Reach(path, item) == 0 && !item.name.empty() && ItemOps::Look(*item.folder, item.name, data) == 0)
        record.SetFromFindData(data, path.substr(0, path.find_last_of('/') + 1));
    if (record.Path.empty())
        record.Path = path;
    return record;
}
