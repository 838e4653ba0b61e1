#pragma once

#include "scheduler/ActionRunner.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class CRunDisplay;
class CRunNotices;
class CRunView;
class CSet;
class CTrayIcon;
class QThread;
class QWidget;
struct CActionFlags;

// Runs the main window's actions on a thread of their own, and scheduled
// events on the scheduler's thread, each with a Qt run display that feeds
// the run view. The interface thread only starts runs and hears of their end
// (RunFinished); it never waits for one.
class CRunController : public QObject {
    Q_OBJECT

public:
    // Makes a runner that shows itself on display.
    using RunnerFactory = std::function<std::unique_ptr<CActionRunner>(CRunDisplay& display)>;
    // Stops the window's folder statistics passes (on the interface thread)
    // and returns a "still running" test for each, to wait on off it.
    using StopScans = std::function<std::vector<std::function<bool()>>()>;

    CRunController(
        CActionFlags& flags, RunnerFactory factory, CRunView& view, QObject* viewReceiver, QObject* parent = nullptr);
    ~CRunController() override;

    void SetStopScans(StopScans stop) { m_stopScans = std::move(stop); }
    // The tray icon the runs drive and the window that owns the shutdown
    // countdown; both outlive the controller. The period is the countdown's
    // second (tests shorten it).
    void SetDesktop(CTrayIcon* tray, QWidget* owner, int shutdownPeriodMs = 1000);
    // Where scheduled events tell how they ended; it outlives the controller.
    void SetNotices(CRunNotices* notices) { m_notices = notices; }

    // Starts a run of the active set (entry -1) or of one entry with action;
    // false when a run of this window is still going.
    bool Execute(int entry = -1, int action = 0);
    // A scheduled event, on the scheduler's thread; returns when it is over.
    RunResult RunScheduled(const CSet& set);

    // A run started here is still going (its thread has not ended).
    bool Busy() const { return m_thread != nullptr; }
    // Any run, a scheduled one included.
    bool AnyRunning() const;
    // Sets the cancel flag of the running action.
    void CancelRunning();

Q_SIGNALS:
    void RunFinished(int result);
    // A run's countdown ran out and the power-off was accepted (a manual or
    // a scheduled run; emitted on the run's thread).
    void PoweringOff();

private:
    RunResult RunOnThisThread(const std::function<RunResult(CActionRunner&)>& run);
    void StopScansFromRun();

    CActionFlags& m_flags;
    RunnerFactory m_factory;
    CRunView& m_view;
    QPointer<QObject> m_viewReceiver;
    StopScans m_stopScans;
    QPointer<CTrayIcon> m_tray;
    QPointer<QWidget> m_owner;
    int m_shutdownPeriodMs = 1000;
    CRunNotices* m_notices = nullptr;
    QThread* m_thread = nullptr;
    std::atomic<int> m_scheduledRuns { 0 };
};
