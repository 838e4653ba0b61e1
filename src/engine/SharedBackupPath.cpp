#include "engine/SharedBackupPath.h"

#include "core/Set.h"
#include "engine/GetInfoWorker.h"
#include "scan/PathFormat.h"

#include <filesystem>
#include <vector>

namespace {

// The backup root of an entry the way the scan finds it, written so that two
// spellings of one folder ("/b/", "/b/./x/..") compare equal; empty when the
// entry takes part in no run.
std::string RootOf(const CBackup& entry, std::time_t now)
{
    CBackup expanded;
    expanded.SourceFolder = ExpandPathTags(entry.SourceFolder, now);
    expanded.DestinationFolder = ExpandPathTags(entry.DestinationFolder, now);
    if (expanded.SourceFolder.empty() || expanded.DestinationFolder.empty())
        return {};
    while (expanded.SourceFolder.size() > 1 && expanded.SourceFolder.back() == '/')
        expanded.SourceFolder.pop_back();
    while (!expanded.DestinationFolder.empty() && expanded.DestinationFolder.back() == '/')
        expanded.DestinationFolder.pop_back();
    std::string root = std::filesystem::path(CGetInfoWorker::BackupRoot(expanded)).lexically_normal().string();
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

// True when inner is outer or lies below it.
bool Within(const std::string& inner, const std::string& outer)
{
    if (inner.compare(0, outer.size(), outer) != 0)
        return false;
    return inner.size() == outer.size() || outer == "/" || inner[outer.size()] == '/';
}

} // namespace

std::optional<SharedBackupPath> FindSharedBackupPath(const CSet& set, std::time_t now)
{
    std::vector<std::string> roots;
    for (const CBackup& entry : set.Entries)
        roots.push_back(RootOf(entry, now));
    for (std::size_t i = 0; i < roots.size(); ++i) {
        for (std::size_t j = i + 1; j < roots.size(); ++j) {
            if (roots[i].empty() || roots[j].empty())
                continue;
            if (Within(roots[j], roots[i]))
                return SharedBackupPath { i, j, roots[j] };
            if (Within(roots[i], roots[j]))
                return SharedBackupPath { j, i, roots[i] };
        }
    }
    return std::nullopt;
}
