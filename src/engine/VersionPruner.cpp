#include "engine/VersionPruner.h"

#include "engine/PruneRecord.h"
#include "engine/Retention.h"
#include "engine/WallClock.h"
#include "platform/DirectoryReader.h"
#include "scan/PathFormat.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
#include <tuple>
#include <utility>

namespace {

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "/" + name;
}

// The names in a folder, read whole before anything in it changes.
int NamesIn(const CDirHandle& folder, std::vector<std::string>& names)
{
    CDirectoryReader reader;
    if (!reader.Open(folder))
        return reader.Error();
    std::string name;
    FileKind kind = FileKind::Unknown;
    while (reader.Next(name, kind))
        names.push_back(name);
    return reader.Error();
}

} // namespace

CVersionPruner::CVersionPruner(std::string backupFolder, const CVersionSettings& settings, std::int64_t now)
    : m_backupFolder(std::move(backupFolder))
    , m_settings(settings)
    , m_now(now)
{
    while (m_backupFolder.size() > 1 && m_backupFolder.back() == '/')
        m_backupFolder.pop_back();
}

void CVersionPruner::SetSourceCheck(SourceCheck check)
{
    m_sourceCheck = std::move(check);
}

void CVersionPruner::AddPlanned(const std::string& stamp, const std::string& relative)
{
    m_planned.emplace_back(stamp, relative);
}

void CVersionPruner::SpaceTally::Add(const ItemIdentity& item)
{
    if (item.Kind == FileKind::Directory || item.Links < 2) {
        bytes += item.Allocated;
        return;
    }
    if (names[{ item.Device, item.Inode }]++ == 0)
        bytes += item.Allocated;
}

void CVersionPruner::SpaceTally::Remove(const ItemIdentity& item)
{
    if (item.Kind != FileKind::Directory && item.Links >= 2) {
        const auto found = names.find({ item.Device, item.Inode });
        if (found == names.end() || --found->second != 0)
            return;
    }
    bytes -= std::min(bytes, item.Allocated);
}

int CVersionPruner::OpenArea(const std::string& backupFolder, CDirHandle& root, CDirHandle& area)
{
    if (const int error = CDirHandle::OpenNamed(backupFolder, root))
        return error;
    return root.OpenFolder(kAreaName, area);
}

int CVersionPruner::Walk(
    const CDirHandle& base, const std::string& start, std::vector<Folder>& folders, const FileVisit& visit)
{
    std::vector<std::string> pending { start };
    while (!pending.empty()) {
        std::string relative = std::move(pending.back());
        pending.pop_back();
        // Each folder is opened from the base down, never followed through
        // a link, and closed before the next: a deep tree holds no handles.
        CDirHandle folder;
        std::vector<std::string> names;
        ItemIdentity self;
        if (const int error = base.OpenFolder(relative, folder))
            return error;
        if (const int error = ItemOps::Identify(folder, "", self))
            return error;
        if (const int error = NamesIn(folder, names))
            return error;
        for (const std::string& name : names) {
            ItemIdentity identity;
            const int error = ItemOps::Identify(folder, name, identity);
            if (error == ENOENT)
                continue;
            if (error)
                return error;
            if (identity.Kind == FileKind::Directory)
                pending.push_back(Join(relative, name));
            else
                visit(Join(relative, name), identity);
        }
        folders.push_back({ std::move(relative), self });
    }
    return 0;
}

bool CVersionPruner::InSource(const CDirHandle& root, const std::string& relative) const
{
    if (m_sourceCheck)
        return m_sourceCheck(relative);
    // Anything in the way (a link on the path, an unreadable folder) counts
    // as gone, which only ever keeps the file's last version.
    CDirHandle folder;
    std::string name;
    FileKind kind = FileKind::Unknown;
    return root.OpenParentOf(relative, folder, name) == 0 && ItemOps::KindOf(folder, name, kind) == 0;
}

// The planned versions as they lie in the backup folder now, each file of
// a planned folder a version of its own. A file is one version however
// often it is named: alone, and again with a folder set aside after it.
int CVersionPruner::AddPlannedTo(const CDirHandle& root, std::map<std::string, std::vector<Item>>& files) const
{
    std::set<std::string> planned;
    const auto add = [&](const std::string& stamp, const std::string& relative, const ItemIdentity& identity) {
        if (planned.insert(relative).second)
            files[relative].push_back({ stamp, relative, identity });
    };
    for (const auto& [stamp, relative] : m_planned) {
        CDirHandle folder;
        std::string name;
        ItemIdentity identity;
        int error = root.OpenParentOf(relative, folder, name);
        if (!error)
            error = ItemOps::Identify(folder, name, identity);
        if (error == ENOENT)
            continue;
        if (error)
            return error;
        if (identity.Kind != FileKind::Directory) {
            add(stamp, relative, identity);
            continue;
        }
        std::vector<Folder> folders;
        error = Walk(root, relative, folders,
            [&, stamp = stamp](const std::string& below, const ItemIdentity& item) { add(stamp, below, item); });
        if (error)
            return error;
    }
    return 0;
}

int CVersionPruner::Find(Found& found) const
{
    if (const int error = OpenArea(m_backupFolder, found.root, found.area))
        return error;
    std::vector<std::string> stamps;
    if (const int error = NamesIn(found.area, stamps))
        return error;
    ItemIdentity area;
    if (const int error = ItemOps::Identify(found.area, "", area))
        return error;
    found.space.Add(area);
    // Every version of each file, by its path below the stamp folders.
    std::map<std::string, std::vector<Item>> files;
    for (const std::string& stamp : stamps) {
        FileKind kind = FileKind::Unknown;
        if (!CWallClock::ParseStamp(stamp) || ItemOps::KindOf(found.area, stamp, kind) != 0
            || kind != FileKind::Directory)
            continue;
        const auto visit = [&](const std::string& relative, const ItemIdentity& identity) {
            const std::string below = relative.substr(stamp.size() + 1);
            files[below].push_back({ stamp, below, identity });
            found.space.Add(identity);
        };
        if (const int error = Walk(found.area, stamp, found.folders, visit))
            return error;
    }
    for (const Folder& folder : found.folders)
        found.space.Add(folder.identity);
    if (const int error = AddPlannedTo(found.root, files))
        return error;
    const CRetention retention(m_settings, m_now);
    for (const auto& [relative, list] : files) {
        std::vector<FileVersion> versions;
        versions.reserve(list.size());
        for (const Item& item : list)
            versions.push_back({ *CWallClock::ParseStamp(item.stamp), item.identity.Size });
        for (const std::size_t index : retention.Prune(versions, InSource(found.root, relative)))
            found.pruned.push_back(list[index]);
    }
    std::sort(found.pruned.begin(), found.pruned.end(),
        [](const Item& a, const Item& b) { return std::tie(a.stamp, a.relative) < std::tie(b.stamp, b.relative); });
    return 0;
}

std::string CVersionPruner::PathOf(const Item& item) const
{
    const std::string folder = m_backupFolder == "/" ? "" : m_backupFolder;
    return folder + "/" + kAreaName + "/" + item.stamp + "/" + item.relative;
}

int CVersionPruner::List(std::vector<PrunedVersion>& pruned)
{
    pruned.clear();
    m_space.reset();
    Found found;
    if (const int error = Find(found)) {
        if (error == ENOENT)
            m_space = 0;
        return error == ENOENT ? 0 : error;
    }
    for (const Item& item : found.pruned)
        pruned.push_back({ PathOf(item), item.identity.Size });
    m_space = found.space.bytes;
    return 0;
}

int CVersionPruner::Prune(std::vector<PrunedVersion>* removed)
{
    if (removed)
        removed->clear();
    m_space.reset();
    Found found;
    if (const int error = Find(found)) {
        if (error == ENOENT)
            m_space = 0;
        return error == ENOENT ? 0 : error;
    }
    int first = 0;
    for (const Item& item : found.pruned) {
        CDirHandle folder;
        std::string name;
        int error = found.area.OpenParentOf(Join(item.stamp, item.relative), folder, name);
        if (!error)
            error = ItemOps::RemoveFile(folder, name);
        if (!error || error == ENOENT)
            found.space.Remove(item.identity);
        if (!error && removed)
            removed->push_back({ PathOf(item), item.identity.Size });
        if (error && error != ENOENT && !first)
            first = error;
    }
    // Children were listed after their parents: from the back, a folder is
    // tried after everything below it. Folders with anything left stay.
    for (auto it = found.folders.rbegin(); it != found.folders.rend(); ++it) {
        CDirHandle parent;
        std::string name;
        if (found.area.OpenParentOf(it->relative, parent, name) == 0 && ItemOps::RemoveEmptyFolder(parent, name) == 0)
            found.space.Remove(it->identity);
    }
    m_space = found.space.bytes;
    return first;
}

int CVersionPruner::SpaceUsed(const std::string& backupFolder, std::uint64_t& bytes)
{
    bytes = 0;
    CDirHandle root;
    CDirHandle area;
    if (const int error = OpenArea(backupFolder, root, area))
        return error == ENOENT ? 0 : error;
    SpaceTally space;
    std::vector<Folder> folders;
    // The record of the last pruning is the area's own, not a version's.
    const int error = Walk(area, "", folders, [&space](const std::string& relative, const ItemIdentity& identity) {
        if (relative != CPruneRecord::kName)
            space.Add(identity);
    });
    if (error)
        return error;
    for (const Folder& folder : folders)
        space.Add(folder.identity);
    bytes = space.bytes;
    return 0;
}

std::string CVersionPruner::SpaceText(std::uint64_t bytes)
{
    return bytes == 0 ? "0 bytes" : FormatSize(bytes);
}
