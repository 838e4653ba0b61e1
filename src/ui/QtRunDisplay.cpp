#include "ui/QtRunDisplay.h"

#include "engine/GetInfoWorker.h"
#include "engine/ProgressWorker.h"
#include "ui/RunView.h"

#include <QThread>
#include <thread>

namespace {

InformationSnapshot SnapshotOf(const CGetInfoWorker& worker)
{
    InformationSnapshot snapshot;
    // The flags first: counts read after a flag went to 0 are final.
    snapshot.SourceScanRunning = worker.SourceScanRunning != 0;
    snapshot.DestinationScanRunning = worker.DestinationScanRunning != 0;
    snapshot.SourceFiles = worker.SourceFiles;
    snapshot.SourceFolders = worker.SourceFolders;
    snapshot.DestinationFiles = worker.DestinationFiles;
    snapshot.DestinationFolders = worker.DestinationFolders;
    snapshot.SourceBytes = worker.SourceBytes;
    snapshot.DestinationBytes = worker.DestinationBytes;
    snapshot.PlanComing = worker.Plans();
    return snapshot;
}

ProgressSnapshot SnapshotOf(const CProgressWorker& worker, const CRunDisplay::Totals& totals)
{
    ProgressSnapshot snapshot;
    snapshot.Running = worker.Running != 0;
    snapshot.Deleting = worker.Deleting != 0;
    snapshot.FilesDone = worker.ProcessedFileCount();
    snapshot.FoldersDone = worker.ProcessedFolderCount();
    snapshot.Totals = totals;
    snapshot.Elapsed = worker.Elapsed;
    snapshot.CurrentFolder = worker.CurrentFolder();
    snapshot.CurrentFile = worker.CurrentFile();
    snapshot.CurrentFileSize = worker.CurrentFileSize();
    snapshot.BytesTotal = worker.BytesToCopy();
    snapshot.BytesDone = worker.CopiedBytes();
    return snapshot;
}

} // namespace

ActionSummaryData ActionSummaryOf(const CProgressWorker& worker, int action, bool cancelled)
{
    ActionSummaryData data;
    data.Action = action;
    data.Cancelled = cancelled;
    data.Failures = worker.Failures;
    data.Elapsed = worker.Elapsed;
    data.ProcessedFiles = worker.ProcessedFiles;
    data.ProcessedFolders = worker.ProcessedFolders;
    data.AddedFolders = worker.AddedFolders;
    data.AddedFiles = worker.AddedFiles;
    data.UpdatedFiles = worker.UpdatedFiles;
    data.DeletedFiles = worker.DeletedFiles;
    data.DeletedFolders = worker.DeletedFolders;
    data.VersionSpace = worker.VersionSpace;
    return data;
}

CQtRunDisplay::CQtRunDisplay(CRunView& view, QObject* receiver, std::atomic<std::int32_t>& cancel)
    : m_view(view)
    , m_receiver(receiver)
    , m_cancel(cancel)
{
}

void CQtRunDisplay::Post(std::function<void(CRunView&)> call)
{
    if (!m_receiver)
        return;
    CRunView* view = &m_view;
    QMetaObject::invokeMethod(
        m_receiver, [view, call = std::move(call)] { call(*view); }, Qt::QueuedConnection);
}

// The window decides how the run goes on; a window that went away without
// an answer (the program closing) leaves nobody to press Continue, so the
// run stops.
bool CQtRunDisplay::ShowInformation(CGetInfoWorker& worker, int action)
{
    auto monitor = std::make_shared<CInformationMonitor>(SnapshotOf(worker));
    {
        auto handle = std::make_shared<CMonitorGuard<InformationSnapshot>>(monitor);
        Post([action, rules = m_rules, handle](CRunView& view) { view.OpenInformation(action, rules, handle); });
    }
    while (worker.SourceScanRunning || worker.DestinationScanRunning) {
        monitor->Publish(SnapshotOf(worker));
        std::this_thread::sleep_for(m_interval);
    }
    worker.WaitScans();
    monitor->Publish(SnapshotOf(worker));
    HandOverPlan(worker, *monitor);
    if (!monitor->WaitClosed())
        m_cancel = 1;
    return m_cancel == 0;
}

// The window may already have closed (Continue before the plan was there,
// Cancel): the plan then goes unmade or unshown.
void CQtRunDisplay::HandOverPlan(CGetInfoWorker& worker, const CInformationMonitor& monitor)
{
    while (worker.PlanRunning && !monitor.Closed())
        std::this_thread::sleep_for(m_interval);
    if (!worker.Plans() || monitor.Closed())
        return;
    // Moved along, never copied: a plan may hold 100,000 items.
    auto plan = std::make_shared<CRunPlan>(worker.TakePlan());
    Post([plan](CRunView& view) { view.ShowPlan(std::move(*plan)); });
}

void CQtRunDisplay::ShowProgress(CProgressWorker& worker, const Totals& totals, int action)
{
    auto monitor = std::make_shared<CProgressMonitor>(SnapshotOf(worker, totals));
    {
        auto handle = std::make_shared<CMonitorGuard<ProgressSnapshot>>(monitor);
        Post([action, rules = m_rules, handle](CRunView& view) { view.OpenProgress(action, rules, handle); });
    }
    while (worker.Running) {
        monitor->Publish(SnapshotOf(worker, totals));
        std::this_thread::sleep_for(m_interval);
    }
    worker.Wait();
    monitor->Publish(SnapshotOf(worker, totals));
    monitor->WaitClosed();
}

void CQtRunDisplay::ShowSummary(const CProgressWorker& worker, int action, bool cancelled)
{
    auto monitor = std::make_shared<CRunMonitor<int>>();
    {
        auto handle = std::make_shared<CMonitorGuard<int>>(monitor);
        Post([data = ActionSummaryOf(worker, action, cancelled), handle](
                 CRunView& view) { view.ShowSummary(data, handle); });
    }
    // A run on the interface thread itself (none does so now) cannot wait.
    if (m_receiver && QThread::currentThread() != m_receiver->thread())
        monitor->WaitClosed();
}

void CQtRunDisplay::ShowError(const std::string& text)
{
    Post([text](CRunView& view) { view.ShowError(text); });
}

void CQtRunDisplay::RunEnded()
{
    Post([](CRunView& view) { view.CloseRunWindows(); });
}
