#pragma once

#include "scan/FileRecord.h"

#include <string>

class CFileCopier;
class CFileSecurity;
class CFileSystemSync;

// The copy worker's only way to look at and change the file system, so
// that a dry run can put a stand-in here that changes nothing while the
// worker makes every one of its decisions exactly as in a real run.
// Results are 0 or an errno value.
class CFileOperations {
public:
    virtual ~CFileOperations() = default;

    // False for a stand-in that changes nothing: the worker then leaves out
    // what only sets attributes (security, compression, privileges).
    virtual bool ChangesFiles() const { return true; }

    virtual bool IsFolder(const std::string& path) const; // links followed
    virtual bool IsRealFolder(const std::string& path) const; // a link to a folder is not
    virtual bool IsLink(const std::string& path) const;
    virtual bool PathExists(const std::string& path) const;
    virtual bool IsFileOrLink(const std::string& path) const;

    virtual int MakeFolder(const std::string& path);
    // 0 when path itself is a folder (given its owner's write bits);
    // ENOTDIR, ENOENT, ... when it is not.
    virtual int MakeFolderWritable(const std::string& path);
    virtual int CopyFolderAttributes(const std::string& from, const std::string& to);
    // The copy through the worker's copier (its settings, its cancel flag).
    virtual int Copy(CFileCopier& copier, const std::string& from, const std::string& to, bool failIfExists,
        const CFileSecurity* security);
    virtual int RemoveTree(const std::string& path);
    virtual int RemoveEmptyFolder(const std::string& path);
    virtual int MoveNoReplace(const std::string& from, const std::string& to);
    virtual bool MoveToTrash(const std::string& path);
    // Writes out the file system holding folder unless sync has already.
    virtual int SyncFileSystem(CFileSystemSync& sync, const std::string& folder);

    // The record of what an operation made at path: a copy of `from`, or a
    // folder when from is null.
    virtual CFileRecord RecordOf(const std::string& path, const CFileRecord* from) const;
};
