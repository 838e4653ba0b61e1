#pragma once

#include "platform/FileFindData.h"
#include "scan/FileRecord.h"

#include <string>
#include <string_view>

// How the paths of an entry's two sides map onto each other: a record
// scanned below one folder, its place below the other, and the key it is
// found under in the other side's list. Shared by the copy worker's phases.
namespace EntryPaths {

// A folder as a path prefix: "/" contributes nothing.
std::string PrefixOf(const std::string& folder);
// Where a record of the list scanned in `from` lies below `to`, into out.
bool TargetOf(const CFileRecord& record, const std::string& from, const std::string& to, std::string& out);
// The key of a path made by TargetOf in the list scanned in folder.
std::string_view Below(const std::string& path, const std::string& folder);
// The key under which a record of the list scanned in `from` is found in the
// list scanned in `to`, viewed in out.
bool KeyOf(
    const CFileRecord& record, const std::string& from, const std::string& to, std::string& out, std::string_view& key);
bool IsFolderRecord(const CFileRecord& record);
// The kind of item the scan saw for a file record.
FileKind KindOf(const CFileRecord& record);

template <typename List> auto FindRecord(List& list, std::string_view path) -> decltype(&list[0])
{
    const std::size_t index = list.FindSorted(path);
    return index < list.size() && list[index].Path == path ? &list[index] : nullptr;
}

} // namespace EntryPaths
