#pragma once

#include "platform/fs/DirHandle.h"
#include "scan/FileRecord.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A list of file records, kept sorted by path wherever it is searched.
//
// Order codes of AddSorted: 2 ascending size, 3 descending size, 4 ascending
// path, 5 descending path, anything else appends. A new record goes before
// every record whose key equals its own, so equal keys stand newest first.
// Paths compare byte by byte, case-sensitively. Records below one root (a
// scanned list) compare by their relative paths, which orders them as their
// whole paths would.
class CFileRecordArray : public std::vector<CFileRecord> {
public:
    static constexpr int kUnsorted = 0;
    static constexpr int kBySizeAscending = 2;
    static constexpr int kBySizeDescending = 3;
    static constexpr int kByPath = 4;
    static constexpr int kByPathDescending = 5;

    // Inserts the record where the order code puts it; returns its index.
    std::size_t AddSorted(const CFileRecord& record, int orderCode);
    std::size_t AddSorted(CFileRecord&& record, int orderCode);
    // Lower bound of path in a list in order 4: the first record whose Path
    // is not less than path, size() when all are. The caller checks whether
    // the record there has exactly that path. In a scanned list path is
    // relative to the scanned folder, as the records' paths are.
    std::size_t FindSorted(std::string_view path) const;
    // Inserts the record of an existing path (SetFromPath); a path that is
    // not found adds a record with the initial values and an empty Path.
    std::size_t AddPath(const std::string& path, int orderCode);

    // Records the tree below folder (a path ending in '/'; one is added when
    // missing) under the masks of a folder entry:
    // - folders matching excludeFolders are neither recorded nor entered;
    // - folder records are made when addFolders is set, subfolders entered
    //   when recursive is set;
    // - files are recorded once per include item they match (Windows listing
    //   rules: case ignored, "*.*" matching names without a dot) unless they
    //   match excludeFiles; the include items are read as "; "-separated, so
    //   the character after each ';' is skipped;
    // - symbolic links are recorded as links (0x400) and never followed;
    //   sockets, FIFOs and devices are not recorded.
    // Each counter that is given is advanced per record; clusterSize > 0
    // rounds each file up to whole clusters for sizeOnDisk. A set cancel flag
    // stops the scan after the entry in hand; what was recorded stays.
    //
    // Every record's path is relative to the folder (ending in '/'), its
    // root; the records found in one folder share one object holding that
    // folder's text and their names.
    //
    // The list comes out exactly as AddSorted of every record in discovery
    // order would leave it, but in O(n log n).
    //
    // unlistedFolders (may be null) receives every folder, ending in '/',
    // that could not be listed completely: missing, unreadable, a read
    // failure midway, or an entry that could not be looked up. Files below
    // such a folder may exist without a record, so a caller must not take
    // their absence as deletion. The top folder is listed there too when it
    // cannot be opened (it may simply not exist).
    //
    // The mount points of the kernel's pseudo file systems (proc, sysfs,
    // devtmpfs, ...) and the folders in skipFolders (may be null; existing
    // folders, links resolved) are neither recorded nor entered. A folder
    // that lies in one of them yields nothing and counts as unlisted.
    //
    // base, when given, is the open folder at basePath that folder is or
    // lies below: every folder of the scan is reached through it, no link
    // followed. Without it, folder itself is opened by its name, once.
    //
    // Returns the number of records added.
    std::size_t ScanFolder(const std::string& folder, const std::string& excludeFolders,
        const std::string& includeFiles, const std::string& excludeFiles, bool recursive, int orderCode,
        bool addFolders, const std::atomic<std::int32_t>* cancel, std::atomic<std::int32_t>* fileCount,
        std::atomic<std::int32_t>* folderCount, std::atomic<std::uint64_t>* byteCount, std::uint64_t clusterSize,
        std::atomic<std::uint64_t>* sizeOnDisk, std::vector<std::string>* unlistedFolders = nullptr,
        const std::vector<std::string>* skipFolders = nullptr, const CDirHandle* base = nullptr,
        const std::string& basePath = std::string());

    // The folders never to enter (the pseudo file systems' mount points
    // and extra, resolved), written as a scan of folder writes their paths.
    static std::vector<std::string> SkipFoldersAsScanned(
        const std::string& folder, const std::vector<std::string>* extra);

    // Puts the records from firstNew to the end, appended in discovery order,
    // where AddSorted one by one would have put them.
    void SortAppended(std::size_t firstNew, int orderCode);

private:
    std::size_t InsertPosition(const CFileRecord& record, int orderCode) const;
};
