#include "engine/EntryPaths.h"

namespace {

constexpr std::uint32_t kFolderAttribute = 0x10;
constexpr std::uint32_t kLinkAttribute = 0x400;
constexpr std::uint32_t kSpecialAttribute = 0x40; // a FIFO, socket or device node

bool StartsWithFolder(const std::string& path, const std::string& prefix)
{
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 && path[prefix.size()] == '/';
}

// path below `from` re-rooted below `to`, into a buffer that is reused so
// the per-file loops allocate nothing once it has grown.
bool MapPath(const std::string& path, const std::string& from, const std::string& to, std::string& out)
{
    if (!StartsWithFolder(path, from))
        return false;
    out.assign(to).append(path, from.size(), std::string::npos);
    return true;
}

bool RootedIn(const CFileRecord& record, const std::string& from)
{
    const std::string_view root = record.Path.Root();
    return root.size() == from.size() + 1 && root.compare(0, from.size(), from) == 0;
}

} // namespace

namespace EntryPaths {

// A folder as a path prefix: the file system root contributes nothing, so
// "/" + "/etc" does not become "//etc".
std::string PrefixOf(const std::string& folder)
{
    return folder == "/" ? std::string() : folder;
}

// Where a record of the list scanned in `from` lies below `to`. A record of
// that list is relative to from + '/'; any other is mapped by its whole path.
bool TargetOf(const CFileRecord& record, const std::string& from, const std::string& to, std::string& out)
{
    if (RootedIn(record, from)) {
        out.assign(to).append(1, '/');
        record.Path.AppendTo(out);
        return true;
    }
    return MapPath(record.FullPath(), from, to, out);
}

// The key of a path made by TargetOf in the list scanned in folder.
std::string_view Below(const std::string& path, const std::string& folder)
{
    return std::string_view(path).substr(folder.size() + 1);
}

// The key under which a record of the list scanned in `from` is found in the
// list scanned in `to`: the record's path below to, viewed in out, which
// holds what TargetOf gives (so that a later TargetOf into out leaves the key
// as it was). out is reused: the passes over whole lists allocate nothing
// once it has grown.
bool KeyOf(
    const CFileRecord& record, const std::string& from, const std::string& to, std::string& out, std::string_view& key)
{
    if (!TargetOf(record, from, to, out))
        return false;
    key = Below(out, to);
    return true;
}

bool IsFolderRecord(const CFileRecord& record)
{
    return record.Attributes != 0xFFFFFFFF && (record.Attributes & kFolderAttribute);
}

// The kind of item the scan saw for a file record: anything else found in
// its place is left alone.
FileKind KindOf(const CFileRecord& record)
{
    if (record.Attributes & kLinkAttribute)
        return FileKind::Link;
    return (record.Attributes & kSpecialAttribute) ? FileKind::Other : FileKind::Regular;
}

} // namespace EntryPaths
