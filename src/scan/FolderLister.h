#pragma once

#include "platform/fs/DirHandle.h"
#include "scan/FileRecordArray.h"
#include "scan/FolderScanner.h"

#include <memory>
#include <string>
#include <vector>

// One side of a tree, listed one folder at a time: a walk that compares two
// trees folder by folder holds one folder of each side (and the folders
// above it) instead of every record of both trees. The records come out as
// a scan of the whole tree would have made them, under the same masks and
// skip list, with paths relative to the same root.
class CFolderLister {
public:
    struct Masks {
        std::string ExcludeFolders;
        std::string IncludeFiles = "*.*";
        std::string ExcludeFiles;
        // Subfolders are recorded, for the walk to enter them.
        bool AddFolders = true;
    };

    // root: the folder every record is relative to. base: the open folder
    // at basePath that root is or lies below, through which every folder is
    // reached (null: root is opened by its name, once). skipFolders: folders
    // never entered, resolved, as ScanFolder takes them. unlisted (may be
    // null) receives each folder, ending in '/', that could not be listed
    // completely.
    CFolderLister(const std::string& root, const Masks& masks, DirRef base, const std::string& basePath,
        const std::vector<std::string>& skipFolders, std::vector<std::string>* unlisted);
    ~CFolderLister();
    CFolderLister(const CFolderLister&) = delete;
    CFolderLister& operator=(const CFolderLister&) = delete;

    // The folder the records are relative to, ending in '/'.
    const std::string& Root() const { return m_root; }
    // Replaces out with the records found directly in Root() + below
    // (below: "" or relative, ending in '/'), in path order. False when the
    // folder could not be listed completely.
    bool List(const std::string& below, CFileRecordArray& out);

private:
    std::string m_root;
    DirRef m_base;
    CFolderScanner::Options m_options;
    std::vector<CFileRecord> m_found;
    std::unique_ptr<CFolderScanner> m_scanner;
};
