#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CFileRecord;

// What an action would do, item by item, as its dry run found it: made once
// by the copy worker on stand-in file operations, then read both by the dry
// run's printed lines and by the details of the file information window, so
// that the two can never tell different stories.
class CRunPlan {
public:
    enum class Kind : std::uint8_t { Added, Replaced, Deleted, BroughtBack };

    struct Item {
        // The whole path of what is made, replaced or deleted; its first
        // RootLength bytes are the entry's folder it lies in.
        std::string Path;
        std::uint64_t Size = 0;
        std::uint32_t RootLength = 0;
        Kind What = Kind::Added;
        bool Folder = false;
        // The file replaced is newer than the one that replaces it.
        bool TargetNewer = false;

        std::string_view Root() const { return std::string_view(Path).substr(0, RootLength); }
        std::string_view Relative() const { return std::string_view(Path).substr(RootLength); }
    };

    // Files (not folders) of each kind, and their bytes.
    struct Counts {
        int Files[4] = {};
        std::uint64_t Bytes[4] = {};
        int Folders[4] = {};
        int NewerReplaced = 0;
    };

    int Action = 0;
    // Items the run passes over unchanged counted in too, as its log counts.
    int ProcessedFiles = 0;
    int ProcessedFolders = 0;
    // The versions a backup's pruning would remove, by whole path.
    std::vector<std::string> PrunedVersions;

    // Appends an item for the record (whose path is whole: its root and the
    // path below it), in the order the run takes them.
    void Add(Kind what, const CFileRecord& record, bool targetNewer = false);

    const std::vector<Item>& Items() const { return m_items; }
    std::size_t size() const { return m_items.size(); }
    const Counts& Tally() const { return m_counts; }
    int FilesOf(Kind what) const { return m_counts.Files[Index(what)]; }
    int FoldersOf(Kind what) const { return m_counts.Folders[Index(what)]; }
    // Bytes the run copies (added, replaced, brought back) and removes.
    std::uint64_t CopyBytes() const;
    std::uint64_t RemoveBytes() const { return m_counts.Bytes[Index(Kind::Deleted)]; }

    // For a restore, what it will do to the source in words.
    std::string RestoreSentence() const;
    // "Added", "Replaced", "Deleted", "Brought back".
    static const char* KindName(Kind what);
    static int Index(Kind what) { return static_cast<int>(what); }

private:
    std::vector<Item> m_items;
    Counts m_counts;
};
