#include "app/WindowsModule.h"

#include "app/WindowHooks.h"
#include "platform/SharedLibrary.h"

#include <iostream>
#include <memory>

namespace {

bool Load(WindowHooks& hooks, int& argc, char** argv)
{
    CSharedLibrary library;
    auto entry = library.OpenPrivate(KORVANE_WINDOWS_LIBRARY)
        ? reinterpret_cast<WindowHooksEntry>(library.Symbol(kWindowHooksEntry))
        : nullptr;
    if (entry == nullptr) {
        std::cerr << "Korvane: the windows cannot be shown: " << library.Error() << "\n";
        return false;
    }
    entry(hooks, argc, argv);
    return true;
}

} // namespace

void CWindowsModule::Install(CKorvaneApp& app, int& argc, char** argv)
{
    auto hooks = std::make_shared<WindowHooks>();
    app.SetPrepareWindows(
        [hooks, &argc, argv](CKorvaneApp& self) { return Load(*hooks, argc, argv) && hooks->prepare(self); });
    // Start-up calls these only after the windows were prepared.
    app.SetMainWindow([hooks](CKorvaneApp& self) { return hooks->mainWindow(self); });
    app.SetInstanceGuard(
        [hooks](const std::optional<std::string>& firstArgument) { return hooks->instanceGuard(firstArgument); });
}
