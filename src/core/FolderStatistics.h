#pragma once

#include <cstdint>
#include <ctime>
#include <thread>

class CBackup;

// The folder statistics pass of one folder entry: counts the files, folders,
// bytes and cluster-rounded bytes of its source folder under its masks on a
// thread of its own, and fills the entry's SourceList. Windows read the
// entry's counters while it runs and trust them once ScanRunning is 0 and
// ScanComplete is 1. The entry must outlive this object, which waits for its
// thread on destruction.
class CFolderStatistics {
public:
    CFolderStatistics() = default;
    ~CFolderStatistics();
    CFolderStatistics(const CFolderStatistics&) = delete;
    CFolderStatistics& operator=(const CFolderStatistics&) = delete;

    // Starts a pass over entry; a pass still running is cancelled and waited
    // for first. clusterBytes is the ClusterSize setting in bytes; now
    // expands the time tags of the source folder.
    void StartFolderScan(CBackup& entry, std::uint64_t clusterBytes, std::time_t now);
    // Asks the running pass to stop (sets CancelScan) and waits for it.
    void Cancel();
    // Waits until the pass has ended.
    void Wait();

    // The pass itself, on the calling thread; ends with ScanRunning 0.
    static void ScanNow(CBackup& entry, std::uint64_t clusterBytes, std::time_t now);

private:
    CBackup* m_entry = nullptr;
    std::thread m_thread;
};
