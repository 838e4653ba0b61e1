#pragma once

#include "core/Set.h"
#include "engine/EntryScan.h"
#include "platform/Clock.h"

#include <atomic>
#include <cstdint>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

class CMediaRoot;

// Gathers both sides of every folder entry before an action: the source
// folder under the entry's masks and everything below the entry's backup
// root, one thread per side. (It lives in engine, not scan, because it works
// on sets of src/core, which sits above src/scan.)
//
// Works on its own copy of the set. Per entry it writes SourceFolder and
// DestinationFolder expanded (ExpandPathTags) with trailing '/' removed (so
// the root "/" becomes "") in that copy, and what it found in Scans at the
// entry's index: both lists in path order, the volume flags, SourceFound,
// SourceError, DestinationError and SourceUnlisted. An entry whose source or
// backup folder text is empty is not scanned on either side.
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

    // Starts the source thread, then the backup thread; returns at once.
    void Start();
    // Blocks until both threads have ended.
    void Wait();

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
    void ScanSource(CBackup& entry, CEntryScan& scan, const FolderTexts& texts);
    void ScanDestination(CBackup& entry, CEntryScan& scan, const FolderTexts& texts);
    std::string Expand(const std::string& text) const;
    bool Cancelled() const;
    bool MediumMounted(const std::string& folder) const;

    std::vector<FolderTexts> m_texts;
    std::atomic<int>& m_cancel;
    const CClock& m_clock;
    const CMediaRoot* m_media;
    // One instant for both sides, so a tag such as <MINUTE> names the same
    // folder on both even when the threads run across a minute boundary.
    std::time_t m_now = 0;
    std::thread m_sourceThread;
    std::thread m_destinationThread;
};
