#include "platform/DesktopNotifications.h"

void CDesktopNotifications::Send(const DesktopNotification& notification, std::function<void(bool)> done)
{
    std::string error;
    const NotifyEntry entry = CDesktopLibrary::Notify(error);
    if (entry == nullptr) {
        done(false);
        return;
    }
    entry(notification, std::move(done));
}
