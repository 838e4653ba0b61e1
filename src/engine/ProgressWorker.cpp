#include "engine/ProgressWorker.h"

#include "StringTable.h"
#include "core/Prompter.h"
#include "core/SettingsRecord.h"
#include "engine/ActionDisplay.h"
#include "engine/CopyAhead.h"
#include "engine/EntryPaths.h"
#include "engine/GetInfoWorker.h"
#include "log/ActivityLog.h"
#include "platform/Clock.h"
#include "platform/FileOps.h"
#include "platform/Privilege.h"
#include "platform/Trash.h"
#include "scan/CompareFiles.h"
#include "scan/PathFormat.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <utility>

using namespace EntryPaths;

namespace {

constexpr const char* kSecurityPrivilege = "SeSecurityPrivilege";
// The fewest replacements worth handing to an idle placer.
constexpr std::size_t kEagerBatch = 32;

// Finds the records of a sorted list for keys that mostly come in the same
// order, as the paths of the other side's list do: each look starts where
// the last one ended, so a pass over both lists is a walk, not a search
// per record.
class SortedCursor {
public:
    explicit SortedCursor(CFileRecordArray& list)
        : m_list(list)
    {
    }
    CFileRecord* Find(std::string_view key)
    {
        if (m_at > 0 && key < m_list[m_at - 1].Path)
            m_at = 0;
        for (int step = 0; step < 4 && m_at < m_list.size() && m_list[m_at].Path < key; ++step)
            ++m_at;
        if (m_at < m_list.size() && m_list[m_at].Path < key) {
            m_at = static_cast<std::size_t>(
                std::lower_bound(m_list.begin() + static_cast<std::ptrdiff_t>(m_at), m_list.end(), key,
                    [](const CFileRecord& e, std::string_view k) { return e.Path < k; })
                - m_list.begin());
        }
        return m_at < m_list.size() && m_list[m_at].Path == key ? &m_list[m_at] : nullptr;
    }

private:
    CFileRecordArray& m_list;
    std::size_t m_at = 0;
};

} // namespace

// A record read from the disk at a path below root, made relative to it so
// that lists of new copies do not hold the backup folder's path each time;
// copies made one after another in one folder share its text.
CFileRecord CProgressWorker::RebasedRecord(CFileRecord record, const std::shared_ptr<const std::string>& root)
{
    record.Path.ShareBelow(*root, m_rebasedFolder);
    return record;
}

void CProgressWorker::NoteCopied(CFileRecordArray& list, Tally& tally, const std::string& target,
    const CFileRecord& source, const std::shared_ptr<const std::string>& root)
{
    ++tally.Files;
    if (!KeepsFileLists()) {
        tally.Bytes += source.Size;
        return;
    }
    list.push_back(RebasedRecord(m_ops->RecordOf(target, &source), root));
    tally.Bytes += list.back().Size;
}

CProgressWorker::CProgressWorker(const SettingsRecord& settings, bool scheduled, std::atomic<std::int32_t>& cancel,
    CPrompter& prompter, CActivityLog& log, CActionDisplay& display, CClock& clock)
    : m_settings(settings)
    , m_scheduled(scheduled)
    , m_cancel(cancel)
    , m_prompter(prompter)
    , m_log(log)
    , m_display(display)
    , m_clock(clock)
{
}

CProgressWorker::~CProgressWorker()
{
    Wait();
}

void CProgressWorker::TakeSet(const CSet& set, std::vector<CEntryScan>&& scans)
{
    Set = set;
    Scans = std::move(scans);
}

// Sets hold a handful of entries: a look along them costs nothing beside
// the file operations each call goes with.
CEntryScan& CProgressWorker::ScanOf(const CBackup& entry)
{
    return const_cast<CEntryScan&>(std::as_const(*this).ScanOf(entry));
}

const CEntryScan& CProgressWorker::ScanOf(const CBackup& entry) const
{
    std::size_t index = 0;
    while (index + 1 < Set.Entries.size() && &Set.Entries[index] != &entry)
        ++index;
    return Scans[index];
}

void CProgressWorker::Start()
{
    // Taken before either thread runs, so Elapsed is right however the two
    // threads happen to be scheduled.
    StartTime = m_clock.Now();
    // An entry nothing was scanned for has nothing opened.
    Scans.resize(Set.Entries.size());
    m_surveys.assign(Set.Entries.size(), EntrySurvey());
    RegisterRoots();
    m_total = 0;
    m_execution = std::thread(&CProgressWorker::Execute, this);
    m_ticker = std::thread(&CProgressWorker::Tick, this);
}

// Every path of the run lies below the source folder or the backup folder
// of an entry, reached through the folders the scan opened; a folder the
// scan did not find is opened the first time it is needed.
void CProgressWorker::RegisterRoots()
{
    for (std::size_t i = 0; i < Set.Entries.size(); ++i) {
        const CBackup& entry = Set.Entries[i];
        if (entry.DestinationFolder.empty())
            continue;
        m_ops->Roots().Add(PrefixOf(entry.SourceFolder), Scans[i].SourceHandle);
        m_ops->Roots().Add(entry.DestinationFolder, Scans[i].BackupFolderHandle);
    }
}

// The open folders go with the end of the run: a window that still shows
// its summary must not keep the backup disk from being unmounted.
void CProgressWorker::ReleaseFolders()
{
    m_hardLinks.Clear();
    m_ops->Roots().Clear();
    for (CEntryScan& scan : Scans) {
        scan.SourceHandle.reset();
        scan.BackupFolderHandle.reset();
    }
}

void CProgressWorker::Wait()
{
    if (m_execution.joinable())
        m_execution.join();
    if (m_ticker.joinable())
        m_ticker.join();
}

std::string CProgressWorker::BackupRoot(const CBackup& entry)
{
    return CGetInfoWorker::BackupRoot(entry);
}

// While files are copied, the folder they are in: the folders were all made
// before, and the last one made says nothing of where the copy is.
std::string CProgressWorker::CurrentFolder() const
{
    std::lock_guard lock(m_currentMutex);
    if (m_currentFile) {
        std::string path = m_currentFile->FullPath();
        const std::size_t slash = path.rfind('/');
        path.resize(slash == 0 ? 1 : std::min(slash, path.size()));
        return path;
    }
    return m_currentFolder ? m_currentFolder->FullPath() : std::string();
}

std::string CProgressWorker::CurrentFile() const
{
    std::lock_guard lock(m_currentMutex);
    return m_currentFile ? m_currentFile->FullPath() : std::string();
}

std::uint64_t CProgressWorker::CurrentFileSize() const
{
    std::lock_guard lock(m_currentMutex);
    return m_currentFile ? m_currentFile->Size : 0;
}

void CProgressWorker::SetCurrentFile(const CFileRecord* record)
{
    std::lock_guard lock(m_currentMutex);
    if (record)
        m_currentFile = *record;
    else
        m_currentFile.reset();
}

void CProgressWorker::SetCurrentFolder(const CFileRecord* record)
{
    std::lock_guard lock(m_currentMutex);
    if (record)
        m_currentFolder = *record;
    else
        m_currentFolder.reset();
}

bool CProgressWorker::ShowErrors() const
{
    return (m_scheduled ? m_settings.Scheduler.DisplayError : m_settings.Actions.DisplayError) != 0;
}

// A socket cannot be copied, nor a device node by a user who may not make
// one: said in the log and on the display, and left out.
void CProgressWorker::NoteSkipped(const std::string& from)
{
    const std::string line = FormatString("Skipped %s: %s", from.c_str(), SystemErrorText(kSkippedSpecial).c_str());
    m_log.WriteText(m_scheduled ? LogScheduled : LogUser, Action(), line);
    m_display.ItemSkipped(line);
}

void CProgressWorker::LogFailure(const std::string& message)
{
    // Failures are told in list order: what the removal in the background
    // met comes before anything that failed since.
    ReportRemovals();
    m_log.WriteText(LogError, Action(), message);
    if (DryRun())
        DryRunFailures.push_back(message);
}

void CProgressWorker::Execute()
{
    const bool security = Action() == 0 ? m_settings.Actions.BackupSecurity : m_settings.Actions.RestoreSecurity;
    const bool privilege = m_settings.IsNT && security && !DryRun();
    if (privilege && !EnablePrivilege(kSecurityPrivilege, true)) {
        CopySecurity = 0;
        if (ShowErrors() && m_prompter.MessageBox(LoadString(116), MbYesNo | MbIconQuestion | MbTopmost) == IdNo)
            Cancel();
    }
    m_copier.SetCancelFlag(&m_cancel);
    // A backup replaces its read-only copies, which keep the source's mode;
    // a restore over a read-only file still fails.
    m_copier.SetReplaceReadOnly(Action() == 0);
    m_copier.SetBatchReplacements(true);
    m_copier.SetHardLinks(&m_hardLinks);
    if (Action() == 0)
        RunBackup();
    else
        RunRestore();
    SyncDestinations(Action() == 1);
    // Once the new copies are on the disk, not before.
    PruneVersions();
    ReleaseFolders();
    if (DryRun())
        MakePlan();
    if (privilege)
        EnablePrivilege(kSecurityPrivilege, false);
    Deleting = 0;
    RaiseElapsed();
    {
        std::lock_guard lock(m_tickMutex);
        Running = 0;
    }
    m_tickWake.notify_all();
}

// Both threads write Elapsed; only ever raising it keeps a late tick from
// putting back an older value after the final one.
void CProgressWorker::RaiseElapsed()
{
    const auto value = static_cast<std::int64_t>(m_clock.Now() - StartTime);
    std::int64_t current = Elapsed.load();
    while (value > current && !Elapsed.compare_exchange_weak(current, value)) { }
}

void CProgressWorker::Tick()
{
    while (Running.load() == 1 && !Cancelled()) {
        // 64-bit, so very large sets cannot overflow the product.
        const std::int64_t total = m_total.load();
        const std::int64_t done = ProcessedFileCount() + ProcessedFolderCount();
        // The display is called without the lock held: it may wait for the
        // interface thread, which never waits for this one.
        m_display.SetTrayTooltip(FormatString("%d%% completed", static_cast<int>(done * 100 / (total + 1))));
        RaiseElapsed();
        std::unique_lock lock(m_tickMutex);
        m_tickWake.wait_for(lock, std::chrono::milliseconds(100), [this] { return Running.load() == 0; });
    }
}

void CProgressWorker::RunBackup()
{
    ReportMissingSides(false);
    CheckVersionAreas();
    DeletionPhase();
    Deleting = 0;
    // Folder times are set once nothing more is removed in them.
    if (!Cancelled() && CopyPhase(false) && ReportRemovals())
        FolderAttributePhase(false);
    if (!ReportRemovals())
        Cancel();
    SetCurrentFile(nullptr);
    SetCurrentFolder(nullptr);
}

void CProgressWorker::RunRestore()
{
    Deleting = 0;
    ReportMissingSides(true);
    if (!Cancelled() && CopyPhase(true))
        FolderAttributePhase(true);
    SetCurrentFile(nullptr);
    SetCurrentFolder(nullptr);
}

// An entry without a backup folder text has no backup root: its root would
// name a folder at the top of the file system. An entry whose side to copy
// from is missing has nothing to do.
bool CProgressWorker::Usable(const CBackup& entry) const
{
    return !entry.DestinationFolder.empty() && std::find(m_missing.begin(), m_missing.end(), &entry) == m_missing.end();
}

// Asks before a backup empties an entry's backup or changes much of it, by
// what the survey found; an entry whose mass change is refused is left
// alone as a whole. The rest of what vanished from the sources goes.
void CProgressWorker::DeletionPhase()
{
    if (Cancelled())
        return;
    for (CBackup& entry : Set.Entries) {
        if (!Usable(entry))
            continue;
        EntrySurvey& survey = SurveyOf(entry);
        const std::size_t doomed = survey.deletedFiles.size();
        const bool kept = !ConfirmDeletingAll(entry, doomed);
        const bool refused = !kept && !ConfirmMassChange(entry, doomed);
        if (!kept && !refused) {
            const auto take = [](CFileRecordArray& from, CFileRecordArray& to) {
                to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
                CFileRecordArray().swap(from);
            };
            take(survey.deletedFolders, DeletedFolders);
            take(survey.deletedFiles, DeletedFiles);
        }
        CFileRecordArray().swap(survey.deletedFolders);
        CFileRecordArray().swap(survey.deletedFiles);
        if (refused)
            m_missing.push_back(&entry);
    }
    if (DeletedFolders.empty() && DeletedFiles.empty())
        return;
    if (!RemoveItems(DeletedFolders, DeletedFiles, m_settings.Actions.BackupTrash != 0))
        Cancel();
}

// False when cancelled. A source that could not be read says nothing about
// what vanished, so nothing below it counts as deleted: a missing source
// root (an unplugged disk, a mistyped path) would otherwise empty the backup.
// (Such sources were reported as failed items before.)
bool CProgressWorker::CollectDeletions(CBackup& entry, const Direction& direction, EntrySurvey& survey)
{
    const CEntryScan& scan = ScanOf(entry);
    if (!scan.SourceFound)
        return !Cancelled();
    std::string sourcePath;
    SortedCursor sources(*direction.fromList);
    for (const CFileRecord& record : *direction.toList) {
        if (Cancelled())
            return false;
        std::string_view key;
        if (!KeyOf(record, direction.toFolder, direction.fromFolder, sourcePath, key))
            continue;
        if (sources.Find(key))
            continue;
        TargetOf(record, direction.toFolder, direction.fromFolder, sourcePath);
        const bool unlisted = std::any_of(scan.SourceUnlisted.begin(), scan.SourceUnlisted.end(),
            [&](const std::string& folder) { return sourcePath.compare(0, folder.size(), folder) == 0; });
        if (unlisted)
            continue;
        (IsFolderRecord(record) ? survey.deletedFolders : survey.deletedFiles).push_back(record);
    }
    return true;
}

CProgressWorker::Direction CProgressWorker::DirectionOf(CBackup& entry, bool restore)
{
    const std::string root = BackupRoot(entry);
    CEntryScan& scan = ScanOf(entry);
    const std::string source = PrefixOf(entry.SourceFolder);
    if (restore)
        return { root, source, &scan.SecondList, &scan.SourceList, m_settings.Actions.RestoreOverwrite != 0,
            TrashesReplaced(), false, std::make_shared<const std::string>(source + "/") };
    return { source, root, &scan.SourceList, &scan.SecondList, m_settings.Actions.BackupOverwrite != 0, false,
        VersionsReplaced(), std::make_shared<const std::string>(root + "/") };
}

// The dry run's lists as one plan, in the order the run takes them:
// deletions, folders, files. What a restore adds was deleted from the source.
void CProgressWorker::MakePlan()
{
    using Kind = CRunPlan::Kind;
    const Kind added = Action() == 1 ? Kind::BroughtBack : Kind::Added;
    CRunPlan plan;
    plan.Action = Action();
    const auto add = [&plan](const CFileRecordArray& list, Kind what) {
        for (const CFileRecord& record : list)
            plan.Add(what, record);
    };
    add(DeletedFolders, Kind::Deleted);
    add(DeletedFiles, Kind::Deleted);
    add(AddedFolders, added);
    add(AddedFiles, added);
    for (const CFileRecord& record : UpdatedFiles)
        plan.Add(Kind::Replaced, record, m_newerTargets.count(record.FullPath()) != 0);
    plan.PrunedVersions = std::move(m_prunedVersions);
    plan.ProcessedFiles = ProcessedFileCount();
    plan.ProcessedFolders = ProcessedFolderCount();
    Plan = std::move(plan);
}

bool CProgressWorker::ProcessFiles(CBackup& entry, const Direction& direction)
{
    const FilePlan plan = PlanFiles(entry, direction);
    std::unique_ptr<CCopyAhead> ahead = StartCopyAhead(entry, direction, plan);
    std::size_t processedEnd = 0;
    const bool completed = ProcessFileList(entry, direction, plan, ahead.get(), processedEnd);
    if (ahead) {
        // Copies made past where the run stopped were never processed.
        std::string target;
        for (const std::size_t index : ahead->Finish()) {
            if (TargetOf((*direction.fromList)[index], direction.fromFolder, direction.toFolder, target))
                m_ops->RemoveTree(target);
        }
    }
    TakeProcessed(*direction.fromList, processedEnd);
    return completed;
}

// The files before end were processed: counted, and listed for a display
// that lists them.
void CProgressWorker::TakeProcessed(CFileRecordArray& list, std::size_t end)
{
    end = std::min(end, list.size());
    for (std::size_t i = 0; i < end; ++i) {
        CFileRecord& record = list[i];
        if (IsFolderRecord(record))
            continue;
        m_processedBytes += record.Size;
        if (m_keepFileLists)
            ProcessedFiles.push_back(std::move(record));
    }
}

// Decides from the two scanned lists alone which files need the worker: a
// pass with nothing to do then costs one look per record, and the second
// thread is handed only files to copy. Exactly the decisions CopyOne makes
// on a first attempt; with checksums to compare, the worker decides.
CProgressWorker::FilePlan CProgressWorker::PlanFiles(CBackup& entry, const Direction& direction, int compareType)
{
    FilePlan plan;
    CFileRecordArray& list = *direction.fromList;
    // At most a job per record; the pages of what stays unused are never
    // touched, while growing by doubling would copy the plan each time.
    plan.jobs.reserve(list.size());
    plan.filesBefore.reserve(list.size());
    SortedCursor existing(*direction.toList);
    if (compareType < 0)
        compareType = m_settings.General.CompareType;
    const TimeRule rule = ScanOf(entry).TwoSecondTimes() ? TimeRule::TwoSecondSteps : TimeRule::Exact;
    std::string target;
    for (std::size_t index = 0; index < list.size(); ++index) {
        if (index % 1024 == 0 && Cancelled()) {
            plan.end = index;
            return plan;
        }
        CFileRecord& record = list[index];
        if (IsFolderRecord(record))
            continue;
        const std::size_t before = plan.files++;
        std::string_view key;
        if (!KeyOf(record, direction.fromFolder, direction.toFolder, target, key))
            continue;
        const bool blocked = !m_blockedFolders.empty()
            && TargetOf(record, direction.fromFolder, direction.toFolder, target) && BelowBlockedFolder(target);
        CFileRecord* found = blocked ? nullptr : existing.Find(key);
        const bool worker = blocked || (found && (IsFolderRecord(*found) || compareType == kCompareCrc32));
        if (!worker && found) {
            const int compare = CompareFiles(record, *found, compareType, rule);
            if (compare == 0 || (compare == 1 && direction.overwriteNewer))
                continue;
        }
        // The second thread would put a link or a hard-linked file in place
        // at once, before the worker could send the old one to the trash
        // or the versions.
        const bool shared = !worker && !(found && (direction.trashReplaced || direction.versionReplaced));
        plan.jobs.push_back({ record.Size, static_cast<std::uint32_t>(index), shared, found != nullptr });
        plan.filesBefore.push_back(static_cast<std::uint32_t>(before));
    }
    plan.end = list.size();
    return plan;
}

// Only a run that really copies, with no test hooks on its copier, shares
// its copies with a second thread.
std::unique_ptr<CCopyAhead> CProgressWorker::StartCopyAhead(
    const CBackup& entry, const Direction& direction, const FilePlan& plan)
{
    const auto shared = std::count_if(plan.jobs.begin(), plan.jobs.end(),
        [](const CCopyAhead::Job& job) { return job.shared && job.size < CCopyAhead::kLargeFile; });
    if (DryRun() || m_copier.Hooked() || shared < 2)
        return nullptr;
    auto copy = [this, &entry, &direction](CFileCopier& copier, const CCopyAhead::Job& job, std::string& to) {
        const CFileRecord& record = (*direction.fromList)[job.index];
        std::string from;
        if (!TargetOf(record, direction.fromFolder, direction.toFolder, to))
            return 0;
        record.AppendFullPath(from);
        return CopyFileWithSecurity(copier, entry, from, to, !job.replace, KindOf(record));
    };
    return std::make_unique<CCopyAhead>(plan.jobs, copy, m_copier, m_cancel);
}

// The records stay in place in their list; the files before processedEnd
// count as processed.
// Files the plan left alone were compared and found the same.
bool CProgressWorker::ProcessFileList(
    CBackup& entry, const Direction& direction, const FilePlan& plan, CCopyAhead* ahead, std::size_t& processedEnd)
{
    std::string target;
    std::string from;
    CFileRecordArray& list = *direction.fromList;
    const std::int32_t counted = m_processedFileCount.load();
    for (std::size_t n = 0; n < plan.jobs.size(); ++n) {
        const std::size_t index = plan.jobs[n].index;
        processedEnd = index;
        m_processedFileCount.store(counted + static_cast<std::int32_t>(plan.filesBefore[n]));
        if (Cancelled())
            return false;
        CCopyAhead::Result result;
        // The second thread is done with a record before this one may
        // change it (its checksum).
        const bool copiedAhead = ahead && ahead->Take(n, result);
        CFileRecord& record = list[index];
        SetCurrentFile(&record);
        from.clear();
        record.AppendFullPath(from);
        if (!ProcessFile(entry, direction, record, from, target, copiedAhead ? &result : nullptr)) {
            // Abort: the record was not processed after all.
            SetCurrentFile(nullptr);
            return false;
        }
        processedEnd = index + 1;
        ++m_processedFileCount;
        m_copiedBytes += plan.jobs[n].size;
        // A batch goes as soon as a placer is free, so the disk is kept
        // busy and the last batch, which the worker waits for, is small.
        const bool handOver = m_copier.BatchFull() || (m_copier.WaitingCount() >= kEagerBatch && PlacerIdle());
        if (handOver && !HandOverBatch(entry))
            return false;
    }
    processedEnd = plan.end;
    m_processedFileCount.store(counted + static_cast<std::int32_t>(plan.files));
    return plan.end == list.size();
}

bool CProgressWorker::BelowBlockedFolder(const std::string& target) const
{
    return std::any_of(m_blockedFolders.begin(), m_blockedFolders.end(),
        [&](const std::string& folder) { return target.compare(0, folder.size(), folder) == 0; });
}

// False when the action is to end (Abort).
bool CProgressWorker::ProcessFile(CBackup& entry, const Direction& direction, CFileRecord& record,
    const std::string& from, std::string& target, CCopyAhead::Result* copiedAhead)
{
    if (!TargetOf(record, direction.fromFolder, direction.toFolder, target))
        return true;
    bool retried = false;
    bool roomWaited = false;
    for (;;) {
        const int error = BelowBlockedFolder(target)
            ? kItemChanged
            : CopyOne(entry, direction, record, from, target, retried, retried ? nullptr : copiedAhead);
        if (error == 0)
            return true;
        if (error == kSkippedSpecial) {
            NoteSkipped(from);
            return true;
        }
        // A stop during a large file: the copy was dropped, nothing failed.
        if (error == ECANCELED && Cancelled())
            return false;
        if (!roomWaited && RoomAfterRemovals(error)) {
            roomWaited = retried = true;
            continue;
        }
        const int answer = ReportError(error, from, target);
        if (answer == IdIgnore)
            return true;
        if (answer != IdRetry) {
            Cancel();
            return false;
        }
        retried = true;
    }
}

// Compares and copies one file; 0 when done (copied or left alone), else the
// errno of the failed copy. The scan's list of the target side tells whether
// a file is there; after a retry, or when a new copy finds something in the
// way, the disk is asked instead. copiedAhead, when given, is the result of
// the new copy the second thread has already made of it.
int CProgressWorker::CopyOne(CBackup& entry, const Direction& direction, CFileRecord& record, const std::string& from,
    const std::string& target, bool& retried, CCopyAhead::Result* copiedAhead)
{
    CFileRecord* existing = retried ? nullptr : FindRecord(*direction.toList, Below(target, direction.toFolder));
    if (existing ? IsFolderRecord(*existing) : retried && m_ops->IsRealFolder(target)) {
        // The source's folder became a file or link: the old folder goes.
        if (const int error = RemoveReplaced(target))
            return error;
        existing = nullptr;
    }
    const bool fileThere = existing ? !IsFolderRecord(*existing)
                                    : (retried && m_ops->PathExists(target) && !m_ops->IsRealFolder(target));
    if (!fileThere) {
        const int error = copiedAhead ? std::exchange(copiedAhead, nullptr)->error
                                      : CopyFileWithSecurity(entry, from, target, true, KindOf(record));
        if (error != EEXIST || m_ops->IsRealFolder(target) || !m_ops->PathExists(target)) {
            if (error == 0)
                NoteCopied(AddedFiles, AddedTally, target, record, direction.toRoot);
            return error;
        }
        // A file appeared since the scan, or the masks hid it: compare it.
    }
    const int compareType = m_settings.General.CompareType;
    const TimeRule rule = ScanOf(entry).TwoSecondTimes() ? TimeRule::TwoSecondSteps : TimeRule::Exact;
    const int compare = existing && fileThere ? CompareFiles(record, *existing, compareType, rule)
                                              : CompareFiles(record, target, compareType, rule);
    if (compare == 0 || (compare == 1 && direction.overwriteNewer))
        return 0;
    if (compare == 1 && DryRun())
        m_newerTargets.insert(target);
    if (direction.trashReplaced && !TrashBeforeReplacing(fileThere ? existing : nullptr, target))
        return 0;
    if (direction.versionReplaced && !VersionBeforeReplacing(target))
        return 0;
    const std::size_t waiting = m_copier.WaitingCount();
    if (copiedAhead && copiedAhead->staged.Held())
        m_copier.AddWaiting(std::move(copiedAhead->staged));
    const int error
        = copiedAhead ? copiedAhead->error : CopyFileWithSecurity(entry, from, target, false, KindOf(record));
    if (error != 0)
        return error;
    // A replacement left waiting keeps its place in the list until it has
    // its name; its record is made then.
    if (m_copier.WaitingCount() > waiting) {
        if (!KeepsFileLists()) {
            m_waitingSlots.push_back({ kNoSlot, record, direction.toRoot });
            return 0;
        }
        m_waitingSlots.push_back({ UpdatedFiles.size(), record, direction.toRoot });
        UpdatedFiles.emplace_back();
        return 0;
    }
    NoteCopied(UpdatedFiles, UpdatedTally, target, record, direction.toRoot);
    return 0;
}
