#pragma once

#include "core/Set.h"
#include "engine/VersionList.h"

#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class CPrompter;

// --versions and --restore-version: the versions of a set's entries, named
// by the whole path of their place in the entry's source folder, so that a
// path printed by the list is the path the restore takes. Paths the user
// gives are made absolute against the working folder.
class CVersionCommand {
public:
    // now: the time the entries' path tags are expanded at.
    CVersionCommand(const CSet& set, CPrompter& prompter, std::time_t now);

    // One line per version below path (every version when empty): "YYYY-MM-DD
    // HH:MM:SS SIZE PATH", each ended by end; then, to notes, a line per
    // version area of the set with the space it takes. The exit status.
    int List(const std::string& path, std::ostream& out, char end, std::ostream& notes);
    // The newest version of path set aside at or before at ("YYYY-MM-DD
    // HH:MM:SS"; the newest of all when empty), copied to its place, or below
    // the folder to when given. The exit status.
    int Restore(const std::string& path, const std::string& at, const std::string& to);

    // The wall-clock time of "YYYY-MM-DD HH:MM:SS"; empty for another text.
    static std::optional<std::int64_t> ParseTime(const std::string& text);

private:
    // The user's path, absolute and without trailing '/'.
    static std::string Absolute(const std::string& path);
    std::string PlaceOf(std::size_t entry, const std::string& relative) const;
    // The entry's versions in area, or false once the failure is shown.
    bool ReadVersions(const VersionArea& area, std::vector<VersionItem>& versions);
    void ReportSpace(std::ostream& notes);

    const CSet& m_set;
    CPrompter& m_prompter;
    std::time_t m_now;
};
