// The file operations of CProgressWorker: copying with security, creating
// folders, removing items, placing replacements, and the error prompt they
// share.
#include "StringTable.h"
#include "core/Prompter.h"
#include "core/SettingsRecord.h"
#include "engine/ActionDisplay.h"
#include "engine/ProgressWorker.h"
#include "log/ActivityLog.h"
#include "platform/FileOps.h"
#include "platform/FileSecurity.h"
#include "platform/PathParts.h"
#include "platform/Trash.h"
#include "scan/PathFormat.h"

#include <algorithm>
#include <array>
#include <cerrno>

namespace {

constexpr std::uint32_t kVolumeAcls = 0x8;
constexpr std::uint32_t kVolumeCompression = 0x10;
constexpr const char* kHoldingFolderName = "Korvane Deleted Files";
// The hidden folder of a backup folder in which the holding folder is made.
constexpr const char* kStagingName = ".Korvane Deleted Files";
constexpr unsigned kErrorPrompt = MbAbortRetryIgnore | MbIconError | MbTopmost;
constexpr std::uint32_t kReadOnlyAttribute = 0x01;
// A link (0x400) or a FIFO, socket or device node (0x40): never read-only
// to the copier, which refuses only regular files without the write bit.
constexpr std::uint32_t kLinkOrDevice = 0x440;

using PathParts::NameOf;

// Moves path into folder under its own name, or "name (2)", "name (3)", ...
// when that name is taken.
int MoveRenamingOnCollision(CFileOperations& ops, const std::string& path, const std::string& folder)
{
    const std::string name = NameOf(path);
    int error = ops.MoveNoReplace(path, folder + "/" + name);
    for (int n = 2; error == EEXIST && n < 10000; ++n)
        error = ops.MoveNoReplace(path, folder + "/" + name + " (" + std::to_string(n) + ")");
    return error;
}

bool Inside(const std::string& inner, const std::string& outer)
{
    return inner.size() > outer.size() && inner.compare(0, outer.size(), outer) == 0 && inner[outer.size()] == '/';
}

} // namespace

// A message box text as one line for the list of failed items:
// "Failed to access /x.\n\nNo medium found (error: 123)." gives
// "Failed to access /x: No medium found (error: 123).".
std::string CProgressWorker::OneLine(std::string text)
{
    for (const auto& [from, to] : { std::pair { ".\n\n", ": " }, { "\n\n", ": " }, { "\n", ", " } }) {
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at))
            text.replace(at, std::string(from).size(), to);
    }
    return text;
}

std::string CProgressWorker::Reason(const std::string& what, int code)
{
    const std::string system = FormatString("%s (error: %d)", SystemErrorText(code).c_str(), code);
    return what.empty() ? system : what + ": " + system;
}

// Counted and kept with its reason, so the summary, the log's end record
// and the console say what the run left undone.
void CProgressWorker::NoteFailure(const FailedItem& item)
{
    Failures.push_back(item);
    ++FailedItems;
}

// Unasked, the failure is still named: each item passed over is listed on
// the display, which a run without windows writes to standard error.
int CProgressWorker::AskFileOperation(const std::string& text, const FailedItem& item)
{
    if (!ShowErrors()) {
        NoteFailure(item);
        m_display.ItemFailed(OneLine(text));
        return IdIgnore;
    }
    const int answer = m_prompter.MessageBox(text, kErrorPrompt);
    if (answer == IdIgnore)
        NoteFailure(item);
    // Only the three buttons lead on; anything else stops the action rather
    // than carrying on unasked.
    return answer == IdRetry || answer == IdIgnore ? answer : IdAbort;
}

int CProgressWorker::ReportError(int code, const std::string& from, const std::string& to)
{
    const std::string text = SystemErrorText(code);
    LogFailure(FormatString("%s (error: %d), Source: %s, Backup: %s", text.c_str(), code, from.c_str(), to.c_str()));
    return AskFileOperation(
        FormatString("%s (error: %d)\n\nSource: %s\nBackup: %s", text.c_str(), code, from.c_str(), to.c_str()),
        { from, Reason("", code) });
}

bool CProgressWorker::SecurityFor(const CBackup& entry) const
{
    const bool wanted = Action() == 0 ? m_settings.Actions.BackupSecurity : m_settings.Actions.RestoreSecurity;
    const CEntryScan& scan = ScanOf(entry);
    return wanted && (scan.SourceVolumeFlags & kVolumeAcls) && (scan.DestinationVolumeFlags & kVolumeAcls)
        && CopySecurity.load() == 1 && !DryRun();
}

int CProgressWorker::CopyFileWithSecurity(
    const CBackup& entry, const std::string& from, const std::string& to, bool failIfExists, FileKind expected)
{
    return CopyFileWithSecurity(m_copier, entry, from, to, failIfExists, expected);
}

int CProgressWorker::CopyFileWithSecurity(CFileCopier& copier, const CBackup& entry, const std::string& from,
    const std::string& to, bool failIfExists, FileKind expected)
{
    if (!SecurityFor(entry))
        return m_ops->Copy(copier, from, to, failIfExists, nullptr, expected);
    // The security goes onto the copy before it takes the real name, so a
    // killed run never leaves a complete copy without it.
    CFileSecurity security;
    if (const int error = m_ops->ReadSecurity(from, security))
        return error;
    return m_ops->Copy(copier, from, to, failIfExists, &security, expected);
}

int CProgressWorker::CreateFolder(const CBackup& entry, const std::string& fromFolder, const std::string& toFolder)
{
    std::string path = toFolder;
    if (path.empty() || path.back() != '/')
        path += '/';
    for (auto slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (m_ops->IsFolder(prefix))
            continue;
        const int error = m_ops->MakeFolder(prefix);
        if (error != 0 && !(RoomAfterRemovals(error) && m_ops->MakeFolder(prefix) == 0)) {
            LogFailure(FormatString("Failed to create folder %s", prefix.c_str()));
            return AskFileOperation(FormatString(LoadString(57699).c_str(), prefix.c_str()),
                { prefix, Reason("Failed to create the folder", error) });
        }
        AddedFolders.AddSorted(m_ops->RecordOf(prefix, nullptr), CFileRecordArray::kUnsorted);
    }
    const std::string folder = path.size() > 1 ? path.substr(0, path.size() - 1) : path;
    if (const int answer = FolderSecurity(entry, fromFolder, folder); answer != 1)
        return answer;
    return FolderCompression(entry, folder);
}

int CProgressWorker::FolderSecurity(const CBackup& entry, const std::string& fromFolder, const std::string& toFolder)
{
    if (!SecurityFor(entry))
        return 1;
    CFileSecurity security;
    if (const int error = m_ops->ReadSecurity(fromFolder, security)) {
        LogFailure(FormatString("Failed to get file security from %s (error: %d)", fromFolder.c_str(), error));
        return AskFileOperation(
            FormatString(LoadString(120).c_str(), fromFolder.c_str(), SystemErrorText(error).c_str(), error),
            { fromFolder, Reason("Failed to get its file security", error) });
    }
    if (const int error = m_ops->WriteSecurity(toFolder, security)) {
        LogFailure(FormatString("Failed to set file security to %s (error: %d)", toFolder.c_str(), error));
        return AskFileOperation(
            FormatString(LoadString(118).c_str(), toFolder.c_str(), SystemErrorText(error).c_str(), error),
            { toFolder, Reason("Failed to set its file security", error) });
    }
    return 1;
}

// Only a volume that can compress (0x10) is asked to; a volume that merely
// keeps ACLs (0x8) would refuse every folder with an error prompt.
int CProgressWorker::FolderCompression(const CBackup& entry, const std::string& toFolder)
{
    const bool wanted = Action() == 0
        ? m_settings.Actions.BackupCompression && (ScanOf(entry).DestinationVolumeFlags & kVolumeCompression)
        : m_settings.Actions.RestoreCompression && (ScanOf(entry).SourceVolumeFlags & kVolumeCompression);
    if (!wanted || DryRun())
        return 1;
    bool accessFailed = false;
    const int error = m_ops->SetCompression(toFolder, accessFailed);
    if (error == 0)
        return 1;
    if (accessFailed) {
        LogFailure(FormatString("Failed to access %s", toFolder.c_str()));
        return AskFileOperation(
            FormatString(LoadString(102).c_str(), toFolder.c_str(), SystemErrorText(error).c_str(), error),
            { toFolder, Reason("Failed to access it", error) });
    }
    LogFailure(FormatString("Failed to set compression for %s", toFolder.c_str()));
    return AskFileOperation(
        FormatString(LoadString(117).c_str(), toFolder.c_str(), SystemErrorText(error).c_str(), error),
        { toFolder, Reason("Failed to set its compression", error) });
}

// The holding folder lies in the backup folder of the entry the item belongs
// to: on the same file system as the item, so staging is a rename, and never
// in a temporary folder that may live in memory and vanish with a reboot.
std::string CProgressWorker::HoldingFolderFor(const std::string& path) const
{
    for (const CBackup& entry : Set.Entries) {
        if (Inside(path, BackupRoot(entry)))
            return StagingFolderIn(entry.DestinationFolder) + "/" + kHoldingFolderName;
    }
    return {};
}

// The holding folder keeps the name the user knows in the trash, so it is
// made inside a staging folder whose name no backup or source of the set
// uses: a source folder that happens to be called "Korvane Deleted Files"
// has its backup at <backup folder>/Korvane Deleted Files, and staging there
// would send that whole backup to the trash.
std::string CProgressWorker::StagingFolderIn(const std::string& backupFolder) const
{
    for (int n = 1;; ++n) {
        const std::string candidate
            = backupFolder + "/" + kStagingName + (n > 1 ? " (" + std::to_string(n) + ")" : std::string());
        const bool used = std::any_of(Set.Entries.begin(), Set.Entries.end(), [&](const CBackup& entry) {
            const std::string root = BackupRoot(entry);
            return candidate == root || Inside(candidate, root) || Inside(root, candidate)
                || candidate == entry.SourceFolder || Inside(entry.SourceFolder, candidate);
        });
        if (!used)
            return candidate;
    }
}

// 0 when the item is gone, else the errno of the failure.
int CProgressWorker::RemoveOne(const std::string& path, bool recycle, std::vector<std::string>& holdings)
{
    if (VersionsReplaced())
        return MoveToVersions(path);
    if (!m_ops->PathExists(path))
        return 0; // went with its folder
    if (!recycle)
        return m_ops->RemoveTree(path);
    const std::string holding = HoldingFolderFor(path);
    if (!holding.empty() && std::find(holdings.begin(), holdings.end(), holding) == holdings.end()) {
        // Existing ones from an earlier run are used as they are.
        m_ops->MakeFolder(PathParts::FolderOf(holding));
        m_ops->MakeFolder(holding);
        holdings.push_back(holding);
    }
    if (!holding.empty() && MoveRenamingOnCollision(*m_ops, path, holding) == 0)
        return 0;
    // Another file system below the backup root: trash the item on its own.
    return TrashItem(path);
}

// 0 when the item is in the trash, else the errno of the failure.
int CProgressWorker::TrashItem(const std::string& path)
{
    errno = 0;
    if (m_ops->MoveToTrash(path))
        return 0;
    return errno ? errno : EPERM;
}

bool CProgressWorker::TrashesReplaced() const
{
    return Action() == 1 && m_settings.Actions.RestoreTrash != 0;
}

// What a restore replaces may be newer work of the user's: it goes to the
// trash on its own, not through a holding folder, so that its .trashinfo
// names the place it is to go back to. It goes before the backup's copy is
// made, which then takes a free name: no way of the copier's (a batch, a
// link, a hard link) replaces anything unseen, and a copy that fails after
// it leaves the old file in the trash, reported, not lost. A read-only file
// is left for the copier to refuse, as a restore over one always was.
// False when the file could not be trashed: it is then not replaced.
bool CProgressWorker::TrashBeforeReplacing(const CFileRecord* existing, const std::string& target)
{
    const std::uint32_t attributes = existing ? existing->Attributes : m_ops->RecordOf(target, nullptr).Attributes;
    if ((attributes & (kReadOnlyAttribute | kLinkOrDevice)) == kReadOnlyAttribute)
        return true;
    const int error = TrashItem(target);
    if (error == 0)
        return true;
    FailItem({ target, Reason("Not replaced, as it could not be moved to the trash", error) },
        FormatString("Failed to move %s to the trash, so it was not replaced (error: %d)", target.c_str(), error),
        FormatString(LoadString(57755).c_str(), target.c_str(), SystemErrorText(error).c_str(), error));
    return false;
}

// Removed for good, the items go in the background (files from several
// threads at once) while the worker creates folders and copies: they never
// share a path with what is copied, as only what has no counterpart in the
// source is removed. Their results are reported by ReportRemovals, before
// any other failure. A dry run, the trash or the versions take them here and
// now, a folder whole with what is in it.
bool CProgressWorker::RemoveItems(CFileRecordArray& folders, CFileRecordArray& files, bool recycle)
{
    if (recycle || VersionsReplaced() || !m_ops->ChangesFiles())
        return ReportRemoved(folders, files, recycle || VersionsReplaced(), nullptr);
    m_removingFolders = std::exchange(folders, {});
    m_removingFiles = std::exchange(files, {});
    m_removal = std::make_unique<CBackgroundRemoval>(*m_ops, m_removingFiles, m_removingFolders, m_cancel);
    m_removedInBackground = true;
    return true;
}

// What the removal in the background did, reported in list order; items
// removed since (a file where a folder now belongs) stay listed after them.
// False when a stop left items untouched.
bool CProgressWorker::ReportRemovals()
{
    if (!m_removal)
        return true;
    const CBackgroundRemoval::Results results = std::exchange(m_removal, nullptr)->Finish();
    const bool goOn = ReportRemoved(m_removingFolders, m_removingFiles, false, &results);
    for (auto [removed, list] :
        { std::pair { &m_removingFolders, &DeletedFolders }, { &m_removingFiles, &DeletedFiles } }) {
        removed->insert(removed->end(), std::make_move_iterator(list->begin()), std::make_move_iterator(list->end()));
        *list = std::exchange(*removed, {});
    }
    return goOn;
}

// A copy or folder that found no room while items were being removed in the
// background may find it once they are gone: true when it is worth another
// try, the removals then reported.
bool CProgressWorker::RoomAfterRemovals(int error)
{
    if ((error != ENOSPC && error != EDQUOT) || !m_removedInBackground)
        return false;
    ReportRemovals();
    return true;
}

bool CProgressWorker::ReportRemoved(
    CFileRecordArray& folders, CFileRecordArray& files, bool recycle, const CBackgroundRemoval::Results* results)
{
    std::vector<std::string> holdings;
    bool cancelled = false;
    // Files removed already are reported first, a stop or not; to the trash,
    // a folder goes whole with the files in it.
    const auto lists = recycle ? std::array { &folders, &files } : std::array { &files, &folders };
    for (CFileRecordArray* list : lists) {
        const std::vector<int>* tries = results ? (list == &files ? &results->files : &results->folders) : nullptr;
        CFileRecordArray removed;
        std::size_t done = 0;
        for (; done < list->size(); ++done) {
            CFileRecord& record = (*list)[done];
            const int result = tries && done < tries->size() ? (*tries)[done] : CBackgroundRemoval::kNotTried;
            const bool tried = result != CBackgroundRemoval::kNotTried;
            if (!tried && (cancelled = Cancelled()))
                break;
            const std::string path = record.FullPath();
            if (const int error = tried ? result : RemoveOne(path, recycle, holdings)) {
                if (VersionsReplaced()) {
                    FailVersionMove(path, error, false);
                    continue;
                }
                FailItem({ path, Reason("Failed to delete it", error) },
                    FormatString("Failed to delete %s (error: %d)", path.c_str(), error),
                    FormatString(LoadString(57751).c_str(), path.c_str(), SystemErrorText(error).c_str(), error));
                continue;
            }
            removed.push_back(std::move(record));
        }
        // What a cancel left untouched was not deleted either.
        *list = std::move(removed);
        if (cancelled)
            break;
    }
    // Also after a cancel: what was staged goes to the trash rather than
    // staying behind in the backup folder.
    for (const std::string& holding : holdings) {
        if (m_ops->MoveToTrash(holding)) {
            m_ops->RemoveEmptyFolder(PathParts::FolderOf(holding));
            continue;
        }
        // The items left their places but stay in the backup folder.
        FailItem({ holding, "Failed to move it to the trash; the deleted items are kept there" },
            FormatString("Failed to move %s to the trash", holding.c_str()),
            FormatString(LoadString(57752).c_str(), holding.c_str()));
    }
    return !cancelled;
}

// Has the waiting batch placed in the background while the worker goes on.
// Two batches are placed at once, so the last one of a list need not wait
// for the one before; when both placers are taken, the older batch is
// reported first, which keeps the reports in list order. False when the
// action is to end; the waiting copies are whole and counted, and placed
// even then.
bool CProgressWorker::HandOverBatch(const CBackup& entry)
{
    const bool goOn = m_placing.size() < m_placers.size() || ReportPlaced(entry);
    const auto taken = [this](const CReplacementPlacer& placer) {
        return std::any_of(
            m_placing.begin(), m_placing.end(), [&](const PlacingBatch& batch) { return batch.placer == &placer; });
    };
    CReplacementPlacer& placer = taken(m_placers[0]) ? m_placers[1] : m_placers[0];
    m_placing.push_back({ &placer, std::exchange(m_waitingSlots, {}) });
    placer.Submit(m_copier.TakeWaiting());
    return goOn;
}

bool CProgressWorker::PlacerIdle() const
{
    return std::any_of(m_placers.begin(), m_placers.end(), [](const auto& placer) { return placer.Idle(); });
}

// Every replacement of the entry placed and reported. False when the action
// is to end.
bool CProgressWorker::PlaceWaiting(const CBackup& entry)
{
    const bool handed = m_copier.WaitingCount() == 0 || HandOverBatch(entry);
    bool reported = ReportPlaced(entry);
    while (!m_placing.empty())
        reported = ReportPlaced(entry) && reported;
    return handed && reported;
}

// Replacements take their names once their batch is durable; the failures
// of the oldest batch in flight are reported here, on the worker, in list
// order. A failed one leaves an
// empty record, which goes once nothing refers to positions in the list.
bool CProgressWorker::ReportPlaced(const CBackup& entry)
{
    std::vector<CReplacementPlacer::Placed> placed;
    std::vector<WaitingSlot> slots;
    if (!m_placing.empty()) {
        placed = m_placing.front().placer->Collect();
        slots = std::move(m_placing.front().slots);
        m_placing.pop_front();
    }
    // After a stop nobody is asked again: a copy that failed to take its
    // name leaves the old file, as the copies never made do.
    bool goOn = !Cancelled();
    // A retried copy is placed at once.
    m_copier.SetBatchReplacements(false);
    for (std::size_t i = 0; i < placed.size() && i < slots.size(); ++i) {
        const auto& [from, to, placeError] = placed[i];
        int error = placeError;
        if (RoomAfterRemovals(error))
            error = CopyFileWithSecurity(entry, from, to, false);
        while (error != 0 && goOn) {
            if (error == ECANCELED && Cancelled()) {
                goOn = false;
                break;
            }
            const int answer = ReportError(error, from, to);
            if (answer == IdRetry) {
                error = CopyFileWithSecurity(entry, from, to, false);
                continue;
            }
            if (answer != IdIgnore) {
                Cancel();
                goOn = false;
            }
            break;
        }
        if (error != 0)
            continue;
        const WaitingSlot& slot = slots[i];
        ++UpdatedTally.Files;
        if (slot.updated == kNoSlot) {
            UpdatedTally.Bytes += slot.source.Size;
            continue;
        }
        UpdatedFiles[slot.updated] = RebasedRecord(m_ops->RecordOf(to, &slot.source), slot.root);
        UpdatedTally.Bytes += UpdatedFiles[slot.updated].Size;
    }
    m_copier.SetBatchReplacements(true);
    return goOn;
}
