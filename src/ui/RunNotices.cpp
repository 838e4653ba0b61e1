#include "ui/RunNotices.h"

#include "platform/DesktopNotifications.h"
#include "ui/RunView.h"
#include "ui/TrayIcon.h"

#include <QCoreApplication>

namespace {

constexpr int kBalloonSeconds = 10;

} // namespace

CRunNotices::CRunNotices(CTrayIcon* tray, CRunView& view, QObject* parent)
    : QObject(parent)
    , m_tray(tray)
    , m_view(view)
    , m_sender(&CDesktopNotifications::Send)
{
}

void CRunNotices::PostOutcome(const CRunDisplay::ScheduledOutcome& outcome)
{
    QPointer<CRunNotices> self(this);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [self, outcome] {
            if (self)
                self->TellOutcome(outcome);
        },
        Qt::QueuedConnection);
}

void CRunNotices::TellOutcome(const CRunDisplay::ScheduledOutcome& outcome)
{
    Q_EMIT OutcomeTold();
    if (outcome.Succeeded && !outcome.Notify)
        return;
    Notice notice;
    notice.Title = outcome.Succeeded ? "Scheduled Event Completed" : "Scheduled Event Failed";
    notice.Text = outcome.Text;
    notice.Failure = !outcome.Succeeded;
    notice.BoxAllowed = outcome.ShowErrors;
    Send(notice);
}

void CRunNotices::TellOverdue(const std::string& text)
{
    Notice notice;
    notice.Title = "Scheduled Event Overdue";
    notice.Text = text;
    notice.Failure = true;
    // A set that is only late never opens a window by itself.
    notice.BoxAllowed = false;
    Send(notice);
}

void CRunNotices::Send(const Notice& notice)
{
    DesktopNotification notification;
    notification.Summary = notice.Title;
    notification.Body = notice.Text;
    notification.Critical = notice.Failure;
    notification.TimeoutMs = m_timeoutMs;
    QPointer<CRunNotices> self(this);
    // The answer comes on the sender's thread, or at once.
    m_sender(notification, [self, notice](bool delivered) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, notice, delivered] {
                if (self)
                    self->Answered(notice, delivered);
            },
            Qt::QueuedConnection);
    });
}

void CRunNotices::Answered(const Notice& notice, bool delivered)
{
    if (delivered) {
        ++m_delivered;
        return;
    }
    ++m_notDelivered;
    if (m_tray && m_tray->Available() && !m_tray->Hidden()) {
        m_tray->ShowBalloon(QString::fromStdString(notice.Text), QString::fromStdString(notice.Title),
            notice.Failure ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information, kBalloonSeconds);
        m_lastFallback = "balloon";
        return;
    }
    if (notice.Failure && notice.BoxAllowed) {
        m_view.ShowError(notice.Text);
        m_lastFallback = "box";
        return;
    }
    m_lastFallback = "none";
}
