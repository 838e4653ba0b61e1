#pragma once

#include "core/Set.h"
#include "engine/EntryScan.h"
#include "engine/RunPlan.h"
#include "platform/Clock.h"
#include "scan/FolderScanner.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CMediaRoot;

// Prepares both sides of every folder entry before an action and counts
// them for the windows: the source folder under the entry's masks and
// everything below the entry's backup root, one thread per side. It keeps
// no record: the run walks both sides itself, one folder at a time. (It
// lives in engine, not scan, because it works on sets of src/core, which
// sits above src/scan.)
//
// Works on its own copy of the set. Per entry it writes SourceFolder and
// DestinationFolder expanded (ExpandPathTags) with trailing '/' removed (so
// the root "/" becomes "") in that copy, and what it found in Scans at the
// entry's index: the opened folders, the volume flags, the folders never to
// enter, SourceFound, SourceError and DestinationError. An entry whose source
// or backup folder text is empty is not looked at on either side.
class CGetInfoWorker {
public:
    // cancel is the process-wide action cancel flag; both threads stop after
    // the entry in hand once it is set. With media given, a side whose
    // medium (an fstab mount point, /media/<user>/<name>, ...) is not
    // mounted is not scanned: its error is ENOMEDIUM.
    CGetInfoWorker(const CSet& set, std::atomic<int>& cancel, const CClock& clock = CClock::System(),
        const CMediaRoot* media = nullptr);
    virtual ~CGetInfoWorker();
    CGetInfoWorker(const CGetInfoWorker&) = delete;
    CGetInfoWorker& operator=(const CGetInfoWorker&) = delete;

    // Makes a plan from the set and copies of the scans; it stops early
    // once its cancel flag is set.
    using Planner = std::function<CRunPlan(const CSet&, std::vector<CEntryScan>, std::atomic<std::int32_t>&)>;
    // Set before Start, for a display that shows what the action would do:
    // once both scans are over, a third thread makes the plan from copies
    // of what they found, and PlanRunning goes to 0 when it is there.
    void SetPlanner(Planner planner);
    // Whether the counts are wanted (the default): a run that shows no
    // window needs none in advance, and then the sides are only opened.
    void SetCounting(bool counting);
    bool Plans() const { return static_cast<bool>(m_planner); }

    // Starts the source thread, then the backup thread (and the plan's
    // thread, with a planner); returns at once.
    void Start();
    // Blocks until both scan threads have ended.
    void WaitScans();
    // Blocks until every thread has ended, the plan's included.
    void Wait();
    // The plan is no longer wanted: it stops where it is.
    void DropPlan() { m_planCancel = 1; }
    // The plan made, moved out; empty without a planner, before PlanRunning
    // has gone to 0, or after a first call.
    CRunPlan TakePlan();

    // The folder that holds an entry's backup: the expanded backup folder
    // followed by the display name of the expanded source folder.
    static std::string BackupRoot(const CBackup& expandedEntry);

    std::atomic<std::int32_t> SourceScanRunning { 1 };
    std::atomic<std::int32_t> DestinationScanRunning { 1 };
    std::atomic<std::int32_t> SourceFiles { 0 };
    std::atomic<std::int32_t> SourceFolders { 0 };
    std::atomic<std::int32_t> DestinationFiles { 0 };
    std::atomic<std::int32_t> DestinationFolders { 0 };
    std::atomic<std::uint64_t> SourceBytes { 0 };
    std::atomic<std::uint64_t> DestinationBytes { 0 };
    // 1 from Start while a plan is being made (a planner was set).
    std::atomic<std::int32_t> PlanRunning { 0 };
    CSet Set;
    std::vector<CEntryScan> Scans; // one per entry of Set

private:
    // The folder texts as the set held them, read by both threads: each
    // thread rewrites its own side's field in Set, so neither may read the
    // other's field while it runs.
    struct FolderTexts {
        std::string Source;
        std::string Destination;
    };

    void RunSourceSide();
    void RunDestinationSide();
    void SideDone();
    void RunPlan();
    void ScanSource(CBackup& entry, CEntryScan& scan, const FolderTexts& texts);
    void ScanDestination(CBackup& entry, CEntryScan& scan, const FolderTexts& texts);
    void Count(CFolderScanner::Options& options, const std::string& folder, const std::vector<std::string>& skip,
        const CDirHandle* base, const std::string& basePath);
    std::string Expand(const std::string& text) const;
    bool Cancelled() const;
    bool MediumMounted(const std::string& folder) const;

    std::vector<FolderTexts> m_texts;
    bool m_counting = true;
    std::atomic<int>& m_cancel;
    const CClock& m_clock;
    const CMediaRoot* m_media;
    // One instant for both sides, so a tag such as <MINUTE> names the same
    // folder on both even when the threads run across a minute boundary.
    std::time_t m_now = 0;
    std::thread m_sourceThread;
    std::thread m_destinationThread;
    // The plan's thread waits for both sides here; the lock also hands it
    // what they wrote.
    std::mutex m_sidesMutex;
    std::condition_variable m_sidesDone;
    int m_sidesLeft = 2;
    Planner m_planner;
    std::atomic<std::int32_t> m_planCancel { 0 };
    CRunPlan m_plan;
    std::thread m_planThread;
};
