#include "engine/FileOperations.h"

#include "platform/FileCopier.h"
#include "platform/FileOps.h"
#include "platform/FileSystemSync.h"
#include "platform/Trash.h"

bool CFileOperations::IsFolder(const std::string& path) const
{
    return ::IsFolder(path);
}

bool CFileOperations::IsRealFolder(const std::string& path) const
{
    return ::IsRealFolder(path);
}

bool CFileOperations::IsLink(const std::string& path) const
{
    return ::IsLink(path);
}

bool CFileOperations::PathExists(const std::string& path) const
{
    return ::PathExists(path);
}

bool CFileOperations::IsFileOrLink(const std::string& path) const
{
    return ::IsFileOrLink(path);
}

int CFileOperations::MakeFolder(const std::string& path)
{
    return ::MakeFolder(path);
}

int CFileOperations::MakeFolderWritable(const std::string& path)
{
    return ::MakeFolderWritable(path);
}

int CFileOperations::CopyFolderAttributes(const std::string& from, const std::string& to)
{
    return ::CopyFolderAttributes(from, to);
}

int CFileOperations::Copy(CFileCopier& copier, const std::string& from, const std::string& to, bool failIfExists,
    const CFileSecurity* security)
{
    return copier.Copy(from, to, failIfExists, security);
}

int CFileOperations::RemoveTree(const std::string& path)
{
    return ::RemoveTree(path);
}

int CFileOperations::RemoveEmptyFolder(const std::string& path)
{
    return ::RemoveEmptyFolder(path);
}

int CFileOperations::MoveNoReplace(const std::string& from, const std::string& to)
{
    return ::MoveNoReplace(from, to);
}

bool CFileOperations::MoveToTrash(const std::string& path)
{
    return ::MoveToTrash(path);
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
    record.SetFromPath(path);
    if (record.Path.empty())
        record.Path = path;
    return record;
}
