#include "ui/FolderEntryEdit.h"

#include "core/Set.h"

int FolderEntryEdit::ApplyTo(CSet& set) const
{
    int index = EntryIndex;
    if (index >= static_cast<int>(set.Entries.size()))
        return -1;
    set.LastDestinationFolder = DestinationFolder;
    if (index < 0) {
        set.Entries.emplace_back();
        index = static_cast<int>(set.Entries.size()) - 1;
    }
    CBackup& entry = set.Entries[static_cast<std::size_t>(index)];
    entry.SourceFolder = SourceFolder;
    entry.DestinationFolder = DestinationFolder;
    entry.ExcludeFolders = ExcludeFolders;
    entry.IncludeFiles = IncludeFiles;
    entry.ExcludeFiles = ExcludeFiles;
    entry.Recursive = Recursive;
    if (ChangeAll) {
        for (CBackup& other : set.Entries)
            other.DestinationFolder = DestinationFolder;
    }
    return index;
}
