#include "engine/VersionList.h"

#include "engine/VersionPruner.h"
#include "engine/WallClock.h"
#include "platform/DirectoryReader.h"
#include "platform/FileInfo.h"
#include "platform/fs/DirHandle.h"
#include "scan/PathFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <tuple>
#include <utility>

namespace {

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + "/" + name;
}

std::string WithoutTrailingSlashes(std::string folder)
{
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// Walks the entry's folder in one stamp folder: every folder is opened below
// the area without following a link, listed, and closed before the next is
// opened, so a deep tree holds no handles; its files are looked up through
// the listing. A stamp folder without the entry's folder holds nothing of it.
int WalkStamp(const CDirHandle& area, const std::string& stamp, const std::string& root, std::int64_t setAside,
    std::vector<VersionItem>& versions)
{
    const std::string base = Join(stamp, root);
    std::vector<std::string> pending { "" };
    while (!pending.empty()) {
        const std::string relative = std::move(pending.back());
        pending.pop_back();
        CDirHandle listing;
        if (const int error = area.OpenFolder(Join(base, relative), listing, true)) {
            // A name shaped like a stamp that is not a folder is not the area's.
            const bool nothingThere = error == ENOENT || error == ENOTDIR || error == ELOOP;
            if (relative.empty() && nothingThere)
                return 0;
            return error;
        }
        CDirectoryReader reader;
        if (!reader.Take(std::move(listing)))
            return reader.Error();
        std::string name;
        FileKind kind = FileKind::Unknown;
        while (reader.Next(name, kind)) {
            if (kind == FileKind::Directory) {
                pending.push_back(Join(relative, name));
                continue;
            }
            FileFindData data;
            const int error = reader.Stat(name, data);
            if (error == ENOENT)
                continue;
            if (error)
                return error;
            if (data.Kind == FileKind::Directory) {
                pending.push_back(Join(relative, name));
                continue;
            }
            versions.push_back({ Join(relative, name), stamp, setAside, data.Size,
                CFileInfo::ToUnixSeconds(data.LastWriteTime), data.Kind });
        }
        if (reader.Error())
            return reader.Error();
    }
    return 0;
}

} // namespace

std::string VersionArea::AreaPath() const
{
    // Appended, not added to a temporary: GCC 12 warns of a false overlap then.
    std::string path = Folder == "/" ? std::string() : Folder;
    path.append("/").append(CVersionPruner::kAreaName);
    return path;
}

int CVersionList::Read(const VersionArea& where, std::vector<VersionItem>& versions)
{
    versions.clear();
    CDirHandle root;
    CDirHandle area;
    int error = CDirHandle::OpenNamed(where.Folder, root);
    if (!error)
        error = root.OpenFolder(CVersionPruner::kAreaName, area);
    if (error)
        return error == ENOENT ? 0 : error;
    CDirectoryReader reader;
    if (!reader.Open(area))
        return reader.Error();
    std::vector<std::pair<std::string, std::int64_t>> stamps;
    std::string name;
    FileKind kind = FileKind::Unknown;
    while (reader.Next(name, kind)) {
        if (const auto setAside = CWallClock::ParseStamp(name))
            stamps.emplace_back(name, *setAside);
    }
    if (reader.Error())
        return reader.Error();
    for (const auto& [stamp, setAside] : stamps) {
        if ((error = WalkStamp(area, stamp, where.Root, setAside, versions)) != 0) {
            versions.clear();
            return error;
        }
    }
    std::sort(versions.begin(), versions.end(), [](const VersionItem& a, const VersionItem& b) {
        return std::tie(a.Path, a.SetAside, a.Stamp) < std::tie(b.Path, b.SetAside, b.Stamp);
    });
    return 0;
}

bool CVersionList::Within(const std::string& path, const std::string& limit)
{
    const std::string folder = WithoutTrailingSlashes(limit);
    if (folder.empty())
        return true;
    return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '/');
}

const VersionItem* CVersionList::NewestAtOrBefore(
    const std::vector<VersionItem>& versions, const std::string& path, std::int64_t at)
{
    // The list is sorted by path, then oldest first: the last of the path's
    // run not after at.
    auto it = std::lower_bound(versions.begin(), versions.end(), path,
        [](const VersionItem& item, const std::string& wanted) { return item.Path < wanted; });
    const VersionItem* found = nullptr;
    for (; it != versions.end() && it->Path == path && it->SetAside <= at; ++it)
        found = &*it;
    return found;
}

std::string CVersionList::TimeText(std::int64_t wall)
{
    const CWallClock::Civil c = CWallClock::ToCivil(wall);
    char text[48];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02d", static_cast<long long>(c.year), c.month, c.day,
        c.hour, c.minute, c.second);
    return text;
}

std::string CVersionList::SourceFolderOf(const CBackup& entry, std::time_t now)
{
    const std::string folder = WithoutTrailingSlashes(ExpandPathTags(entry.SourceFolder, now));
    return folder.empty() ? std::string("/") : folder;
}

VersionArea CVersionList::EntryAreaOf(const CBackup& entry, std::time_t now)
{
    VersionArea area;
    std::string folder = AreaFolderOf(entry, now);
    area.Folder = folder.empty() ? std::string(1, '/') : std::move(folder);
    // The name a run gives the entry's backup folder (CGetInfoWorker::BackupRoot).
    area.Root = FolderDisplayName(SourceFolderOf(entry, now));
    if (!area.Root.empty() && area.Root.front() == '/')
        area.Root.erase(0, 1);
    return area;
}

std::string CVersionList::AreaFolderOf(const CBackup& entry, std::time_t now)
{
    return WithoutTrailingSlashes(ExpandPathTags(entry.DestinationFolder, now));
}

std::vector<std::string> CVersionList::AreaFoldersOf(const std::deque<CBackup>& entries, std::time_t now)
{
    std::vector<std::string> folders;
    for (const CBackup& entry : entries) {
        // An entry without a backup folder has nowhere to keep versions.
        std::string folder = AreaFolderOf(entry, now);
        if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    }
    return folders;
}
