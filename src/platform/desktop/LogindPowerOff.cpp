#include "platform/DesktopLibrary.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariant>
#include <type_traits>

bool KorvaneLogindPowerOff()
{
    static_assert(std::is_same_v<decltype(&KorvaneLogindPowerOff), LogindPowerOffEntry>);
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PowerOff"));
    // false: no interactive authorisation prompt; an unattended run has no one to ask.
    call << QVariant(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ReplyMessage;
}
