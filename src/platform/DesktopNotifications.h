#pragma once

#include "platform/DesktopLibrary.h"

// Desktop notifications as the program sends them: through the desktop
// library, loaded at the first notification, so that a run which tells
// nothing never maps Qt D-Bus. Where the library cannot be loaded, done is
// told at once that nothing was delivered.
class CDesktopNotifications {
public:
    static void Send(const DesktopNotification& notification, std::function<void(bool)> done);
};
