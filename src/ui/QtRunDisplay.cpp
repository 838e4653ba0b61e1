#include "ui/QtRunDisplay.h"

#include "app/ConsoleDisplay.h"
#include "engine/GetInfoWorker.h"
#include "engine/ProgressWorker.h"
#include "ui/BlockingCall.h"
#include "ui/RunView.h"

#include <QThread>
#include <thread>

namespace {

InformationSnapshot SnapshotOf(const CGetInfoWorker& worker)
{
    InformationSnapshot snapshot;
    snapshot.SourceFiles = worker.SourceFiles;
    snapshot.SourceFolders = worker.SourceFolders;
    snapshot.DestinationFiles = worker.DestinationFiles;
    snapshot.DestinationFolders = worker.DestinationFolders;
    snapshot.SourceBytes = worker.SourceBytes;
    snapshot.DestinationBytes = worker.DestinationBytes;
    return snapshot;
}

ProgressSnapshot SnapshotOf(const CProgressWorker& worker, const CRunDisplay::Totals& totals)
{
    ProgressSnapshot snapshot;
    snapshot.FilesDone = worker.ProcessedFileCount();
    snapshot.FoldersDone = worker.ProcessedFolderCount();
    snapshot.Totals = totals;
    snapshot.Elapsed = worker.Elapsed;
    snapshot.Deleting = worker.Deleting != 0;
    snapshot.CurrentFile = worker.CurrentFile();
    return snapshot;
}

} // namespace

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

// Other threads may wait on the interface thread; on it the call is direct.
void CQtRunDisplay::Wait(std::function<void(CRunView&)> call)
{
    if (!m_receiver)
        return;
    if (QThread::currentThread() == m_receiver->thread()) {
        call(m_view);
        return;
    }
    CRunView* view = &m_view;
    CallBlocking(m_receiver, [view, &call] { call(*view); });
}

bool CQtRunDisplay::ShowInformation(CGetInfoWorker& worker, int action)
{
    Post([action](CRunView& view) { view.OpenInformation(action); });
    while (worker.SourceScanRunning || worker.DestinationScanRunning) {
        Post([snapshot = SnapshotOf(worker)](CRunView& view) { view.UpdateInformation(snapshot); });
        std::this_thread::sleep_for(m_interval);
    }
    worker.Wait();
    Post([snapshot = SnapshotOf(worker)](CRunView& view) { view.UpdateInformation(snapshot); });
    return m_cancel == 0;
}

void CQtRunDisplay::ShowProgress(CProgressWorker& worker, const Totals& totals, int action)
{
    Post([action, totals](CRunView& view) { view.OpenProgress(action, totals); });
    while (worker.Running) {
        Post([snapshot = SnapshotOf(worker, totals)](CRunView& view) { view.UpdateProgress(snapshot); });
        std::this_thread::sleep_for(m_interval);
    }
    worker.Wait();
    Post([snapshot = SnapshotOf(worker, totals)](CRunView& view) { view.UpdateProgress(snapshot); });
    Post([](CRunView& view) { view.CloseRunWindows(); });
}

void CQtRunDisplay::ShowSummary(const CProgressWorker& worker, int action)
{
    const std::string text = CConsoleDisplay::SummaryText(worker, action);
    Wait([&text, action](CRunView& view) { view.ShowSummary(text, action); });
}

void CQtRunDisplay::ShowError(const std::string& text)
{
    Post([text](CRunView& view) { view.ShowError(text); });
}

void CQtRunDisplay::RunEnded()
{
    Post([](CRunView& view) { view.CloseRunWindows(); });
}
