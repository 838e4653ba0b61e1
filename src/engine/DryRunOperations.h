#pragma once

#include "engine/FileOperations.h"

#include <map>
#include <set>
#include <string>

// The stand-in file operations of a dry run: nothing is changed, but every
// operation is checked as far as it can be without doing it (is the file
// readable, is the folder there and writable, is the name free) and then
// remembered, so that later questions see the file system as the real run
// would have left it: a folder "made" here exists for the folders and files
// below it, a tree "removed" here is gone.
class CDryRunOperations : public CFileOperations {
public:
    bool ChangesFiles() const override { return false; }

    bool IsFolder(const std::string& path) const override;
    bool IsRealFolder(const std::string& path) const override;
    bool IsLink(const std::string& path) const override;
    bool PathExists(const std::string& path) const override;
    bool IsFileOrLink(const std::string& path) const override;

    int MakeFolder(const std::string& path) override;
    int MakePrivateFolder(const std::string& path) override { return MakeFolder(path); }
    int MakeFolderWritable(const std::string& path) override;
    int CopyFolderAttributes(const std::string& from, const std::string& to) override;
    int Copy(CFileCopier& copier, const std::string& from, const std::string& to, bool failIfExists,
        const CFileSecurity* security, FileKind expected) override;
    int RemoveTree(const std::string& path) override;
    int RemoveEmptyFolder(const std::string& path) override;
    int MoveNoReplace(const std::string& from, const std::string& to) override;
    bool MoveToTrash(const std::string& path) override;
    int SyncFileSystem(CFileSystemSync&, const std::string&) override { return 0; }

    CFileRecord RecordOf(const std::string& path, const CFileRecord* from) const override;

private:
    enum class Kind { None, Folder, File, Link, Other };

    Kind KindOf(const std::string& path, bool followLinks) const;
    bool Removed(const std::string& path) const;
    bool OnDisk(const std::string& path) const;
    int CanWriteInto(const std::string& folder) const;
    void Forget(const std::string& path);

    // What this run made, by path; made items stand for themselves only.
    std::map<std::string, Kind> m_made;
    // Trees this run removed.
    std::set<std::string> m_removed;
};
