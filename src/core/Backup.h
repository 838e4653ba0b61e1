#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One folder entry of a backup set: a source folder, its backup folder and
// the masks. The folder statistics of an entry are kept by its
// CFolderStatistics, and what an action's scan finds by its CEntryScan,
// never here: copying a set copies neither, and never meets a running pass.
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
};
