#pragma once

#include "scan/FileRecordArray.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CBackup;

// The figures of a folder statistics pass, as values: valid once ScanRunning
// is 0 and ScanComplete is 1, counting up while the pass runs.
struct FolderFigures {
    std::int32_t FileCount = 0;
    std::int32_t FolderCount = 0;
    std::uint64_t TotalSize = 0;
    std::uint64_t SizeOnDisk = 0;
    std::int32_t ScanRunning = 0;
    std::int32_t ScanComplete = 0;

    bool operator==(const FolderFigures&) const = default;
};

// The folder statistics pass of one folder entry: counts the files, folders,
// bytes and cluster-rounded bytes of its source folder under its masks on a
// thread of its own, and keeps the file records of the last complete pass.
//
// The figures and the records live here, never in the entry: a pass works on
// a copy of the entry's folder and masks, so copying or editing a set never
// meets a running pass. Every operation may be called from any thread, and
// none but Wait, Cancel and the destructor waits for the pass's thread.
class CFolderStatistics {
public:
    // Told on the pass's thread when a pass ends (not one replaced by a newer
    // pass), with its final figures. It must not wait for the thread that
    // starts passes: hand the figures on, for instance by a queued call.
    using Finished = std::function<void(const FolderFigures&)>;

    CFolderStatistics();
    // Cancels a running pass and waits for it.
    ~CFolderStatistics();
    CFolderStatistics(const CFolderStatistics&) = delete;
    CFolderStatistics& operator=(const CFolderStatistics&) = delete;

    // Starts a pass over entry's source folder; returns at once. A pass still
    // running is cancelled and left to end on its own. clusterBytes is the
    // ClusterSize setting in bytes; now expands the time tags of the folder.
    void StartFolderScan(const CBackup& entry, std::uint64_t clusterBytes, std::time_t now, Finished finished = {});
    // Asks the running pass to stop (its CancelScan) and returns at once.
    void RequestCancel();
    // Asks the running pass to stop and waits until no pass runs.
    void Cancel();
    // Waits until no pass runs and every finished call has returned.
    void Wait();

    FolderFigures Figures() const;
    // The records of the last complete pass (empty before one), in path
    // order; shared, and never changed once handed out.
    std::shared_ptr<const CFileRecordArray> SourceList() const;

    // Runs at the start of every pass on the pass's thread (tests hold a pass
    // there).
    void SetPassStartHook(std::function<void()> hook);

private:
    struct Pass;

    void RunPass(Pass& pass);
    void EndPass(Pass& pass, std::shared_ptr<const CFileRecordArray> list);
    void JoinEnded(bool all);

    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    std::unique_ptr<Pass> m_current;
    // Cancelled passes whose threads have not been joined yet.
    std::vector<std::unique_ptr<Pass>> m_replaced;
    std::shared_ptr<const CFileRecordArray> m_list { std::make_shared<const CFileRecordArray>() };
    std::function<void()> m_passStartHook;
};
