// The folder phases of CProgressWorker: making the target's folders, a
// folder that changed since the scan, an item of another type in the way,
// and the modes and times folders take once every file is in place.
#include "StringTable.h"
#include "core/Prompter.h"
#include "core/SettingsRecord.h"
#include "engine/EntryPaths.h"
#include "engine/ProgressWorker.h"
#include "scan/FolderLister.h"
#include "scan/FolderMerge.h"
#include "scan/PathFormat.h"

#include <cerrno>

using namespace EntryPaths;

// Creates `to` when it is not a folder; false when the action is to end.
// ignored tells that the user chose to go on without it.
bool CProgressWorker::EnsureFolder(const CBackup& entry, const std::string& from, const std::string& to, bool& ignored)
{
    return UntilDone([&] { return CreateFolder(entry, from, to); }, ignored);
}

// Repeats attempt (1 when done, else the answer to its error prompt) on
// Retry; false on Abort, which cancels the action. ignored tells that the
// user chose to go on without it.
bool CProgressWorker::UntilDone(const std::function<int()>& attempt, bool& ignored)
{
    ignored = false;
    for (;;) {
        const int answer = attempt();
        if (answer == 1)
            return true;
        if (answer == IdRetry)
            continue;
        if (answer == IdIgnore) {
            ignored = true;
            return true;
        }
        Cancel();
        return false;
    }
}

bool CProgressWorker::ProcessFolders(CBackup& entry, const Direction& direction)
{
    std::string target;
    std::string from;
    for (const CFileRecord& record : *direction.fromList) {
        if (!IsFolderRecord(record))
            continue;
        if (Cancelled())
            return false;
        SetCurrentFolder(&record);
        if (TargetOf(record, direction.fromFolder, direction.toFolder, target)
            && m_ops->MakeFolderWritable(target) != 0) {
            bool ignored = false;
            from = record.FullPath();
            if (const int changed = ChangedFolder(direction, from, target)) {
                if (changed < 0)
                    return false;
                continue;
            }
            if (m_ops->IsFileOrLink(target) && !RemoveOtherType(from, target, ignored))
                return false;
            // A link left where the folder belongs would carry every copy
            // below it out of the tree: nothing is written through it.
            if (m_ops->IsLink(target))
                m_blockedFolders.push_back(target + "/");
            if (!ignored && !EnsureFolder(entry, from, target, ignored))
                return false;
            // Security copied onto it may have made it read-only.
            m_ops->MakeFolderWritable(target);
        }
        if (m_keepFileLists)
            ProcessedFolders.push_back(record);
        ++m_processedFolderCount;
    }
    return true;
}

// A folder the scan found at the target that is a folder no more (a link
// or another item took its place) is never followed nor replaced: it is
// left alone as a changed item, and nothing is written below it. 1 when it
// is such a folder, -1 when the action is to end, 0 when it is not.
int CProgressWorker::ChangedFolder(const Direction& direction, const std::string& from, const std::string& target)
{
    const CFileRecord* scanned = FindRecord(*direction.toList, Below(target, direction.toFolder));
    if (!scanned || !IsFolderRecord(*scanned) || !m_ops->PathExists(target))
        return 0;
    m_blockedFolders.push_back(target + "/");
    if (ReportError(kItemChanged, from, target) == IdAbort) {
        Cancel();
        return -1;
    }
    return 1;
}

// Writing into a folder moves its time to now, and the folder phase may have
// made it writable: once every file is in place, each folder takes the mode
// and time of its counterpart, deepest first, as cp -a and rsync -a do.
void CProgressWorker::FolderAttributePhase(bool restore)
{
    for (CBackup& entry : Set.Entries) {
        if (!Usable(entry))
            continue;
        const Direction direction = DirectionOf(entry, restore);
        FolderAttributesOf(entry, direction, restore);
        if (Cancelled())
            return;
        CopyFolderAttributesOf(direction.fromFolder.empty() ? "/" : direction.fromFolder,
            direction.toFolder.empty() ? "/" : direction.toFolder);
    }
}

// The folders below the entry's top, deepest first.
void CProgressWorker::FolderAttributesOf(const CBackup& entry, const Direction& direction, bool restore)
{
    if (ScanOf(entry).WholeLists) {
        std::string target;
        for (auto it = direction.fromList->rbegin(); it != direction.fromList->rend(); ++it) {
            if (Cancelled())
                return;
            if (IsFolderRecord(*it) && TargetOf(*it, direction.fromFolder, direction.toFolder, target))
                CopyFolderAttributesOf(it->FullPath(), target);
        }
        return;
    }
    // Only the folders are wanted: no file of either side is looked at.
    const std::unique_ptr<CFolderLister> folders = ListerOf(entry, !restore, false, nullptr);
    if (!folders)
        return;
    CFolderMerge walk(*folders, nullptr, false, CFolderMerge::kReaders);
    walk.Walk([](CFileRecordArray&, CFileRecordArray&) { return true; },
        [&](const std::string& below) {
            if (below.empty())
                return true;
            const std::string folder = below.substr(0, below.size() - 1);
            CopyFolderAttributesOf(direction.fromFolder + "/" + folder, direction.toFolder + "/" + folder);
            return !Cancelled();
        },
        &m_cancel);
}

// A folder that is not there, or not a folder, failed when it was to be
// made (or its source went since): it is not reported twice.
void CProgressWorker::CopyFolderAttributesOf(const std::string& from, const std::string& to)
{
    if (BelowBlockedFolder(to + "/"))
        return;
    bool ignored = false;
    UntilDone(
        [&] {
            const int error = m_ops->CopyFolderAttributes(from, to);
            return error == 0 || error == ENOENT || error == ENOTDIR ? 1 : FolderAttributesFailed(to, error);
        },
        ignored);
}

// The item of the other type at target (a file or link where a folder now
// belongs) goes, so that a changed type converges instead of failing on
// every run. False when the action is to end; ignored tells that it stayed.
bool CProgressWorker::RemoveOtherType(const std::string& from, const std::string& target, bool& ignored)
{
    return UntilDone(
        [&] {
            const int error = RemoveReplaced(target);
            return error == 0 ? 1 : ReportError(error, from, target);
        },
        ignored);
}

// Removes the item at path (to the trash when the trash is on: BackupTrash
// in a backup, RestoreTrash in a restore, where it is the user's; into the
// versions when a backup keeps them) and
// records it among the deleted items; 0 or the errno of the failure.
int CProgressWorker::RemoveReplaced(const std::string& path)
{
    // Items inside a folder replaced by a file may still be going in the
    // background: both must never remove the same items.
    ReportRemovals();
    CFileRecord record;
    record.SetFromPath(path);
    const bool trash = Action() == 0 ? m_settings.Actions.BackupTrash != 0 : TrashesReplaced();
    const int error = VersionsReplaced() ? MoveToVersions(path) : trash ? TrashItem(path) : m_ops->RemoveTree(path);
    if (error == 0)
        (record.IsFolder() ? DeletedFolders : DeletedFiles).push_back(record);
    return error;
}
