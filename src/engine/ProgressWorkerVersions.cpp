// The versions of CProgressWorker: a backup of a set with versions on moves
// each backup file it replaces or deletes into the version area of its
// backup folder, "<backup folder>/.korvane-versions/<stamp>/<path>", and
// prunes the area once the run has gone well.
#include "StringTable.h"
#include "core/Prompter.h"
#include "engine/ActionDisplay.h"
#include "engine/ProgressWorker.h"
#include "engine/PruneRecord.h"
#include "engine/VersionPruner.h"
#include "engine/WallClock.h"
#include "log/ActivityLog.h"
#include "platform/Clock.h"
#include "platform/FileOps.h"
#include "platform/PathParts.h"
#include "scan/PathFormat.h"

#include <algorithm>
#include <cerrno>

namespace {

// Tries past a stamp whose folder an earlier run of the same second made.
constexpr int kStampTries = 600;

bool Inside(const std::string& inner, const std::string& outer)
{
    return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 && inner[outer.size()] == '/';
}

std::string AreaOf(const std::string& backupFolder)
{
    return backupFolder + "/" + CVersionPruner::kAreaName;
}

} // namespace

bool CProgressWorker::VersionsReplaced() const
{
    return Action() == 0 && Set.Versions.Active != 0;
}

// A version is a rename, never a copy: the area must be on the file system
// of the backup folder, and so must the folder the entry's files are kept
// in. An area that is a link, a file or another mount is not used at all,
// and nothing is done for the entry: without a place for versions, its
// replaced and deleted files would be lost.
void CProgressWorker::CheckVersionAreas()
{
    if (!VersionsReplaced())
        return;
    for (const CBackup& entry : Set.Entries) {
        if (!Usable(entry) || VersionAreaUsable(entry))
            continue;
        const std::string area = AreaOf(entry.DestinationFolder);
        FailItem({ area, "Not a folder on the file system of the backup folder; nothing was backed up to it" },
            FormatString("The version area %s is not a folder on the file system of %s; nothing was backed up to it",
                area.c_str(), entry.DestinationFolder.c_str()),
            FormatString(LoadString(57801).c_str(), area.c_str(), entry.DestinationFolder.c_str()));
        m_missing.push_back(&entry);
    }
}

bool CProgressWorker::VersionAreaUsable(const CBackup& entry)
{
    const std::string area = AreaOf(entry.DestinationFolder);
    // A source folder named like the area would have its backup in it.
    if (BackupRoot(entry) == area)
        return false;
    ItemIdentity folder;
    // A backup folder not there yet is made, with the area, on one device.
    if (m_ops->Identify(entry.DestinationFolder.empty() ? "/" : entry.DestinationFolder, folder) != 0)
        return true;
    for (const std::string& path : { area, BackupRoot(entry) }) {
        ItemIdentity item;
        const int error = m_ops->Identify(path, item);
        if (error == ENOENT)
            continue;
        if (error != 0 || item.Kind != FileKind::Directory || item.Device != folder.Device)
            return false;
    }
    return true;
}

// Every entry with one backup folder puts this run's versions in one folder,
// named after the run's start. A run that starts in the same second as the
// one before takes the next free second instead of mixing its versions in.
std::string CProgressWorker::VersionStampFor(const std::string& backupFolder)
{
    auto found = m_versionStamps.find(backupFolder);
    if (found != m_versionStamps.end())
        return found->second;
    const std::string area = AreaOf(backupFolder);
    std::int64_t wall = CWallClock::FromEpoch(StartTime);
    for (int n = 1; n < kStampTries && m_ops->PathExists(area + "/" + CWallClock::Stamp(wall)); ++n)
        ++wall;
    return m_versionStamps[backupFolder] = CWallClock::Stamp(wall);
}

// Makes folder and the folders above it up to the backup folder, each
// through the open folder of the one above, never following a link: a link
// in the way fails the move instead of carrying it out of the area.
int CProgressWorker::MakeVersionFolder(const std::string& folder, const std::string& backupFolder)
{
    if (folder == backupFolder || m_versionFolders.count(folder))
        return 0;
    if (const int error = MakeVersionFolder(PathParts::FolderOf(folder), backupFolder))
        return error;
    int error = folder == AreaOf(backupFolder) ? m_ops->MakePrivateFolder(folder) : m_ops->MakeFolder(folder);
    if (error == EEXIST && m_ops->IsRealFolder(folder))
        error = 0;
    if (error == 0)
        m_versionFolders.insert(folder);
    return error;
}

// 0 when the item at path (a file, a link or a whole folder of an entry's
// backup) is in the version area, else the errno of why it is still where
// it was. A rename only: EXDEV from a mount below the backup folder stays a
// failure, as a copy-then-delete killed half-way could lose the item.
int CProgressWorker::MoveToVersions(const std::string& path)
{
    const auto entry = std::find_if(
        Set.Entries.begin(), Set.Entries.end(), [&](const CBackup& e) { return Inside(path, BackupRoot(e)); });
    if (entry == Set.Entries.end())
        return EXDEV;
    if (!m_ops->PathExists(path))
        return 0; // went with its folder
    const std::string& backupFolder = entry->DestinationFolder;
    // Before the area changes: killed after the move, the run must leave no
    // record that says the area needs no pruning.
    if (!DryRun() && m_setAsideIn.insert(backupFolder).second)
        CPruneRecord::Drop(backupFolder);
    const std::string version
        = AreaOf(backupFolder) + "/" + VersionStampFor(backupFolder) + path.substr(backupFolder.size());
    if (const int error = MakeVersionFolder(PathParts::FolderOf(version), backupFolder))
        return error;
    const int error = m_ops->MoveNoReplace(path, version);
    if (error == 0 && DryRun())
        m_plannedVersions[backupFolder].push_back(path.substr(backupFolder.size() + 1));
    return error;
}

// The old copy goes into the versions before the new one is made, which
// then takes a free name, as a replacement in the trash does: no way of the
// copier's replaces anything unseen, and a copy that fails after it leaves
// the old file among the versions, reported, not lost. False when the file
// could not be moved: it is then not replaced.
bool CProgressWorker::VersionBeforeReplacing(const std::string& target)
{
    const int error = MoveToVersions(target);
    if (error == 0)
        return true;
    FailVersionMove(target, error, true);
    return false;
}

void CProgressWorker::FailVersionMove(const std::string& path, int error, bool replacing)
{
    const std::string what = replacing ? "replaced" : "deleted";
    const std::string reason = error == EXDEV
        ? "Not " + what + ", as it lies on another file system than the version area"
        : Reason("Not " + what + ", as it could not be moved to the version area", error);
    FailItem({ path, reason },
        FormatString(
            "Failed to move %s to the version area, so it was not %s (error: %d)", path.c_str(), what.c_str(), error),
        FormatString(
            LoadString(replacing ? 57803 : 57802).c_str(), path.c_str(), SystemErrorText(error).c_str(), error));
}

// Only a run that went well prunes: after a failure or a stop the versions
// it made may be all that is left of a file. A dry run lists instead, with
// the backup as the run would have left it. An area whose record says it
// was pruned today by the same rules, with nothing set aside since, is not
// walked again: what it takes is in the record.
void CProgressWorker::PruneVersions()
{
    if (!VersionsReplaced() || Cancelled())
        return;
    const bool wentWell = FailedItems.load() == 0;
    std::vector<std::string> done;
    const std::int64_t now = CWallClock::FromEpoch(m_clock.Now());
    for (const CBackup& entry : Set.Entries) {
        const std::string& folder = entry.DestinationFolder;
        if (!Usable(entry) || std::find(done.begin(), done.end(), folder) != done.end())
            continue;
        done.push_back(folder);
        const std::optional<CPruneRecord> record = UnchangedSincePruned(folder);
        const bool due = !record || !record->Covers(Set.Versions, now);
        CVersionPruner pruner(folder, Set.Versions, now);
        if (DryRun()) {
            if (wentWell && due)
                ListPruning(pruner, folder);
            continue;
        }
        if (wentWell && due) {
            PruneArea(pruner, folder, now);
            continue;
        }
        std::uint64_t bytes = 0;
        if (record)
            VersionSpace.push_back({ AreaOf(folder), record->Bytes });
        else if (CVersionPruner::SpaceUsed(folder, bytes) == 0)
            VersionSpace.push_back({ AreaOf(folder), bytes });
    }
}

// The record of the area's last pruning, when this run has set nothing
// aside in it (nor would have, in a dry run).
std::optional<CPruneRecord> CProgressWorker::UnchangedSincePruned(const std::string& backupFolder) const
{
    if (m_setAsideIn.count(backupFolder) || m_plannedVersions.count(backupFolder))
        return std::nullopt;
    CPruneRecord record;
    if (CPruneRecord::Read(backupFolder, record) != 0)
        return std::nullopt;
    return record;
}

// The versions this run would have set aside are not in the area: the
// pruner is told of them, or the count rule would keep what the real run,
// one version more, lets go.
void CProgressWorker::ListPruning(CVersionPruner& pruner, const std::string& backupFolder)
{
    pruner.SetSourceCheck([this, backupFolder](const std::string& relative) {
        return m_ops->IsFileOrLink(backupFolder + "/" + relative);
    });
    const auto planned = m_plannedVersions.find(backupFolder);
    if (planned != m_plannedVersions.end()) {
        const std::string& stamp = m_versionStamps[backupFolder];
        for (const std::string& relative : planned->second)
            pruner.AddPlanned(stamp, relative);
    }
    std::vector<PrunedVersion> pruned;
    if (const int error = pruner.List(pruned))
        LogFailure(FormatString("Failed to read the versions in %s (error: %d)", backupFolder.c_str(), error));
    for (PrunedVersion& version : pruned)
        m_prunedVersions.push_back(std::move(version.Path));
}

void CProgressWorker::PruneArea(CVersionPruner& pruner, const std::string& backupFolder, std::int64_t now)
{
    const std::string area = AreaOf(backupFolder);
    std::vector<PrunedVersion> pruned;
    const int error = pruner.Prune(&pruned);
    if (!pruned.empty()) {
        m_log.WriteText(m_scheduled ? LogScheduled : LogUser, Action(),
            FormatString("Removed %d old versions from %s", static_cast<int>(pruned.size()), area.c_str()));
    }
    if (error != 0) {
        FailItem({ area, Reason("Old versions could not all be removed", error) },
            FormatString("Failed to remove old versions from %s (error: %d)", area.c_str(), error),
            FormatString(LoadString(57804).c_str(), area.c_str(), SystemErrorText(error).c_str(), error));
    }
    const std::optional<std::uint64_t> bytes = pruner.Space();
    if (!bytes)
        return;
    VersionSpace.push_back({ area, *bytes });
    // Only a whole pruning spares the next runs of the day their walk. An
    // area not there has nothing to record.
    if (error != 0)
        return;
    CPruneRecord record;
    record.PrunedAt = now;
    record.Rules = CPruneRecord::RulesOf(Set.Versions);
    record.Bytes = *bytes;
    const int failed = record.Write(backupFolder);
    if (failed && failed != ENOENT)
        LogFailure(FormatString("Failed to note the pruning of %s (error: %d)", area.c_str(), failed));
}
