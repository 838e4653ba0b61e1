#pragma once

#include "platform/fs/DirHandle.h"
#include "scan/FileRecordArray.h"

#include <cstdint>
#include <string>
#include <vector>

// What the action scan found for one folder entry of a set: both sides'
// records and what it learnt about each side. It lives beside the set, one
// per entry at the same index, so the folder entries stay the session model
// that the user edits and the session file stores.
class CEntryScan {
public:
    // Forgets what an earlier scan of a side found.
    void ClearSource();
    void ClearDestination();

    // Either side keeps modification times in 2-second steps.
    bool TwoSecondTimes() const { return SourceTwoSecondTimes || DestinationTwoSecondTimes; }

    // File system flags of each side's volume (0x8 ACLs, 0x10 compression).
    std::uint32_t SourceVolumeFlags = 0;
    std::uint32_t DestinationVolumeFlags = 0;

    // Both sides in path order, whole, when they were listed before the run
    // (WholeLists): the source under the entry's masks, and everything below
    // the entry's backup root. Otherwise the run lists each folder of both
    // sides when it comes to it, and these stay empty.
    bool WholeLists = false;
    CFileRecordArray SourceList;
    CFileRecordArray SecondList;
    // Folders never entered (resolved): on the source side the backup folder
    // and the kept versions when they lie inside it, on the backup side the
    // source when it lies inside the backup.
    std::vector<std::string> SourceSkip;
    std::vector<std::string> DestinationSkip;

    // Whether the source folder was found, and the source folders (ending in
    // '/') that could not be listed completely (known once a side has been
    // walked). Nothing of the backup below
    // them counts as deleted.
    std::int32_t SourceFound = 0;
    std::vector<std::string> SourceUnlisted;
    // The same for the backup root, from which a restore copies.
    std::vector<std::string> DestinationUnlisted;
    // The side lies on a file system that keeps modification times in
    // 2-second steps (the FAT family).
    std::int32_t SourceTwoSecondTimes = 0;
    std::int32_t DestinationTwoSecondTimes = 0;
    // Why a side could not be scanned (an errno value; ENOMEDIUM when its
    // medium is not mounted), 0 when it was or is not known to be missing.
    std::int32_t SourceError = 0;
    std::int32_t DestinationError = 0;
    // The source folder and the backup folder, opened once by their names
    // when scanned (empty when not there): everything below them is reached
    // through these, during the scan and the run after it.
    DirRef SourceHandle;
    DirRef BackupFolderHandle;
};
