#pragma once

#include "engine/FailedItem.h"
#include "engine/RunPlan.h"
#include "engine/VersionPruner.h"
#include "scan/FileRecordArray.h"
#include "scheduler/RunDisplay.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// What the windows of a running action show, as values taken from the
// workers by the run's own thread (never the workers themselves).
struct InformationSnapshot {
    int SourceFiles = 0;
    int SourceFolders = 0;
    int DestinationFiles = 0;
    int DestinationFolders = 0;
    std::uint64_t SourceBytes = 0;
    std::uint64_t DestinationBytes = 0;
    bool SourceScanRunning = true;
    bool DestinationScanRunning = true;
    // A plan of what the action would do follows the scans (CRunView::ShowPlan).
    bool PlanComing = false;
};

struct ProgressSnapshot {
    int FilesDone = 0;
    int FoldersDone = 0;
    CRunDisplay::Totals Totals;
    std::int64_t Elapsed = 0;
    bool Running = true;
    bool Deleting = true;
    // The folder of the item in hand: the folder being made, then the one
    // holding the file being copied.
    std::string CurrentFolder;
    std::string CurrentFile;
    std::uint64_t CurrentFileSize = 0;
    // Bytes of the files to copy, and of those copied so far.
    std::uint64_t BytesTotal = 0;
    std::uint64_t BytesDone = 0;
};

// Copies of the copy worker's results, handed to the summary window.
struct ActionSummaryData {
    int Action = 0;
    std::int64_t Elapsed = 0;
    CFileRecordArray ProcessedFiles;
    CFileRecordArray ProcessedFolders;
    CFileRecordArray AddedFolders;
    CFileRecordArray AddedFiles;
    CFileRecordArray UpdatedFiles;
    CFileRecordArray DeletedFiles;
    CFileRecordArray DeletedFolders;
    bool Cancelled = false;
    std::vector<FailedItem> Failures;
    std::vector<VersionAreaSpace> VersionSpace;
};

// One window of a run between the run's thread and the interface thread:
// the run publishes snapshots, the window's timer reads the latest, and the
// window says once how it closed (Continue or done: true; cancelled or
// gone: false), which the run may wait for. The interface thread never waits
// here; every call is short.
template <class Snapshot> class CRunMonitor {
public:
    explicit CRunMonitor(const Snapshot& first = {})
        : m_snapshot(first)
    {
    }

    void Publish(const Snapshot& snapshot)
    {
        std::lock_guard lock(m_mutex);
        m_snapshot = snapshot;
    }
    Snapshot Latest() const
    {
        std::lock_guard lock(m_mutex);
        return m_snapshot;
    }
    // The first call counts; later ones are ignored.
    void Close(bool proceed)
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_result)
                return;
            m_result = proceed;
        }
        m_closed.notify_all();
    }
    bool Closed() const
    {
        std::lock_guard lock(m_mutex);
        return m_result.has_value();
    }
    // For the run's thread only.
    bool WaitClosed()
    {
        std::unique_lock lock(m_mutex);
        m_closed.wait(lock, [this] { return m_result.has_value(); });
        return *m_result;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_closed;
    Snapshot m_snapshot;
    std::optional<bool> m_result;
};

using CInformationMonitor = CRunMonitor<InformationSnapshot>;
using CProgressMonitor = CRunMonitor<ProgressSnapshot>;

// Closes a monitor as "gone" when the last holder lets go: a window that
// never opened (its queued call dropped with the receiver) or was destroyed
// without answering never leaves the run waiting.
template <class Snapshot> class CMonitorGuard {
public:
    explicit CMonitorGuard(std::shared_ptr<CRunMonitor<Snapshot>> monitor)
        : m_monitor(std::move(monitor))
    {
    }
    ~CMonitorGuard() { m_monitor->Close(false); }
    CMonitorGuard(const CMonitorGuard&) = delete;
    CMonitorGuard& operator=(const CMonitorGuard&) = delete;

    CRunMonitor<Snapshot>& Monitor() const { return *m_monitor; }

private:
    std::shared_ptr<CRunMonitor<Snapshot>> m_monitor;
};

using CInformationHandle = std::shared_ptr<CMonitorGuard<InformationSnapshot>>;
using CProgressHandle = std::shared_ptr<CMonitorGuard<ProgressSnapshot>>;
// The summary has nothing to publish; the run only waits for it to close.
using CSummaryHandle = std::shared_ptr<CMonitorGuard<int>>;

// The interface-thread side of a run's windows. The Qt run display calls
// these by queued calls from the run's thread; each window polls its monitor
// on a timer of its own and closes it when it closes.
class CRunView {
public:
    virtual ~CRunView() = default;

    virtual void OpenInformation(int action, const CRunDisplay::WindowRules& rules, CInformationHandle handle) = 0;
    // The plan of the action, made after the scans, for the open file
    // information window; taken over whole.
    virtual void ShowPlan(CRunPlan plan) = 0;
    virtual void OpenProgress(int action, const CRunDisplay::WindowRules& rules, CProgressHandle handle) = 0;
    // The run has ended (or left its windows): close whatever is open.
    virtual void CloseRunWindows() = 0;
    // Opens the summary of a run; the handle is let go when it closes.
    virtual void ShowSummary(const ActionSummaryData& summary, CSummaryHandle handle) = 0;
    // A failure the run carried on after; shown without stopping anything.
    virtual void ShowError(const std::string& text) = 0;
};
