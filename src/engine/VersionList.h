#pragma once

#include "core/Backup.h"
#include "platform/FileFindData.h"

#include <cstdint>
#include <ctime>
#include <deque>
#include <optional>
#include <string>
#include <vector>

// One version of a file in a backup folder's version area: a file (or link)
// found at "<backup folder>/.korvane-versions/<Stamp>/<Path>".
struct VersionItem {
    std::string Path; // below the backup folder, '/' between names
    std::string Stamp; // the name of its stamp folder, "YYYY-MM-DD HHMMSS"
    std::int64_t SetAside = 0; // when, on the wall clock (CWallClock)
    std::uint64_t Size = 0;
    std::int64_t Modified = 0; // the file's own time, seconds since 1970 (UTC)
    FileKind Kind = FileKind::Regular;
};

// Lists every version in the version area of one backup folder, in one walk
// of the area through open folder handles: each folder is listed once and
// each file looked up by its name in that folder, never by its whole path,
// and no link is followed. Names in the area that are not stamp folders are
// passed over, as pruning passes them over.
class CVersionList {
public:
    // The versions, sorted by Path and then oldest first. 0 (with nothing
    // listed when the folder has no area), or the errno value of why the
    // area could not be read.
    static int Read(const std::string& backupFolder, std::vector<VersionItem>& versions);

    // Whether path is limit itself or lies below it; an empty limit holds
    // every path.
    static bool Within(const std::string& path, const std::string& limit);
    // The newest version of path set aside at or before the wall-clock time
    // at, in a list sorted as Read sorts it; nullptr when there is none.
    static const VersionItem* NewestAtOrBefore(
        const std::vector<VersionItem>& versions, const std::string& path, std::int64_t at);

    // "YYYY-MM-DD HH:MM:SS" of a wall-clock time.
    static std::string TimeText(std::int64_t wall);

    // The entry's source folder and its backup folder, as a run at now
    // names them (path tags expanded, trailing '/' removed).
    static std::string SourceFolderOf(const CBackup& entry, std::time_t now);
    static std::string BackupFolderOf(const CBackup& entry, std::time_t now);
    // The folder whose version area a backup of the entry keeps its
    // versions in: the entry's destination folder as a run at now names it.
    static std::string AreaFolderOf(const CBackup& entry, std::time_t now);
    // The distinct AreaFolderOf of a set's entries, in entry order.
    static std::vector<std::string> AreaFoldersOf(const std::deque<CBackup>& entries, std::time_t now);
};
