#pragma once

#include "ui/QtRunDisplay.h"

#include <QPointer>

class CRunNotices;
class CTrayIcon;
class QWidget;

// The run display of the windowed program with what a run shows outside its
// own windows: the tray icon and the shutdown countdown. Used on the run's
// thread (a run thread, the scheduler thread, the copy worker's ticker); it
// reaches the tray and the countdown window on the interface thread by
// queued calls carrying values, and waits only for the countdown window.
class CWindowedRunDisplay : public CQtRunDisplay {
public:
    // tray and owner live on the interface thread and outlive every run (the
    // main window ends its runs before it lets go of them).
    CWindowedRunDisplay(CRunView& view, QObject* receiver, std::atomic<std::int32_t>& cancel, CTrayIcon* tray,
        QWidget* owner, int shutdownPeriodMs = 1000);

    void SetTrayTooltip(const std::string& text) override;
    bool TrayHidden() const override;
    void ShowTray() override;
    void HideTray() override;
    void ShowBalloon(const std::string& title, const std::string& text, int seconds) override;
    void SetTrayMenu(int menu) override;
    void AnimateTray(bool on) override;
    // Opens the countdown window on the interface thread and returns when it
    // has closed; a window that cannot open counts as cancelled.
    void ShowShutdown(CShutdownCountdown& countdown) override;
    // Through the notices, which outlive every run like the tray.
    void ReportScheduledOutcome(const ScheduledOutcome& outcome) override;
    void SetNotices(CRunNotices* notices) { m_notices = notices; }

private:
    void PostToTray(std::function<void(CTrayIcon&)> call);

    QPointer<CTrayIcon> m_tray;
    QPointer<QWidget> m_owner;
    int m_shutdownPeriodMs;
    CRunNotices* m_notices = nullptr;
};
