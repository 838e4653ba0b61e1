#include "engine/VersionPruner.h"

#include "engine/Retention.h"
#include "engine/WallClock.h"
#include "platform/DirectoryReader.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
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

int CVersionPruner::OpenArea(const std::string& backupFolder, CDirHandle& root, CDirHandle& area)
{
    if (const int error = CDirHandle::OpenNamed(backupFolder, root))
        return error;
    return root.OpenFolder(kAreaName, area);
}

int CVersionPruner::Walk(
    const CDirHandle& area, const std::string& start, std::vector<std::string>& folders, const FileVisit& visit)
{
    std::vector<std::string> pending { start };
    while (!pending.empty()) {
        const std::string relative = std::move(pending.back());
        pending.pop_back();
        // Each folder is opened from the area down, never followed through
        // a link, and closed before the next: a deep tree holds no handles.
        CDirHandle folder;
        std::vector<std::string> names;
        if (const int error = area.OpenFolder(relative, folder))
            return error;
        if (const int error = NamesIn(folder, names))
            return error;
        folders.push_back(relative);
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

int CVersionPruner::Choose(
    const CDirHandle& root, const CDirHandle& area, std::vector<Item>& pruned, std::vector<std::string>& folders) const
{
    std::vector<std::string> stamps;
    if (const int error = NamesIn(area, stamps))
        return error;
    std::sort(stamps.begin(), stamps.end());
    // Every version of each file, by its path below the stamp folders.
    std::map<std::string, std::vector<Item>> files;
    std::map<std::string, std::vector<FileVersion>> versions;
    for (const std::string& stamp : stamps) {
        const std::optional<std::int64_t> setAside = CWallClock::ParseStamp(stamp);
        FileKind kind = FileKind::Unknown;
        if (!setAside || ItemOps::KindOf(area, stamp, kind) != 0 || kind != FileKind::Directory)
            continue;
        const auto visit = [&](const std::string& relative, const ItemIdentity& identity) {
            const std::string below = relative.substr(stamp.size() + 1);
            files[below].push_back({ stamp, below, identity.Size });
            versions[below].push_back({ *setAside, identity.Size });
        };
        if (const int error = Walk(area, stamp, folders, visit))
            return error;
    }
    const CRetention retention(m_settings, m_now);
    for (const auto& [relative, list] : versions) {
        for (const std::size_t index : retention.Prune(list, InSource(root, relative)))
            pruned.push_back(files[relative][index]);
    }
    std::sort(pruned.begin(), pruned.end(),
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
    CDirHandle root;
    CDirHandle area;
    if (const int error = OpenArea(m_backupFolder, root, area))
        return error == ENOENT ? 0 : error;
    std::vector<Item> items;
    std::vector<std::string> folders;
    if (const int error = Choose(root, area, items, folders))
        return error;
    for (const Item& item : items)
        pruned.push_back({ PathOf(item), item.size });
    return 0;
}

int CVersionPruner::Prune(std::vector<PrunedVersion>* removed)
{
    if (removed)
        removed->clear();
    CDirHandle root;
    CDirHandle area;
    if (const int error = OpenArea(m_backupFolder, root, area))
        return error == ENOENT ? 0 : error;
    std::vector<Item> items;
    std::vector<std::string> folders;
    if (const int error = Choose(root, area, items, folders))
        return error;
    int first = 0;
    for (const Item& item : items) {
        CDirHandle folder;
        std::string name;
        int error = area.OpenParentOf(Join(item.stamp, item.relative), folder, name);
        if (!error)
            error = ItemOps::RemoveFile(folder, name);
        if (!error && removed)
            removed->push_back({ PathOf(item), item.size });
        if (error && error != ENOENT && !first)
            first = error;
    }
    // Children were listed after their parents: from the back, a folder is
    // tried after everything below it. Folders with anything left stay.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        CDirHandle parent;
        std::string name;
        if (area.OpenParentOf(*it, parent, name) == 0)
            ItemOps::RemoveEmptyFolder(parent, name);
    }
    return first;
}

int CVersionPruner::SpaceUsed(const std::string& backupFolder, std::uint64_t& bytes)
{
    bytes = 0;
    CDirHandle root;
    CDirHandle area;
    if (const int error = OpenArea(backupFolder, root, area))
        return error == ENOENT ? 0 : error;
    std::set<std::pair<std::uint64_t, std::uint64_t>> counted;
    std::vector<std::string> folders;
    return Walk(area, "", folders, [&](const std::string&, const ItemIdentity& identity) {
        if (identity.Links < 2 || counted.emplace(identity.Device, identity.Inode).second)
            bytes += identity.Size;
    });
}
