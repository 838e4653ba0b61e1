#pragma once

#include "scan/FileRecordArray.h"

#include <cstdint>
#include <string>
#include <vector>

// One folder entry of a backup set: a source folder, its backup folder and
// the masks. The folder statistics of an entry are kept by its
// CFolderStatistics, never here, so copying a set copies no statistics and
// never meets a running statistics pass.
class CBackup {
public:
    CBackup() = default;
    CBackup(const CBackup& other) = default;
    CBackup& operator=(const CBackup& other) = default;
    CBackup(CBackup&& other) = default;
    CBackup& operator=(CBackup&& other) = default;
    virtual ~CBackup() = default;

    // The five folder and mask texts (byte for byte) and Recursive are equal.
    bool IsSameContent(const CBackup& other) const;

    // Persistent part.
    std::string SourceFolder;
    std::string DestinationFolder;
    std::string ExcludeFolders;
    std::string IncludeFiles;
    std::string ExcludeFiles;
    std::int32_t Recursive = 1;

    // Written by the action scan in its own copy of the set; empty in the
    // working session.
    std::uint32_t SourceVolumeFlags = 0;
    std::uint32_t DestinationVolumeFlags = 0;

    CFileRecordArray SourceList;
    CFileRecordArray SecondList;

    // Written by the action scan beside SourceList: whether the source folder
    // was found, and the source folders (ending in '/') that could not be
    // listed completely. Nothing of the backup below them counts as deleted.
    std::int32_t SourceFound = 0;
    std::vector<std::string> SourceUnlisted;
    // Also written by the action scan: the side lies on a file system that
    // keeps modification times in 2-second steps (the FAT family).
    std::int32_t SourceTwoSecondTimes = 0;
    std::int32_t DestinationTwoSecondTimes = 0;
    // Why a side could not be scanned (an errno value; ENOMEDIUM when its
    // medium is not mounted), 0 when it was or is not known to be missing.
    std::int32_t SourceError = 0;
    std::int32_t DestinationError = 0;
};
