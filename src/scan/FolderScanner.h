#pragma once

#include "platform/FileFindData.h"
#include "platform/fs/DirHandle.h"
#include "scan/FileRecord.h"
#include "scan/MaskList.h"
#include "scan/SharedFolder.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The walk behind CFileRecordArray::ScanFolder. It appends records in
// discovery order; the array sorts them once at the end. Each folder is read
// and closed before its subfolders are entered, so a deep tree holds one
// open folder at a time.
//
// Records gather in fixed-size blocks and move into the list once, at the
// end, reserved at the exact count; each block is released as it empties.
// A list grown by doubling would hold the old and the new buffer at once
// and up to twice the records' room.
class CFolderScanner {
public:
    struct Options {
        std::string ExcludeFolders;
        std::string IncludeFiles;
        std::string ExcludeFiles;
        bool Recursive = false;
        bool AddFolders = false;
        const std::atomic<std::int32_t>* Cancel = nullptr;
        std::atomic<std::int32_t>* FileCount = nullptr;
        std::atomic<std::int32_t>* FolderCount = nullptr;
        std::atomic<std::uint64_t>* ByteCount = nullptr;
        std::uint64_t ClusterSize = 0;
        std::atomic<std::uint64_t>* SizeOnDisk = nullptr;
        std::vector<std::string>* UnlistedFolders = nullptr;
        // Folders (sorted, each ending in '/', written as the scanned paths
        // will be) that are neither recorded nor entered.
        std::vector<std::string> SkipFolders;
        // The open folder at BasePath that the scanned folder is or lies
        // below; null: the scanned folder is opened by its name.
        const CDirHandle* Base = nullptr;
        std::string BasePath;
        // Counted only: no record is made, nothing of the names is kept.
        bool CountOnly = false;
    };

    CFolderScanner(std::vector<CFileRecord>& records, const Options& options);

    // Scans folder and, when recursive, its subfolders; returns the count of
    // records appended. Their paths are relative to folder (ending in '/').
    std::size_t Scan(std::string folder);
    // Lists the one folder root + below (below empty or ending in '/'),
    // never entering its subfolders; the records' paths are relative to
    // root (ending in '/'), as a scan of root would have made them. False
    // when the folder could not be listed completely.
    bool ScanBelow(const std::string& root, const std::string& below);

    // The include items as ScanFolder reads them: split at ';', the next item
    // starting two characters on, trimmed, empty items dropped; lower-cased.
    static std::vector<std::string> IncludeItems(const std::string& includeFiles);

private:
    struct Entry {
        FileFindData Data;
        std::string LowerName;
        bool Looked = false; // Data holds the looked-up status
        bool Entered = false; // a folder the masks and skip list let in
        bool Recorded = false; // gets a record (a file: one per include item it matches)
        CSharedFolder::NameSpan Name; // where a recorded entry's name lies in its folder
    };

    std::size_t ScanTop(std::string& folder);
    bool OpenBase(const std::string& folder);
    std::size_t ScanOne(const std::string& folder);
    bool List(const std::string& folder, std::vector<Entry>& entries);
    bool WantsLookup(const Entry& entry) const;
    bool IsWantedFile(const Entry& entry) const;
    bool IsWantedFolder(const Entry& entry) const;
    bool IsSkipped(const std::string& folder, const std::string& name) const;
    bool LiesInSkipped(const std::string& folder) const;
    CSharedFolder::Ref ShareNames(const std::string& folder, std::vector<Entry>& entries) const;
    std::size_t AddFolders(
        const std::string& folder, const CSharedFolder::Ref& shared, const std::vector<Entry>& entries);
    std::size_t AddFiles(const CSharedFolder::Ref& shared, const std::vector<Entry>& entries);
    CFileRecord& NewRecord();
    void MoveBlocksOut();
    void AddFolderRecord(const CSharedFolder::Ref& folder, const Entry& entry);
    void AddFileRecord(const CSharedFolder::Ref& folder, const Entry& entry);
    void MarkUnlisted(const std::string& folder);
    bool Cancelled() const;

    std::vector<CFileRecord>& m_records;
    const Options& m_options;
    CMaskList m_excludeFolders;
    CMaskList m_excludeFiles;
    std::vector<std::string> m_include;
    mutable std::string m_path; // reused for the skip look-ups
    // Length of the scanned folder, which every record's path is relative to.
    std::size_t m_rootLength = 0;
    // ScanBelow: the subfolders are recorded, not entered.
    bool m_oneFolder = false;
    std::vector<std::vector<CFileRecord>> m_blocks;
    // Every folder is opened through this one, by its path below it.
    const CDirHandle* m_base = nullptr;
    std::size_t m_baseLength = 0;
    CDirHandle m_namedTop;
};
