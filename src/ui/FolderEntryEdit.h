#pragma once

#include <cstdint>
#include <string>

class CSet;

// The values an accepted Add/Edit folder dialog hands back. The caller
// applies them to the live set on the interface thread, so the dialog never
// holds a reference into the working session.
struct FolderEntryEdit {
    int EntryIndex = -1; // the edited entry; -1 appends a new one
    std::string SourceFolder;
    std::string DestinationFolder;
    std::string ExcludeFolders;
    std::string IncludeFiles;
    std::string ExcludeFiles;
    std::int32_t Recursive = 1;
    bool ChangeAll = false; // every entry of the set takes DestinationFolder

    // Stores the values: LastDestinationFolder, the new or edited entry and,
    // with ChangeAll, every entry's backup folder. Returns the entry's index,
    // or -1 when the edited entry no longer exists (nothing is changed then).
    int ApplyTo(CSet& set) const;
};
