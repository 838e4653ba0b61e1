#pragma once

#include "platform/DesktopLibrary.h"
#include "scheduler/RunDisplay.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <string>

class CRunView;
class CTrayIcon;

// Tells the user what the scheduler did while no one watched: how each
// scheduled event ended and that a set is overdue. A desktop notification
// first; where no notification service answers, the tray's balloon; where
// the icon cannot be seen either, a failure in a message box (when the
// scheduler's DisplayError allows) and a success not at all. Lives on the
// interface thread and never waits there: the service answers on a thread
// of its own and the fallback comes back by a queued call.
class CRunNotices : public QObject {
    Q_OBJECT

public:
    using Sender = std::function<void(const DesktopNotification&, std::function<void(bool)>)>;

    // tray and view outlive this object (the main window owns all three).
    CRunNotices(CTrayIcon* tray, CRunView& view, QObject* parent = nullptr);

    // The desktop library's sender by default; tests reach a bus of their own.
    void SetSender(Sender sender) { m_sender = std::move(sender); }
    // How long a notification service may take (tests shorten it).
    void SetTimeout(unsigned milliseconds) { m_timeoutMs = milliseconds; }

    // Any thread: hands the outcome to the interface thread.
    void PostOutcome(const CRunDisplay::ScheduledOutcome& outcome);
    void TellOutcome(const CRunDisplay::ScheduledOutcome& outcome);
    void TellOverdue(const std::string& text);

    // What the last fallback did, for tests: "balloon", "box" or "none".
    std::string LastFallback() const { return m_lastFallback; }
    // How many notifications were answered and not.
    int Delivered() const { return m_delivered; }
    int NotDelivered() const { return m_notDelivered; }

Q_SIGNALS:
    // A scheduled event's outcome reached the interface thread.
    void OutcomeTold();

private:
    struct Notice {
        std::string Title;
        std::string Text;
        bool Failure = false;
        bool BoxAllowed = false;
    };
    void Send(const Notice& notice);
    void Answered(const Notice& notice, bool delivered);

    QPointer<CTrayIcon> m_tray;
    CRunView& m_view;
    Sender m_sender;
    unsigned m_timeoutMs = 5000;
    std::string m_lastFallback;
    int m_delivered = 0;
    int m_notDelivered = 0;
};
