#pragma once

#include "core/Backup.h"
#include "platform/FileFindData.h"

#include <cstdint>
#include <ctime>
#include <deque>
#include <optional>
#include <string>
#include <vector>

// Where a backup sets aside the versions of one entry's files:
// "<Folder>/.korvane-versions/<stamp>/<Root>/<path below the entry's backup
// folder>". Entries with one destination folder share its area, each below
// the name its backup folder has there.
struct VersionArea {
    std::string Folder; // the destination folder, which holds the area
    std::string Root; // the entry's backup folder's name in it; empty: all of each stamp

    // "<Folder>/.korvane-versions", for messages.
    std::string AreaPath() const;
};

// One version of a file of an entry: a file (or link) found at
// "<area>/<Stamp>/<root>/<Path>".
struct VersionItem {
    std::string Path; // below the entry's backup folder, '/' between names
    std::string Stamp; // the name of its stamp folder, "YYYY-MM-DD HHMMSS"
    std::int64_t SetAside = 0; // when, on the wall clock (CWallClock)
    std::uint64_t Size = 0;
    std::int64_t Modified = 0; // the file's own time, seconds since 1970 (UTC)
    FileKind Kind = FileKind::Regular;
};

// Lists the versions of one entry's files, in one walk of its part of the
// version area through open folder handles: each folder is listed once and
// each file looked up by its name in that folder, never by its whole path,
// and no link is followed. Names in the area that are not stamp folders are
// passed over, as pruning passes them over.
class CVersionList {
public:
    // The versions, sorted by Path and then oldest first. 0 (with nothing
    // listed when the folder has no area, or a stamp folder nothing of the
    // entry's), or the errno value of why the area could not be read.
    static int Read(const VersionArea& area, std::vector<VersionItem>& versions);

    // Whether path is limit itself or lies below it; an empty limit holds
    // every path.
    static bool Within(const std::string& path, const std::string& limit);
    // The newest version of path set aside at or before the wall-clock time
    // at, in a list sorted as Read sorts it; nullptr when there is none.
    static const VersionItem* NewestAtOrBefore(
        const std::vector<VersionItem>& versions, const std::string& path, std::int64_t at);

    // "YYYY-MM-DD HH:MM:SS" of a wall-clock time.
    static std::string TimeText(std::int64_t wall);

    // The entry's source folder, as a run at now names it (path tags
    // expanded, trailing '/' removed).
    static std::string SourceFolderOf(const CBackup& entry, std::time_t now);
    // Where a backup of the entry at now sets its versions aside.
    static VersionArea EntryAreaOf(const CBackup& entry, std::time_t now);
    // The folder whose version area a backup of the entry keeps its
    // versions in: the entry's destination folder as a run at now names it.
    static std::string AreaFolderOf(const CBackup& entry, std::time_t now);
    // The distinct AreaFolderOf of a set's entries, in entry order.
    static std::vector<std::string> AreaFoldersOf(const std::deque<CBackup>& entries, std::time_t now);
};
