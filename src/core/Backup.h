#pragma once

#include "scan/FileRecordArray.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// One folder entry of a backup set: a source folder, its backup folder, the
// masks, and the figures of the last folder statistics pass.
class CBackup {
public:
    CBackup();
    CBackup(const CBackup& other);
    CBackup& operator=(const CBackup& other);
    virtual ~CBackup();

    // The five folder and mask texts (byte for byte) and Recursive are equal.
    bool IsSameContent(const CBackup& other) const;

    // Persistent part.
    std::string SourceFolder;
    std::string DestinationFolder;
    std::string ExcludeFolders;
    std::string IncludeFiles;
    std::string ExcludeFiles;
    std::int32_t Recursive = 1;

    // Texts of the Folders, Files and Size columns of the folder list.
    std::array<std::string, 3> SummaryTexts{"-", "-", "-"};

    // Folder statistics, written by the statistics thread while it runs.
    std::atomic<std::int32_t> FileCount{0};
    std::atomic<std::int32_t> FolderCount{0};
    std::atomic<std::uint64_t> TotalSize{0};
    std::atomic<std::uint64_t> SizeOnDisk{0};
    std::atomic<std::int32_t> CancelScan{0};
    std::atomic<std::int32_t> ScanRunning{0};
    std::atomic<std::int32_t> ScanComplete{0};

    std::uint32_t SourceVolumeFlags = 0;
    std::uint32_t DestinationVolumeFlags = 0;

    CFileRecordArray SourceList;
    CFileRecordArray SecondList;

    // Written by the action scan beside SourceList: whether the source folder
    // was found, and the source folders (ending in '/') that could not be
    // listed completely. Nothing of the backup below them counts as deleted.
    std::int32_t SourceFound = 0;
    std::vector<std::string> SourceUnlisted;

private:
    void CopyFrom(const CBackup& other);
    // The folder statistics thread; joined before the entry goes away.
    std::thread m_scanThread;
};
