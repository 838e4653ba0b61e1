// The walks of CProgressWorker over the two sides of an entry, one folder of
// each side at a time: the survey before anything changes, and the copy.
#include "core/SettingsRecord.h"
#include "engine/EntryPaths.h"
#include "engine/ProgressWorker.h"
#include "platform/FileOps.h"
#include "scan/CompareFiles.h"
#include "scan/FolderLister.h"
#include "scan/FolderMerge.h"

#include <algorithm>

using namespace EntryPaths;

CProgressWorker::EntrySurvey& CProgressWorker::SurveyOf(const CBackup& entry)
{
    std::size_t index = 0;
    while (index + 1 < Set.Entries.size() && &Set.Entries[index] != &entry)
        ++index;
    return m_surveys[index];
}

// One side of an entry, listed through the folder the run registered for
// it, never by a path: null when that folder cannot be opened (a first
// backup's backup folder), which leaves the side empty. files: the side's
// files are wanted, not only its folders.
std::unique_ptr<CFolderLister> CProgressWorker::ListerOf(
    const CBackup& entry, bool sourceSide, bool files, std::vector<std::string>* unlisted)
{
    const CEntryScan& scan = ScanOf(entry);
    const std::string base = sourceSide ? PrefixOf(entry.SourceFolder) : entry.DestinationFolder;
    const std::string root = sourceSide ? PrefixOf(entry.SourceFolder) : BackupRoot(entry);
    DirRef handle;
    if (m_ops->Roots().Folder(base, handle) != 0) {
        if (unlisted)
            unlisted->push_back(root + "/");
        return nullptr;
    }
    CFolderLister::Masks masks;
    if (sourceSide) {
        masks.ExcludeFolders = entry.ExcludeFolders;
        masks.IncludeFiles = entry.IncludeFiles;
        masks.ExcludeFiles = entry.ExcludeFiles;
        masks.AddFolders = entry.Recursive != 0;
    }
    if (!files)
        masks.IncludeFiles.clear();
    std::vector<std::string> skip = sourceSide ? scan.SourceSkip : scan.DestinationSkip;
    // The other side's root may have been made since the scan, inside this
    // one: a walk that entered it would copy the backup into itself, deeper
    // with every folder it makes.
    const std::string self = RealPathOf(root.empty() ? std::string("/") : root);
    const std::string other = RealPathOf(sourceSide ? BackupRoot(entry) : PrefixOf(entry.SourceFolder) + "/");
    if (!self.empty() && other.size() > self.size() && other.compare(0, self.size(), self) == 0
        && (self == "/" || other[self.size()] == '/'))
        skip.push_back(other);
    return std::make_unique<CFolderLister>(root + "/", masks, std::move(handle), base, skip, unlisted);
}

// Calls stretch with the records of both sides, stretch by stretch, in the
// order of one sorted list of each whole side; sides listed before the run
// come whole, as one stretch. enterToOnly: the folders only the target side
// has are walked too.
bool CProgressWorker::WalkEntry(const CBackup& entry, bool restore, bool enterToOnly, const Stretch& stretch,
    std::vector<std::string>* fromUnlisted)
{
    CEntryScan& scan = ScanOf(entry);
    if (scan.WholeLists)
        return restore ? stretch(scan.SecondList, scan.SourceList) : stretch(scan.SourceList, scan.SecondList);
    const std::unique_ptr<CFolderLister> from = ListerOf(entry, !restore, true, fromUnlisted);
    if (!from)
        return !Cancelled();
    const std::unique_ptr<CFolderLister> to = ListerOf(entry, restore, true, nullptr);
    CFolderMerge merge(*from, to.get(), enterToOnly, CFolderMerge::kReaders);
    return merge.Walk(stretch, {}, &m_cancel);
}

// Before anything changes: what vanished from the source, what the brake on
// mass changes weighs, and the records and bytes the progress shows.
bool CProgressWorker::SurveyEntry(CBackup& entry, bool restore)
{
    CEntryScan& scan = ScanOf(entry);
    EntrySurvey& survey = SurveyOf(entry);
    survey = EntrySurvey();
    if (!restore && !scan.SourceFound)
        return !Cancelled();
    const Direction direction = DirectionOf(entry, restore);
    std::vector<std::string>* unlisted = restore ? &scan.DestinationUnlisted : &scan.SourceUnlisted;
    return WalkEntry(
        entry, restore, !restore,
        [&](CFileRecordArray& from, CFileRecordArray& to) {
            Direction stretch = direction;
            stretch.fromList = &from;
            stretch.toList = &to;
            return SurveyStretch(entry, stretch, survey, restore);
        },
        unlisted);
}

bool CProgressWorker::SurveyStretch(CBackup& entry, Direction direction, EntrySurvey& survey, bool restore)
{
    m_total += static_cast<std::int64_t>(direction.fromList->size());
    const FilePlan plan = PlanFiles(entry, direction);
    for (const CCopyAhead::Job& job : plan.jobs)
        survey.bytes += job.size;
    survey.work = survey.work || !plan.jobs.empty() || FoldersToMake(direction);
    for (const CFileRecord& record : *direction.fromList) {
        if (IsFolderRecord(record)) {
            ++survey.folders;
            continue;
        }
        ++survey.files;
        survey.fileBytes += record.Size;
    }
    if (restore)
        return !Cancelled();
    survey.backupFiles += static_cast<std::size_t>(std::count_if(direction.toList->begin(), direction.toList->end(),
        [](const CFileRecord& record) { return !record.IsFolder(); }));
    if (m_settings.Actions.BackupDelete != 0 && !CollectDeletions(entry, direction, survey))
        return false;
    // By size and time even where checksums decide: a checksum run plans
    // every file found on both sides as a possible replacement, and would
    // ask on every run; a file whose content changed under the same size
    // and time is not what a mass change looks like.
    const bool bySize = m_settings.General.CompareType == kCompareSizeAndTime;
    const FilePlan replacing = bySize ? FilePlan() : PlanFiles(entry, direction, kCompareSizeAndTime);
    const auto& jobs = bySize ? plan.jobs : replacing.jobs;
    survey.replaced += static_cast<std::size_t>(
        std::count_if(jobs.begin(), jobs.end(), [](const CCopyAhead::Job& job) { return job.replace; }));
    return !Cancelled();
}

// A folder of the side copied from that is no folder at the target.
bool CProgressWorker::FoldersToMake(const Direction& direction)
{
    std::string target;
    for (const CFileRecord& record : *direction.fromList) {
        if (!IsFolderRecord(record) || !TargetOf(record, direction.fromFolder, direction.toFolder, target))
            continue;
        const CFileRecord* there = FindRecord(*direction.toList, Below(target, direction.toFolder));
        if (!there || !IsFolderRecord(*there))
            return true;
    }
    return false;
}

bool CProgressWorker::CopyPhase(bool restore)
{
    std::uint64_t bytes = 0;
    for (const CBackup& entry : Set.Entries) {
        if (Usable(entry))
            bytes += SurveyOf(entry).bytes;
    }
    m_bytesToCopy = bytes;
    for (CBackup& entry : Set.Entries) {
        if (Cancelled())
            return false;
        if (Usable(entry) && !CopyEntry(entry, restore))
            return false;
    }
    return true;
}

// Makes the entry's top folder, then walks both sides: in each stretch the
// folders are made before the files are copied, and a folder before
// anything below it.
bool CProgressWorker::CopyEntry(CBackup& entry, bool restore)
{
    const Direction direction = DirectionOf(entry, restore);
    const std::string top = direction.toFolder.empty() ? std::string("/") : direction.toFolder;
    bool ignored = false;
    if (!m_ops->IsFolder(top)) {
        if (!EnsureFolder(entry, direction.fromFolder.empty() ? "/" : direction.fromFolder, top, ignored))
            return false;
    }
    if (!ignored)
        m_ops->MakeFolderWritable(top);
    // An entry the survey found nothing to do in is counted as processed,
    // not walked again: a pass with nothing to do lists each side once.
    const EntrySurvey& survey = SurveyOf(entry);
    if (!survey.work && !m_keepFileLists && !ignored && !ScanOf(entry).WholeLists) {
        m_processedFileCount += survey.files;
        m_processedFolderCount += survey.folders;
        m_processedBytes += survey.fileBytes;
        return !Cancelled();
    }
    // Names of one file are linked again within an entry only.
    m_hardLinks.Clear();
    std::vector<std::string> unlisted;
    const bool walked = WalkEntry(
        entry, restore, false,
        [&](CFileRecordArray& from, CFileRecordArray& to) {
            Direction stretch = direction;
            stretch.fromList = &from;
            stretch.toList = &to;
            if (!ignored && !ProcessFolders(entry, stretch))
                return false;
            return ProcessFiles(entry, stretch);
        },
        &unlisted);
    ReportLateUnlisted(entry, restore, unlisted);
    const bool placed = PlaceWaiting(entry);
    // Replacements that failed to take their names leave no record.
    UpdatedFiles.erase(std::remove_if(UpdatedFiles.begin(), UpdatedFiles.end(),
                           [](const CFileRecord& record) { return record.Path.empty(); }),
        UpdatedFiles.end());
    return walked && placed && !Cancelled();
}

// A folder the survey could list but this walk could not (its mode changed,
// or it was swapped, in between) had nothing below it copied: a failed item,
// never a silent gap.
void CProgressWorker::ReportLateUnlisted(
    const CBackup& entry, bool restore, const std::vector<std::string>& unlisted)
{
    const CEntryScan& scan = ScanOf(entry);
    const std::vector<std::string>& known = restore ? scan.DestinationUnlisted : scan.SourceUnlisted;
    for (const std::string& folder : unlisted) {
        if (std::find(known.begin(), known.end(), folder) == known.end())
            ReportAccess(folder, FolderAccessError(folder), "nothing below it was copied");
    }
}
