// The checks of CProgressWorker that keep a run from losing data in silence:
// sides that are missing, a deletion that would empty a backup, folders left
// with other modes and times, and writes that did not reach the disk.
#include "StringTable.h"
#include "core/Prompter.h"
#include "engine/ActionDisplay.h"
#include "engine/ProgressWorker.h"
#include "log/ActivityLog.h"
#include "platform/FileOps.h"
#include "platform/FileSystemSync.h"
#include "scan/CompareFiles.h"
#include "scan/PathFormat.h"

#include <algorithm>
#include <cerrno>

namespace {

// Fewer files than this are never asked about, whatever their share.
constexpr std::size_t kMassChangeFloor = 100;

std::string FolderText(const std::string& folder)
{
    return folder.empty() ? std::string("/") : folder;
}

} // namespace

// An item the run could not take in hand at all: logged, counted, and shown
// (or listed, when errors are not shown). There is nothing to retry here,
// so the message only informs.
void CProgressWorker::FailItem(const FailedItem& item, const std::string& logLine, const std::string& shown)
{
    NoteFailure(item);
    LogFailure(logLine);
    if (ShowErrors())
        m_prompter.MessageBox(shown, MbOk | MbIconError | MbTopmost);
    else
        m_display.ItemFailed(OneLine(shown));
}

void CProgressWorker::ReportAccess(const std::string& folder, int error, const std::string& consequence)
{
    FailItem({ folder, Reason("Could not be read", error) + "; " + consequence },
        FormatString("Failed to access %s (error: %d); %s", folder.c_str(), error, consequence.c_str()),
        FormatString(LoadString(102).c_str(), folder.c_str(), SystemErrorText(error).c_str(), error));
}

// The side an action copies from must be there: a missing source (or an
// unmounted one), or in a restore a missing backup folder, is a failed item
// and the entry is left alone. So are folders of that side that could not
// be read, which the survey of each entry there is finds.
void CProgressWorker::ReportMissingSides(bool restore)
{
    for (CBackup& entry : Set.Entries) {
        if (!Usable(entry))
            continue;
        const std::string folder = restore ? BackupRoot(entry) : FolderText(entry.SourceFolder);
        const CEntryScan& scan = ScanOf(entry);
        const int sideError = restore ? scan.DestinationError : scan.SourceError;
        const bool missing = restore ? sideError != 0 || !m_ops->IsFolder(folder) : !scan.SourceFound;
        const std::string consequence
            = restore ? std::string("nothing was restored from it") : "nothing was deleted from " + BackupRoot(entry);
        if (missing) {
            ReportAccess(folder, sideError ? sideError : ENOENT, consequence);
            m_missing.push_back(&entry);
            continue;
        }
        // The folders that could not be read are known once the side has
        // been walked.
        if (!SurveyEntry(entry, restore))
            return;
        // What lies below a folder of the side copied from that could not
        // be listed is left out of the run, which is not the same as done.
        for (const std::string& unlisted : restore ? scan.DestinationUnlisted : scan.SourceUnlisted)
            ReportAccess(unlisted, FolderAccessError(unlisted), consequence);
    }
}

// A source that holds none of its backup's files is more often an empty
// mount point or a mistyped path than a user who deleted everything, so
// emptying a backup is asked first. Unasked (errors not shown, or no one at
// the console) the answer is No. False keeps the files; that counts as a
// failed item, since the backup is then no copy of its source.
bool CProgressWorker::ConfirmDeletingAll(const CBackup& entry, std::size_t doomedFiles)
{
    const std::size_t files = SurveyOf(entry).backupFiles;
    if (files == 0 || doomedFiles < files)
        return true;
    const std::string root = BackupRoot(entry);
    const std::string source = FolderText(entry.SourceFolder);
    const std::string text
        = FormatString(LoadString(57750).c_str(), static_cast<int>(files), root.c_str(), source.c_str());
    const bool yes = ShowErrors() && m_prompter.MessageBox(text, MbYesNo | MbIconQuestion | MbTopmost) == IdYes;
    if (yes) {
        m_log.WriteText(m_scheduled ? LogScheduled : LogUser, Action(),
            FormatString("Deleting all %d files of %s, as %s holds none of them", static_cast<int>(files), root.c_str(),
                source.c_str()));
        return true;
    }
    NoteFailure(
        { root, FormatString("Kept all %d files, as %s holds none of them", static_cast<int>(files), source.c_str()) });
    LogFailure(FormatString(
        "Kept all %d files of %s, as %s holds none of them", static_cast<int>(files), root.c_str(), source.c_str()));
    if (!ShowErrors())
        m_display.ItemFailed(OneLine(text) + " No");
    return false;
}

// A backup that would delete or replace more than the set's share of an
// entry's backup files (and more than a handful) is more often a source
// gone wrong (ransomware, a wrong disk under the same name) than the user's
// work, so it is asked first; with versions on it would also push the good
// copies towards their pruning. Unasked the answer is No. False leaves the
// entry as it is, a failed item.
bool CProgressWorker::ConfirmMassChange(CBackup& entry, std::size_t deletedFiles)
{
    const auto percent = static_cast<std::size_t>(std::max(Set.Versions.MassChange, 0));
    const std::size_t files = SurveyOf(entry).backupFiles;
    // Emptying the whole backup was asked (or is not to be) already.
    if (percent == 0 || files <= kMassChangeFloor || deletedFiles >= files)
        return true;
    const auto massive
        = [&](std::size_t doomed) { return doomed > kMassChangeFloor && doomed * 100 > files * percent; };
    std::size_t doomed = deletedFiles;
    if (!massive(doomed))
        doomed += ReplacedFileCount(entry);
    if (!massive(doomed))
        return true;
    const std::string root = BackupRoot(entry);
    const std::string source = FolderText(entry.SourceFolder);
    const std::string text = FormatString(
        LoadString(57800).c_str(), source.c_str(), static_cast<int>(doomed), static_cast<int>(files), root.c_str());
    const bool yes = ShowErrors() && m_prompter.MessageBox(text, MbYesNo | MbIconQuestion | MbTopmost) == IdYes;
    const std::string counts = FormatString("%d of its %d files", static_cast<int>(doomed), static_cast<int>(files))
        + " would be deleted or replaced";
    if (yes) {
        m_log.WriteText(
            m_scheduled ? LogScheduled : LogUser, Action(), FormatString("Going on with %s: ", root.c_str()) + counts);
        return true;
    }
    NoteFailure({ root, "Left as it was, as " + counts });
    LogFailure(FormatString("Left %s as it was, as ", root.c_str()) + counts);
    if (!ShowErrors())
        m_display.ItemFailed(OneLine(text) + " No");
    return false;
}

// The files the copy phase would replace, as the survey found them.
std::size_t CProgressWorker::ReplacedFileCount(CBackup& entry)
{
    return SurveyOf(entry).replaced;
}

// A folder left with the wrong mode or time is a failed item like a file not
// copied: a restore that leaves a private folder open to everyone is no
// restore. Asked like any failure: Retry serves a destination made writable
// again, Abort ends the questions for a destination that refuses them all.
int CProgressWorker::FolderAttributesFailed(const std::string& to, int error)
{
    LogFailure(FormatString("Failed to set the mode and time of folder %s (error: %d)", to.c_str(), error));
    return AskFileOperation(FormatString(LoadString(57753).c_str(), to.c_str(), SystemErrorText(error).c_str(), error),
        { to, Reason("Failed to set its mode and time", error) });
}

// A run reports success only once what it wrote is on the disk: new files
// are not flushed one by one (replaced ones are, before their rename), and a
// power cut would leave them empty under their names. One syncfs of each
// destination's file system at the end covers the files, the new folders
// and every name made or changed in them, at a single wait. A failure
// cannot be retried (the written data is gone, and a second syncfs would
// not see the error again), so it is only reported.
void CProgressWorker::SyncDestinations(bool restore)
{
    // A run that copied, made and removed nothing has nothing to lose; the
    // write-out would only wait for what other programs wrote to the disk.
    // (A folder's mode or time put back is redone by the next run.)
    const bool wrote = AddedTally.Files || UpdatedTally.Files || !AddedFolders.empty() || !DeletedFiles.empty()
        || !DeletedFolders.empty();
    if (!wrote)
        return;
    CFileSystemSync sync;
    for (const CBackup& entry : Set.Entries) {
        if (!Usable(entry))
            continue;
        const std::string folder = restore ? FolderText(entry.SourceFolder) : BackupRoot(entry);
        const int error = m_ops->SyncFileSystem(sync, folder);
        // A folder that is not there holds nothing this run wrote: failing
        // to make it was reported then.
        if (error == 0 || error == ENOENT || error == ENOTDIR)
            continue;
        FailItem({ folder, Reason("Failed to write its files to the disk", error) },
            FormatString("Failed to write the files of %s to the disk (error: %d)", folder.c_str(), error),
            FormatString(LoadString(57754).c_str(), folder.c_str(), SystemErrorText(error).c_str(), error));
    }
}
