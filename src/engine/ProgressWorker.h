#pragma once

#include "core/Set.h"
#include "engine/BackgroundRemoval.h"
#include "engine/CopyAhead.h"
#include "engine/EntryScan.h"
#include "engine/FailedItem.h"
#include "engine/FileOperations.h"
#include "engine/PruneRecord.h"
#include "engine/RunPlan.h"
#include "engine/VersionPruner.h"
#include "platform/FileCopier.h"
#include "platform/ReplacementPlacer.h"
#include "scan/FileRecordArray.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

class CActionDisplay;
class CActivityLog;
class CClock;
class CFolderLister;
class CPrompter;
struct SettingsRecord;

// Carries out a backup or restore of one set after the scan worker has
// opened both sides of every entry: deletes what vanished from the source
// (backup only), creates folders, copies new and changed files, and records
// what changed for the progress window, the summary and the log. Errors are
// offered as Abort/Retry/Ignore through the prompter.
//
// Both sides are walked folder by folder, one folder of each side held at a
// time, never the whole tree: once to survey an entry before anything
// changes (what vanished, how much would change, the bytes to copy), once
// to copy, and once more for the folders' modes and times.
//
// The execution thread writes everything; the ticker thread and the progress
// window only read the counters and current items, which are atomic, and
// read the lists only after Running has gone to 0.
class CProgressWorker {
public:
    // cancel: the process-wide action cancel flag. scheduled selects the
    // scheduler's DisplayError setting instead of the actions'.
    CProgressWorker(const SettingsRecord& settings, bool scheduled, std::atomic<std::int32_t>& cancel,
        CPrompter& prompter, CActivityLog& log, CActionDisplay& display, CClock& clock);
    virtual ~CProgressWorker();
    CProgressWorker(const CProgressWorker&) = delete;
    CProgressWorker& operator=(const CProgressWorker&) = delete;

    // Takes the scan worker's set and what it found and opened.
    void TakeSet(const CSet& set, std::vector<CEntryScan>&& scans);

    // Starts the execution and ticker threads and returns at once.
    void Start();
    // Waits until both threads have ended.
    void Wait();

    // Logs the failure as an error record, then asks Abort/Retry/Ignore (or
    // answers Ignore when errors are not shown). 3, 4 or 5.
    int ReportError(int code, const std::string& from, const std::string& to);

    // The file operations of the action (see ProgressWorkerFileOps.cpp).
    int CopyFileWithSecurity(const CBackup& entry, const std::string& from, const std::string& to, bool failIfExists,
        FileKind expected = FileKind::Unknown);
    int CopyFileWithSecurity(CFileCopier& copier, const CBackup& entry, const std::string& from, const std::string& to,
        bool failIfExists, FileKind expected = FileKind::Unknown);
    int CreateFolder(const CBackup& entry, const std::string& fromFolder, const std::string& toFolder);
    // Items that could not be removed are reported as failed and taken out
    // of the lists, which then hold what was removed. Items removed for good
    // go in the background: the lists are filled once ReportRemovals has run.
    bool RemoveItems(CFileRecordArray& folders, CFileRecordArray& files, bool recycle);
    bool ReportRemovals();

    // The folder an entry's files are kept in below its backup folder.
    static std::string BackupRoot(const CBackup& entry);

    // Values the progress window polls.
    std::int32_t ProcessedFileCount() const { return m_processedFileCount.load(); }
    std::int32_t ProcessedFolderCount() const { return m_processedFolderCount.load(); }
    // Bytes of the files processed; read once Running is 0.
    std::uint64_t ProcessedBytes() const { return m_processedBytes; }
    std::string CurrentFolder() const;
    std::string CurrentFile() const;
    std::uint64_t CurrentFileSize() const;
    // Bytes of the files the file phase copies (known once it has begun),
    // and of those it is done with.
    std::uint64_t BytesToCopy() const { return m_bytesToCopy.load(); }
    std::uint64_t CopiedBytes() const { return m_copiedBytes.load(); }

    // Test hook: the copier every file copy goes through.
    CFileCopier& Copier() { return m_copier; }
    // Every look at and change of the file system goes through operations,
    // set before Start; a dry run puts a stand-in there that changes nothing.
    void SetFileOperations(CFileOperations& operations) { m_ops = &operations; }
    bool DryRun() const { return !m_ops->ChangesFiles(); }
    // A restore with RestoreTrash on: each source file it replaces goes to
    // the trash first, and one that cannot stays as it is.
    bool TrashesReplaced() const;
    // A backup of a set with versions on: each backup file it replaces or
    // deletes moves into the version area of its backup folder, under the
    // run's stamp, instead of going for good or to the trash.
    bool VersionsReplaced() const;

    std::atomic<std::int32_t> Running { 1 };
    std::atomic<std::int32_t> Deleting { 1 };
    std::atomic<std::int32_t> CopySecurity { 1 };
    // Items that failed and were passed over (Ignore, asked or assumed); the
    // exit status of a command-line run reports them.
    std::atomic<std::int32_t> FailedItems { 0 };
    // The same items, each with why it failed, in the order they failed:
    // every failure the run went on after lands here and nowhere else.
    // Written by the execution thread; read once Running is 0.
    std::vector<FailedItem> Failures;
    CFileRecordArray ProcessedFiles;
    CFileRecordArray ProcessedFolders;
    CFileRecordArray DeletedFiles;
    CFileRecordArray DeletedFolders;
    CFileRecordArray AddedFolders;
    CFileRecordArray AddedFiles;
    CFileRecordArray UpdatedFiles;
    // Files copied, counted whether or not their records are kept.
    struct Tally {
        std::int32_t Files = 0;
        std::uint64_t Bytes = 0;
    };
    Tally AddedTally;
    Tally UpdatedTally;
    // The records of the copies fill AddedFiles and UpdatedFiles only for a
    // display that lists them (the windows' summary, a dry run's preview): a
    // first copy of many files would otherwise hold a list as long as the
    // tree just to count it. ProcessedFiles and ProcessedFolders, which hold
    // the whole tree, are filled only for such a display, never for a dry
    // run, whose plan counts them. Set before Start.
    void SetKeepFileLists(bool keep) { m_keepFileLists = keep; }
    bool KeepsFileLists() const { return m_keepFileLists || DryRun(); }
    // In a dry run, the failures the run would meet, as its log would have
    // them (nothing is logged); read once Running is 0.
    std::vector<std::string> DryRunFailures;
    // In a dry run, what the run would do, made from the lists once the run
    // has ended; read once Running is 0.
    CRunPlan Plan;
    // What each version area the run kept versions in takes on the disk,
    // once pruned (as it is after a run that failed, which prunes nothing);
    // none after a dry or cancelled run. Read once Running is 0.
    std::vector<VersionAreaSpace> VersionSpace;
    std::atomic<std::int64_t> Elapsed { 0 };
    // The set acted on.
    CSet Set;
    std::vector<CEntryScan> Scans; // one per entry of Set
    std::time_t StartTime = 0;

private:
    // One side of an entry as the copy phases see it.
    struct Direction {
        std::string fromFolder; // folder fromList was scanned in
        std::string toFolder; // folder the copies go to, toList scanned in
        // The records copied from and those found at the target side: the
        // stretch of one folder the walk is at, or whole listed sides.
        CFileRecordArray* fromList;
        CFileRecordArray* toList;
        bool overwriteNewer; // BackupOverwrite / RestoreOverwrite
        bool trashReplaced; // TrashesReplaced(): a backup replaces its copies
        bool versionReplaced; // VersionsReplaced()
        // toFolder + '/', the root of the records of what is made there.
        std::shared_ptr<const std::string> toRoot;
    };

    // Counts a copy made at target from source, and lists its record when
    // the lists are kept.
    void NoteCopied(CFileRecordArray& list, Tally& tally, const std::string& target, const CFileRecord& source,
        const std::shared_ptr<const std::string>& root);
    // Execution thread only: it keeps the folder it made last.
    CFileRecord RebasedRecord(CFileRecord record, const std::shared_ptr<const std::string>& root);
    bool Usable(const CBackup& entry) const;
    void RegisterRoots();
    void ReleaseFolders();
    void Execute();
    void Tick();
    void RaiseElapsed();
    void RunBackup();
    void RunRestore();
    void ReportMissingSides(bool restore);
    // What the survey of an entry found before anything changed.
    struct EntrySurvey {
        std::size_t backupFiles = 0; // files on the backup side
        std::size_t replaced = 0; // files a copy would replace, by size and time
        std::uint64_t bytes = 0; // of the files to copy
        // What the side copied from holds, and whether anything of it is
        // to be copied or made: without, the copy has nothing to walk for.
        std::int32_t files = 0;
        std::int32_t folders = 0;
        std::uint64_t fileBytes = 0;
        bool work = false;
        // What vanished from the source (with BackupDelete).
        CFileRecordArray deletedFolders;
        CFileRecordArray deletedFiles;
    };
    using Stretch = std::function<bool(CFileRecordArray& from, CFileRecordArray& to)>;
    // The walks over both sides (see ProgressWorkerWalk.cpp).
    bool WalkEntry(const CBackup& entry, bool restore, bool enterToOnly, const Stretch& stretch,
        std::vector<std::string>* fromUnlisted);
    std::unique_ptr<CFolderLister> ListerOf(
        const CBackup& entry, bool sourceSide, bool files, std::vector<std::string>* unlisted);
    bool SurveyEntry(CBackup& entry, bool restore);
    bool SurveyStretch(CBackup& entry, Direction direction, EntrySurvey& survey, bool restore);
    EntrySurvey& SurveyOf(const CBackup& entry);
    bool FoldersToMake(const Direction& direction);
    bool CopyPhase(bool restore);
    bool CopyEntry(CBackup& entry, bool restore);
    void FolderAttributesOf(const CBackup& entry, const Direction& direction, bool restore);
    void TakeProcessed(CFileRecordArray& list, std::size_t end);
    void FailItem(const FailedItem& item, const std::string& logLine, const std::string& shown);
    void NoteFailure(const FailedItem& item);
    void ReportAccess(const std::string& folder, int error, const std::string& consequence);
    void ReportLateUnlisted(const CBackup& entry, bool restore, const std::vector<std::string>& unlisted);
    bool ConfirmDeletingAll(const CBackup& entry, std::size_t doomedFiles);
    bool ConfirmMassChange(CBackup& entry, std::size_t deletedFiles);
    std::size_t ReplacedFileCount(CBackup& entry);
    void DeletionPhase();
    bool CollectDeletions(CBackup& entry, const Direction& direction, EntrySurvey& survey);
    bool ProcessFolders(CBackup& entry, const Direction& direction);
    int ChangedFolder(const Direction& direction, const std::string& from, const std::string& target);
    void FolderAttributePhase(bool restore);
    void CopyFolderAttributesOf(const std::string& from, const std::string& to);
    int FolderAttributesFailed(const std::string& to, int error);
    void SyncDestinations(bool restore);
    // The files of an entry's list that need the worker, in list order.
    struct FilePlan {
        std::vector<CCopyAhead::Job> jobs;
        std::vector<std::uint32_t> filesBefore; // per job: files before it in the list
        std::size_t files = 0; // files in the list before end
        std::size_t end = 0; // where planning stopped: the list's size unless cancelled
    };
    bool ProcessFiles(CBackup& entry, const Direction& direction);
    // compareType: the settings' comparison unless given.
    FilePlan PlanFiles(CBackup& entry, const Direction& direction, int compareType = -1);
    bool ProcessFileList(
        CBackup& entry, const Direction& direction, const FilePlan& plan, CCopyAhead* ahead, std::size_t& processedEnd);
    void MakePlan();
    std::unique_ptr<CCopyAhead> StartCopyAhead(const CBackup& entry, const Direction& direction, const FilePlan& plan);
    bool ProcessFile(CBackup& entry, const Direction& direction, CFileRecord& record, const std::string& from,
        std::string& target, CCopyAhead::Result* copiedAhead);
    int CopyOne(CBackup& entry, const Direction& direction, CFileRecord& record, const std::string& from,
        const std::string& target, bool& retried, CCopyAhead::Result* copiedAhead);
    bool HandOverBatch(const CBackup& entry);
    bool PlaceWaiting(const CBackup& entry);
    bool PlacerIdle() const;
    bool ReportPlaced(const CBackup& entry);
    bool UntilDone(const std::function<int()>& attempt, bool& ignored);
    bool RemoveOtherType(const std::string& from, const std::string& target, bool& ignored);
    int RemoveReplaced(const std::string& path);
    bool TrashBeforeReplacing(const CFileRecord* existing, const std::string& target);
    int TrashItem(const std::string& path);
    // The versions (see ProgressWorkerVersions.cpp).
    void CheckVersionAreas();
    bool VersionAreaUsable(const CBackup& entry);
    int MoveToVersions(const std::string& path);
    int MakeVersionFolder(const std::string& folder, const std::string& backupFolder);
    std::string VersionStampFor(const std::string& backupFolder);
    bool VersionBeforeReplacing(const std::string& target);
    void FailVersionMove(const std::string& path, int error, bool replacing);
    void PruneVersions();
    std::optional<CPruneRecord> UnchangedSincePruned(const std::string& backupFolder) const;
    void PruneArea(CVersionPruner& pruner, const std::string& backupFolder, std::int64_t now);
    void ListPruning(CVersionPruner& pruner, const std::string& backupFolder);
    bool EnsureFolder(const CBackup& entry, const std::string& from, const std::string& to, bool& ignored);
    Direction DirectionOf(CBackup& entry, bool restore);
    CEntryScan& ScanOf(const CBackup& entry);
    const CEntryScan& ScanOf(const CBackup& entry) const;

    // Asks Abort/Retry/Ignore about item; on Ignore it is noted as failed.
    int AskFileOperation(const std::string& text, const FailedItem& item);
    static std::string OneLine(std::string text);
    // "what: <system text> (error: code)", or the system text alone.
    static std::string Reason(const std::string& what, int code);
    int FolderSecurity(const CBackup& entry, const std::string& fromFolder, const std::string& toFolder);
    int FolderCompression(const CBackup& entry, const std::string& toFolder);
    bool SecurityFor(const CBackup& entry) const;
    int RemoveOne(const std::string& path, bool recycle, std::vector<std::string>& holdings);
    bool ReportRemoved(
        CFileRecordArray& folders, CFileRecordArray& files, bool recycle, const CBackgroundRemoval::Results* results);
    bool RoomAfterRemovals(int error);
    std::string HoldingFolderFor(const std::string& path) const;
    std::string StagingFolderIn(const std::string& backupFolder) const;

    void SetCurrentFile(const CFileRecord* record);
    void SetCurrentFolder(const CFileRecord* record);
    bool ShowErrors() const;
    bool Cancelled() const { return m_cancel.load() != 0; }
    void Cancel() { m_cancel.store(1); }
    int Action() const { return Set.ActiveAction; }
    bool BelowBlockedFolder(const std::string& target) const;
    void LogFailure(const std::string& message);
    void NoteSkipped(const std::string& from);

    const SettingsRecord& m_settings;
    const bool m_scheduled;
    std::atomic<std::int32_t>& m_cancel;
    CPrompter& m_prompter;
    CActivityLog& m_log;
    CActionDisplay& m_display;
    CClock& m_clock;
    CHardLinks m_hardLinks;
    CFileCopier m_copier;
    CFileOperations m_fileOperations;
    CFileOperations* m_ops = &m_fileOperations;
    bool m_keepFileLists = true;
    // Items being removed in the background, out of the deleted lists until
    // their results are reported (execution thread only).
    CFileRecordArray m_removingFolders;
    CFileRecordArray m_removingFiles;
    std::unique_ptr<CBackgroundRemoval> m_removal;
    bool m_removedInBackground = false;

    std::atomic<std::int32_t> m_processedFileCount { 0 };
    std::atomic<std::int32_t> m_processedFolderCount { 0 };
    std::atomic<std::uint64_t> m_bytesToCopy { 0 };
    std::atomic<std::uint64_t> m_copiedBytes { 0 };
    std::uint64_t m_processedBytes = 0;
    // Copies of the records in hand: the folder listing they came from goes
    // as the walk moves on.
    mutable std::mutex m_currentMutex;
    std::optional<CFileRecord> m_currentFolder;
    std::optional<CFileRecord> m_currentFile;
    // Records to process, counted by the survey.
    std::atomic<std::int64_t> m_total { 0 };
    // One per entry of Set.
    std::vector<EntrySurvey> m_surveys;
    // Each replacement waiting in the copier's batch, in the batch's order:
    // its UpdatedFiles record, filled in once the copy has its name, and its
    // source record.
    struct WaitingSlot {
        std::size_t updated; // kNoSlot while the records are not kept
        CFileRecord source;
        std::shared_ptr<const std::string> root; // of the copy's record
    };
    static constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);
    std::vector<WaitingSlot> m_waitingSlots;
    // The batches being made durable, oldest first, each on a placer of
    // its own, with the slots of its replacements.
    struct PlacingBatch {
        CReplacementPlacer* placer;
        std::vector<WaitingSlot> slots;
    };
    std::array<CReplacementPlacer, 2> m_placers;
    std::deque<PlacingBatch> m_placing;
    // The folder of the copy last listed, shared by the next ones made in it
    // (execution thread only).
    CSharedFolder::Ref m_rebasedFolder;
    // Entries whose side to copy from is missing: nothing is done for them.
    std::vector<const CBackup*> m_missing;
    // Target folders that are links: nothing is ever written through them.
    std::vector<std::string> m_blockedFolders;
    // In a dry run, the targets a replacement would overwrite although they
    // are newer than what replaces them (execution thread only).
    std::unordered_set<std::string> m_newerTargets;
    // Per backup folder: the name of the folder this run's versions go in,
    // chosen when the first one goes (execution thread only).
    std::map<std::string, std::string> m_versionStamps;
    // Folders of the version areas known to be there (execution thread only).
    std::unordered_set<std::string> m_versionFolders;
    // Backup folders this run has set versions aside in (execution thread
    // only).
    std::unordered_set<std::string> m_setAsideIn;
    // In a dry run, the versions pruning would remove.
    std::vector<std::string> m_prunedVersions;
    // In a dry run, per backup folder, the paths below it the run would
    // have set aside (execution thread only).
    std::map<std::string, std::vector<std::string>> m_plannedVersions;

    std::mutex m_tickMutex;
    std::condition_variable m_tickWake;
    std::thread m_execution;
    std::thread m_ticker;
};
