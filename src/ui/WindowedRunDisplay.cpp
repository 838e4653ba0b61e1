#include "ui/WindowedRunDisplay.h"

#include "scheduler/ShutdownCountdown.h"
#include "ui/RunNotices.h"
#include "ui/ShutDownDlg.h"
#include "ui/TrayIcon.h"

#include <QWidget>
#include <future>

namespace {

// Wakes the run once the countdown window has closed. When the queued call
// that opens the window is dropped (its owner went away) or the window goes
// without closing normally, the last holder lets go and the countdown counts
// as cancelled: the run never waits for a window that will not come.
class ShutdownWait {
public:
    explicit ShutdownWait(CShutdownCountdown& countdown)
        : m_countdown(countdown)
    {
    }
    ~ShutdownWait() { Finish(true); }
    ShutdownWait(const ShutdownWait&) = delete;
    ShutdownWait& operator=(const ShutdownWait&) = delete;

    void Finish(bool cancel)
    {
        if (m_finished.exchange(true))
            return;
        if (cancel)
            m_countdown.Cancel();
        m_done.set_value();
    }
    std::future<void> Done() { return m_done.get_future(); }

    // The queued call orders the hand-over, but inside Qt, which Debian does
    // not build with ThreadSanitizer; the flag states that order where the
    // thread checker sees it.
    void Post() { m_posted.store(true, std::memory_order_release); }
    void Receive() { static_cast<void>(m_posted.load(std::memory_order_acquire)); }

private:
    CShutdownCountdown& m_countdown;
    std::promise<void> m_done;
    std::atomic<bool> m_finished { false };
    std::atomic<bool> m_posted { false };
};

} // namespace

CWindowedRunDisplay::CWindowedRunDisplay(CRunView& view, QObject* receiver, std::atomic<std::int32_t>& cancel,
    CTrayIcon* tray, QWidget* owner, int shutdownPeriodMs)
    : CQtRunDisplay(view, receiver, cancel)
    , m_tray(tray)
    , m_owner(owner)
    , m_shutdownPeriodMs(shutdownPeriodMs)
{
}

void CWindowedRunDisplay::PostToTray(std::function<void(CTrayIcon&)> call)
{
    CTrayIcon* tray = m_tray.data();
    if (!tray)
        return;
    QMetaObject::invokeMethod(
        tray, [tray, call = std::move(call)] { call(*tray); }, Qt::QueuedConnection);
}

void CWindowedRunDisplay::SetTrayTooltip(const std::string& text)
{
    PostToTray([tip = QString::fromStdString(text)](CTrayIcon& tray) { tray.SetTooltip(tip); });
}

bool CWindowedRunDisplay::TrayHidden() const
{
    const CTrayIcon* tray = m_tray.data();
    return !tray || tray->Hidden();
}

void CWindowedRunDisplay::ShowTray()
{
    PostToTray([](CTrayIcon& tray) { tray.ShowIcon(); });
}

void CWindowedRunDisplay::HideTray()
{
    PostToTray([](CTrayIcon& tray) { tray.HideIcon(); });
}

void CWindowedRunDisplay::ShowBalloon(const std::string& title, const std::string& text, int seconds)
{
    PostToTray([title = QString::fromStdString(title), text = QString::fromStdString(text), seconds](
                   CTrayIcon& tray) { tray.ShowBalloon(text, title, QSystemTrayIcon::Information, seconds); });
}

void CWindowedRunDisplay::SetTrayMenu(int menu)
{
    PostToTray([menu](CTrayIcon& tray) { tray.SetMenu(menu); });
}

void CWindowedRunDisplay::AnimateTray(bool on)
{
    PostToTray([on](CTrayIcon& tray) {
        if (on)
            tray.Animate(CTrayIcon::kFrameDelayMs, -1);
        else
            tray.StopAnimation();
    });
}

void CWindowedRunDisplay::ShowShutdown(CShutdownCountdown& countdown)
{
    QWidget* owner = m_owner.data();
    if (!owner) {
        countdown.Cancel();
        return;
    }
    auto wait = std::make_shared<ShutdownWait>(countdown);
    std::future<void> done = wait->Done();
    const int period = m_shutdownPeriodMs;
    wait->Post();
    QMetaObject::invokeMethod(
        owner,
        [owner, wait, &countdown, period]() mutable {
            wait->Receive();
            auto* dialog = new CShutDownDlg(countdown, owner, period);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            // The connection holds the last share of wait: a window destroyed
            // without finishing (the main window closing) lets it go unset.
            QObject::connect(
                dialog, &QDialog::finished, dialog, [wait](int result) { wait->Finish(result != QDialog::Accepted); });
            wait.reset();
            dialog->open();
        },
        Qt::QueuedConnection);
    wait.reset();
    done.wait();
}

void CWindowedRunDisplay::ReportScheduledOutcome(const ScheduledOutcome& outcome)
{
    if (m_notices)
        m_notices->PostOutcome(outcome);
}
