#pragma once

#include "platform/FileFindData.h"
#include "platform/fs/ItemAt.h"
#include "platform/fs/ItemOps.h"
#include "platform/fs/RootSet.h"
#include "scan/FileRecord.h"

#include <string>

class CFileCopier;
class CFileSecurity;
class CFileSystemSync;

// The copy worker's only way to look at and change the file system, so
// that a dry run can put a stand-in here that changes nothing while the
// worker makes every one of its decisions exactly as in a real run.
// Results are 0 or an errno value.
//
// Paths below the run's roots are reached through the roots' open folders,
// never following a link and never leaving the root (a link or another
// kind of item where a folder was scanned is kItemChanged); the roots
// themselves and the folders above them are the user's own words and are
// taken as written. With no roots set, every path is taken as written.
class CFileOperations {
public:
    virtual ~CFileOperations() = default;

    // False for a stand-in that changes nothing: the worker then leaves out
    // what only sets attributes (security, compression, privileges).
    virtual bool ChangesFiles() const { return true; }

    // The roots every path of the run lies in; set before the run starts.
    CRootSet& Roots() { return m_roots; }

    virtual bool IsFolder(const std::string& path) const; // links followed above the roots only
    virtual bool IsRealFolder(const std::string& path) const; // a link to a folder is not
    virtual bool IsLink(const std::string& path) const;
    virtual bool PathExists(const std::string& path) const;
    virtual bool IsFileOrLink(const std::string& path) const;

    virtual int MakeFolder(const std::string& path);
    // A folder only its owner may enter: what it will hold left folders
    // whose modes may have kept others out.
    virtual int MakePrivateFolder(const std::string& path);
    // The kind, device and inode of the item itself (a link is a link).
    virtual int Identify(const std::string& path, ItemIdentity& identity) const;
    // 0 when path itself is a folder (given its owner's write bits);
    // ENOTDIR, ENOENT, ... when it is not.
    virtual int MakeFolderWritable(const std::string& path);
    virtual int CopyFolderAttributes(const std::string& from, const std::string& to);
    // The copy through the worker's copier (its settings, its cancel flag).
    // expected: the kind of item the scan saw at from.
    virtual int Copy(CFileCopier& copier, const std::string& from, const std::string& to, bool failIfExists,
        const CFileSecurity* security, FileKind expected);
    virtual int RemoveTree(const std::string& path);
    virtual int RemoveEmptyFolder(const std::string& path);
    virtual int MoveNoReplace(const std::string& from, const std::string& to);
    virtual bool MoveToTrash(const std::string& path);
    virtual int ReadSecurity(const std::string& path, CFileSecurity& security) const;
    virtual int WriteSecurity(const std::string& path, const CFileSecurity& security);
    // 0, or the errno of opening the folder (accessError) or of setting
    // the flag.
    virtual int SetCompression(const std::string& path, bool& accessFailed);
    // Writes out the file system holding folder unless sync has already.
    virtual int SyncFileSystem(CFileSystemSync& sync, const std::string& folder);

    // The record of what an operation made at path: a copy of `from`, or a
    // folder when from is null.
    virtual CFileRecord RecordOf(const std::string& path, const CFileRecord* from) const;

protected:
    // The open folder of the item at path and its name there ("" when path
    // is a root, which then is the folder).
    int Reach(const std::string& path, ItemAt& item) const;
    int ReachBoth(const std::string& from, const std::string& to, ItemAt& source, ItemAt& target) const;

private:
    FileKind KindOf(const std::string& path) const;

    CRootSet m_roots;
};
