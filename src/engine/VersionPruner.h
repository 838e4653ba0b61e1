#pragma once

#include "core/VersionSettings.h"
#include "platform/fs/ItemOps.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A version that pruning removes: its whole path (for the dry run's list and
// the log) and its size.
struct PrunedVersion {
    std::string Path;
    std::uint64_t Size = 0;
};

// What the version area of a backup folder takes on the disk.
struct VersionAreaSpace {
    std::string Area; // its whole path
    std::uint64_t Bytes = 0;
};

// Applies a set's retention rules (CRetention) to the version area of one
// backup folder, "<backup folder>/.korvane-versions/<YYYY-MM-DD HHMMSS>/<path>".
// Everything is reached through the backup folder's handle, no link is
// followed and nothing outside the area is touched, nor any name in it that
// is not a version folder. Files go first, then the folders left empty; a
// kept version is never moved. A run killed half-way so leaves every version
// the rules keep, and the next run removes what is left to remove.
class CVersionPruner {
public:
    static constexpr const char* kAreaName = ".korvane-versions";
    // Whether the source still has the file at a path below the backup folder.
    using SourceCheck = std::function<bool(const std::string& relativePath)>;

    // now: on the wall clock, CWallClock::FromEpoch of the clock's time.
    CVersionPruner(std::string backupFolder, const CVersionSettings& settings, std::int64_t now);

    // By default a file is in the source when the backup folder holds it
    // (outside the area): right after a backup the folder mirrors the source.
    void SetSourceCheck(SourceCheck check);

    // A version a dry run would have set aside under stamp, still where it
    // is: the item at relative below the backup folder, a folder standing
    // for every file below it. List counts it among the area's versions, so
    // that the count rule drops what the real run, which set it aside, would.
    void AddPlanned(const std::string& stamp, const std::string& relative);

    // What Prune would remove, in the order it would. 0, or the errno value
    // of why the area could not be read whole, and then nothing is listed:
    // rules applied to part of a file's versions could let go of one they keep.
    int List(std::vector<PrunedVersion>& pruned);
    // Removes what List gives, then every folder of the area left empty. 0,
    // or the first errno value; removal goes on past a failure. removed (when
    // given) receives what was removed.
    int Prune(std::vector<PrunedVersion>* removed = nullptr);
    // The bytes the area takes on the disk, as SpaceUsed counts them: after
    // List, as it is; after Prune, what is left. Empty when the area could
    // not be read whole.
    std::optional<std::uint64_t> Space() const { return m_space; }

    // Bytes the version area of a backup folder takes on the disk: the
    // blocks of its folders, files and links, a file with several names in
    // the area counted once, and the record of its pruning left out. 0 (and 0 bytes when there is no area), or an
    // errno value.
    static int SpaceUsed(const std::string& backupFolder, std::uint64_t& bytes);
    // The space as the summary and the log show it; an empty area takes
    // "0 bytes", where a size column would show "-".
    static std::string SpaceText(std::uint64_t bytes);

private:
    struct Item {
        std::string stamp;
        std::string relative; // below the stamp folder
        ItemIdentity identity;
    };
    struct Folder {
        std::string relative; // below the area
        ItemIdentity identity;
    };
    // The blocks the area takes; a file with several names in it counts
    // while one of them is left.
    struct SpaceTally {
        std::uint64_t bytes = 0;
        std::map<std::pair<std::uint64_t, std::uint64_t>, std::uint64_t> names;

        void Add(const ItemIdentity& item);
        void Remove(const ItemIdentity& item);
    };
    // What one reading of the area found, and what the rules let go.
    struct Found {
        CDirHandle root;
        CDirHandle area;
        std::vector<Item> pruned;
        std::vector<Folder> folders;
        SpaceTally space;
    };
    using FileVisit = std::function<void(const std::string& relative, const ItemIdentity& identity)>;

    static int OpenArea(const std::string& backupFolder, CDirHandle& root, CDirHandle& area);
    // Lists the tree at start below base: every folder (start included,
    // parents before children) into folders, every other item to visit.
    static int Walk(
        const CDirHandle& base, const std::string& start, std::vector<Folder>& folders, const FileVisit& visit);
    // Reads the area whole and applies the rules. ENOENT when there is none.
    int Find(Found& found) const;
    int AddPlannedTo(const CDirHandle& root, std::map<std::string, std::vector<Item>>& files) const;
    bool InSource(const CDirHandle& root, const std::string& relative) const;
    std::string PathOf(const Item& item) const;

    std::string m_backupFolder;
    CVersionSettings m_settings;
    std::int64_t m_now;
    SourceCheck m_sourceCheck;
    std::vector<std::pair<std::string, std::string>> m_planned; // stamp, relative
    std::optional<std::uint64_t> m_space;
};
