#include "platform/DesktopLibrary.h"
#include "platform/desktop/DesktopThread.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QThread>
#include <QVariantMap>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <type_traits>

namespace {

// The calls go out from one thread of the library's own with an event loop,
// so the answer (or its time-out) arrives whatever the asking thread does:
// the interface thread never waits for a notification service.
CDesktopThread& NotifyThread()
{
    static CDesktopThread thread("notify");
    return thread;
}

// The session bus as the environment names it now: a connection of its own
// per address, so a bus that changed since the last notification (a test's
// private bus) is the one reached.
QDBusConnection SessionBus()
{
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == nullptr || *address == '\0')
        return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("korvane-notify"));
    const QString text = QString::fromUtf8(address);
    return QDBusConnection::connectToBus(text, QStringLiteral("korvane-notify ") + text);
}

QDBusMessage NotifyCall(const DesktopNotification& notification)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"), QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(notification.Critical ? 2 : 1));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("korvane"));
    call << QStringLiteral("Korvane") << 0u << QStringLiteral("korvane") << QString::fromStdString(notification.Summary)
         << QString::fromStdString(notification.Body) << QStringList() << hints << -1;
    return call;
}

// On the notify thread.
void SendNow(const DesktopNotification& notification, const std::function<void(bool)>& done)
{
    QDBusConnection bus = SessionBus();
    if (!bus.isConnected()) {
        done(false);
        return;
    }
    const QDBusPendingCall pending = bus.asyncCall(NotifyCall(notification), static_cast<int>(notification.TimeoutMs));
    auto* watcher = new QDBusPendingCallWatcher(pending, NotifyThread().Context());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, NotifyThread().Context(),
        [done](QDBusPendingCallWatcher* finished) {
            done(!finished->isError());
            finished->deleteLater();
        });
}

} // namespace

extern "C" __attribute__((visibility("default"))) void KorvaneNotify(
    const DesktopNotification& notification, std::function<void(bool)> done)
{
    static_assert(std::is_same_v<decltype(&KorvaneNotify), NotifyEntry>);
    // Qt's event loops, the notify thread's among them, need the
    // application object.
    if (QCoreApplication::instance() == nullptr) {
        done(false);
        return;
    }
    NotifyThread().Post(
        [notification, done = std::move(done)] { SendNow(notification, done); });
}
