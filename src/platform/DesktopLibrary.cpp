#include "platform/DesktopLibrary.h"

#include "platform/SharedLibrary.h"

#include <mutex>

namespace {

struct Loaded {
    KeyringStoreEntry keyringStore = nullptr;
    LogindPowerOffEntry logindPowerOff = nullptr;
    NotifyEntry notify = nullptr;
    std::string error;
};

const Loaded& Library()
{
    static Loaded loaded;
    static std::once_flag once;
    std::call_once(once, [] {
        CSharedLibrary library;
        if (library.OpenPrivate(KORVANE_DESKTOP_LIBRARY)) {
            loaded.keyringStore = reinterpret_cast<KeyringStoreEntry>(library.Symbol(kKeyringStoreEntry));
            loaded.logindPowerOff = reinterpret_cast<LogindPowerOffEntry>(library.Symbol(kLogindPowerOffEntry));
            loaded.notify = reinterpret_cast<NotifyEntry>(library.Symbol(kNotifyEntry));
        }
        if (loaded.keyringStore == nullptr || loaded.logindPowerOff == nullptr || loaded.notify == nullptr) {
            loaded = {};
            loaded.error = "the desktop library cannot be loaded: " + library.Error();
        }
    });
    return loaded;
}

} // namespace

KeyringStoreEntry CDesktopLibrary::KeyringStore(std::string& error)
{
    error = Library().error;
    return Library().keyringStore;
}

LogindPowerOffEntry CDesktopLibrary::LogindPowerOff(std::string& error)
{
    error = Library().error;
    return Library().logindPowerOff;
}

NotifyEntry CDesktopLibrary::Notify(std::string& error)
{
    error = Library().error;
    return Library().notify;
}
