#include "ui/RunController.h"

#include "scheduler/ActionFlags.h"
#include "ui/BlockingCall.h"
#include "ui/TrayIcon.h"
#include "ui/WindowedRunDisplay.h"

#include <QThread>
#include <QWidget>
#include <chrono>
#include <thread>

CRunController::CRunController(
    CActionFlags& flags, RunnerFactory factory, CRunView& view, QObject* viewReceiver, QObject* parent)
    : QObject(parent)
    , m_flags(flags)
    , m_factory(std::move(factory))
    , m_view(view)
    , m_viewReceiver(viewReceiver)
{
}

CRunController::~CRunController()
{
    // The program ends only once the run has (see the main window's close).
    if (m_thread) {
        m_flags.ActionCancel = 1;
        m_thread->wait();
    }
}

void CRunController::SetDesktop(CTrayIcon* tray, QWidget* owner, int shutdownPeriodMs)
{
    m_tray = tray;
    m_owner = owner;
    m_shutdownPeriodMs = shutdownPeriodMs;
}

bool CRunController::AnyRunning() const
{
    return Busy() || m_scheduledRuns > 0 || m_flags.ActionRunning != 0;
}

void CRunController::CancelRunning()
{
    if (AnyRunning())
        m_flags.ActionCancel = 1;
}

// Runs on the run's thread: the window's passes are stopped on the
// interface thread, and waited for here.
void CRunController::StopScansFromRun()
{
    if (!m_stopScans || !m_viewReceiver)
        return;
    std::vector<std::function<bool()>> running;
    CallBlocking(m_viewReceiver, [this, &running] { running = m_stopScans(); });
    for (const auto& stillRunning : running) {
        while (stillRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

RunResult CRunController::RunOnThisThread(const std::function<RunResult(CActionRunner&)>& run)
{
    CWindowedRunDisplay display(
        m_view, m_viewReceiver, m_flags.ActionCancel, m_tray.data(), m_owner.data(), m_shutdownPeriodMs);
    display.SetNotices(m_notices);
    std::unique_ptr<CActionRunner> runner = m_factory(display);
    runner->SetStopFolderScans([this] { StopScansFromRun(); });
    const RunResult result = run(*runner);
    display.RunEnded();
    if (result == RunResult::PoweredOff)
        Q_EMIT PoweringOff();
    return result;
}

bool CRunController::Execute(int entry, int action)
{
    if (m_thread)
        return false;
    auto result = std::make_shared<std::atomic<int>>(static_cast<int>(RunResult::NotRun));
    m_thread = QThread::create([this, entry, action, result] {
        const RunResult ended = RunOnThisThread([entry, action](CActionRunner& runner) {
            return entry < 0 ? runner.RunActiveSet() : runner.RunEntry(entry, action);
        });
        result->store(static_cast<int>(ended));
    });
    m_thread->setObjectName(QStringLiteral("korvane-run"));
    connect(m_thread, &QThread::finished, this, [this, result] {
        m_thread->deleteLater();
        m_thread = nullptr;
        Q_EMIT RunFinished(result->load());
    });
    m_thread->start();
    return true;
}

RunResult CRunController::RunScheduled(const CSet& set)
{
    ++m_scheduledRuns;
    const RunResult result = RunOnThisThread([&set](CActionRunner& runner) { return runner.RunScheduled(set); });
    --m_scheduledRuns;
    return result;
}
