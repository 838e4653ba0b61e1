#pragma once

#include "platform/fs/DirHandle.h"
#include "scan/FileRecordArray.h"
#include "scan/FolderScanner.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// One side of a tree, listed one folder at a time: a walk that compares two
// trees folder by folder holds one folder of each side (and the folders
// above it) instead of every record of both trees. The records come out as
// a scan of the whole tree would have made them, under the same masks and
// skip list, with paths relative to the same root.
//
// Several threads may list folders at once (Read); what they found reaches
// the walk in its own order (Accept), so the folders that could not be
// listed are noted in the order of the walk, not of the threads.
class CFolderLister {
public:
    struct Masks {
        std::string ExcludeFolders;
        std::string IncludeFiles = "*.*";
        std::string ExcludeFiles;
        // Subfolders are recorded, for the walk to enter them.
        bool AddFolders = true;
    };
    // One folder as read, not yet handed to the walk.
    struct Listing {
        CFileRecordArray records;
        std::vector<std::string> unlisted;
        bool complete = true;
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
    // The same in two steps: Read may run on any thread, several at once;
    // Accept on the walk's, in the walk's order.
    void Read(const std::string& below, Listing& listing);
    bool Accept(Listing& listing, CFileRecordArray& out);

private:
    // A scanner with the room it fills; one per thread reading at a time.
    struct Reader {
        CFolderScanner::Options options;
        std::vector<CFileRecord> found;
        std::vector<std::string> unlisted;
        std::unique_ptr<CFolderScanner> scanner;
    };
    std::unique_ptr<Reader> TakeReader();

    std::string m_root;
    DirRef m_base;
    std::string m_basePath;
    CFolderScanner::Options m_options;
    std::vector<std::string>* m_unlisted;
    std::mutex m_mutex;
    // Made once each and kept: they keep the masks compiled and the named
    // root open.
    std::vector<std::unique_ptr<Reader>> m_idle;
};
