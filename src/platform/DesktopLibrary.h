#pragma once

#include <functional>
#include <string>

class CPasswordStore;

// One desktop notification (org.freedesktop.Notifications).
struct DesktopNotification {
    std::string Summary;
    std::string Body;
    bool Critical = false; // urgency 2, which most desktops keep until seen
    // How long the call may take before it counts as not delivered.
    unsigned TimeoutMs = 5000;
};
// Sends notification without waiting for it; done(delivered) is called
// once, on a thread of the library's own, when the notification service
// answered, refused, was not found or the time ran out.
using NotifyEntry = void (*)(const DesktopNotification& notification, std::function<void(bool)> done);
inline constexpr const char* kNotifyEntry = "KorvaneNotify";

// A new keyring store, which the caller owns.
using KeyringStoreEntry = CPasswordStore* (*)(const char* service, unsigned timeoutMs);
inline constexpr const char* kKeyringStoreEntry = "KorvaneNewKeyringStore";
// logind's PowerOff over the system bus; true when it was accepted.
using LogindPowerOffEntry = bool (*)();
inline constexpr const char* kLogindPowerOffEntry = "KorvaneLogindPowerOff";

// The program's desktop library: the keyring (QtKeychain), logind's
// power-off and desktop notifications, all over D-Bus. It is loaded at the first call that needs it,
// so that a run which neither asks the keyring nor switches the computer
// off never maps QtKeychain, Qt D-Bus, libdbus and libsystemd.
class CDesktopLibrary {
public:
    // The entry points, or null with the loader's reason in error. The
    // library is loaded once; a failure is remembered, since its file does
    // not come back during a run.
    static KeyringStoreEntry KeyringStore(std::string& error);
    static LogindPowerOffEntry LogindPowerOff(std::string& error);
    static NotifyEntry Notify(std::string& error);
};

extern "C" __attribute__((visibility("default"))) bool KorvaneLogindPowerOff();
