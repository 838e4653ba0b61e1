#pragma once

#include "scheduler/RunDisplay.h"
#include "ui/RunView.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

// Copies of a finished copy worker's results for the summary window.
ActionSummaryData ActionSummaryOf(const CProgressWorker& worker, int action, bool cancelled = false);

// The run display of a windowed program, used on the thread that runs the
// action (a run thread or the scheduler thread). It opens the run view's
// windows by queued calls, reads the workers' counters here and publishes
// them as values to each window's monitor, and waits until the window has
// closed; the interface thread never waits for this one.
class CQtRunDisplay : public CRunDisplay {
public:
    // view and its receiver (a QObject on the interface thread) outlive
    // every run.
    CQtRunDisplay(CRunView& view, QObject* receiver, std::atomic<std::int32_t>& cancel);

    void SetWindowRules(const WindowRules& rules) override { m_rules = rules; }
    bool ShowInformation(CGetInfoWorker& worker, int action) override;
    // The window's details list the plan, and a restore's step says what
    // it will do to the source.
    bool WantsPlan(int /*action*/) const override { return true; }
    void ShowProgress(CProgressWorker& worker, const Totals& totals, int action) override;
    void ShowSummary(const CProgressWorker& worker, int action, bool cancelled) override;
    void ShowError(const std::string& text) override;

    // The run is over: its windows close.
    void RunEnded();

    // How often the counters are handed over (tests shorten it).
    void SetInterval(std::chrono::milliseconds interval) { m_interval = interval; }

private:
    void HandOverPlan(CGetInfoWorker& worker, const CInformationMonitor& monitor);
    void Post(std::function<void(CRunView&)> call);

    CRunView& m_view;
    QPointer<QObject> m_receiver;
    std::atomic<std::int32_t>& m_cancel;
    std::chrono::milliseconds m_interval { 100 };
    WindowRules m_rules;
};
