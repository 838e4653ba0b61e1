#include "app/WindowsModule.h"

#include "app/WindowHooks.h"
#include "platform/ProgramInfo.h"
#include "platform/SharedLibrary.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

namespace {

bool Exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The first candidate that exists; else the installed location, so that the
// loader's reason names where an installation should have it.
std::string LibraryPath()
{
    const std::vector<std::string> candidates = CWindowsModule::Candidates(ExecutablePath("korvane"));
    for (const std::string& candidate : candidates) {
        if (Exists(candidate))
            return candidate;
    }
    return candidates.back();
}

bool Load(WindowHooks& hooks, int& argc, char** argv)
{
    CSharedLibrary library;
    const std::string path = LibraryPath();
    auto entry = library.Open(path) ? reinterpret_cast<WindowHooksEntry>(library.Symbol(kWindowHooksEntry)) : nullptr;
    if (entry == nullptr) {
        std::cerr << "Korvane: the windows cannot be shown: " << library.Error() << "\n";
        return false;
    }
    entry(hooks, argc, argv);
    return true;
}

} // namespace

std::vector<std::string> CWindowsModule::Candidates(const std::string& programPath)
{
    const std::filesystem::path folder = std::filesystem::path(programPath).parent_path();
    return { (folder / KORVANE_WINDOWS_LIBRARY).string(),
        (folder / KORVANE_PRIVATE_LIBDIR / KORVANE_WINDOWS_LIBRARY).lexically_normal().string() };
}

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
