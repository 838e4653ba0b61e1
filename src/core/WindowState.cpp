#include "core/WindowState.h"

#include "platform/MyRegistry.h"

#include <cstdint>

namespace {

constexpr const char* kInfoKey = "Info";
constexpr const char* kLastSession = "LastSession";

// The stored 32 bits as the signed number they stand for: 4294967295 and
// -1 are both -1.
int Signed(CMyRegistry& registry, const char* name)
{
    return static_cast<std::int32_t>(registry.ReadNumber(name, 0));
}

} // namespace

WindowPlacement CWindowState::Placement(const std::string& key) const
{
    WindowPlacement placement;
    CMyRegistry registry;
    registry.SetAccess(KeyRead);
    if (registry.OpenKey(key) != RegSuccess)
        return placement;
    placement.HorizPos = Signed(registry, "HorizPos");
    placement.VertPos = Signed(registry, "VertPos");
    placement.HorizSize = Signed(registry, "HorizSize");
    placement.VertSize = Signed(registry, "VertSize");
    return placement;
}

void CWindowState::SetPlacement(const std::string& key, const WindowPlacement& placement, bool position, bool size)
{
    CMyRegistry registry;
    if (registry.CreateKey(key) != RegSuccess)
        return;
    if (position) {
        registry.WriteSignedNumber("HorizPos", placement.HorizPos);
        registry.WriteSignedNumber("VertPos", placement.VertPos);
    }
    if (size) {
        registry.WriteSignedNumber("HorizSize", placement.HorizSize);
        registry.WriteSignedNumber("VertSize", placement.VertSize);
    }
}

std::vector<std::string> CWindowState::History(const std::string& key, const std::string& prefix) const
{
    std::vector<std::string> entries;
    CMyRegistry registry;
    registry.SetAccess(KeyRead);
    if (registry.OpenKey(key) != RegSuccess)
        return entries;
    for (std::size_t i = 0; i < kMaxHistory; ++i) {
        std::string value = registry.ReadString(prefix + std::to_string(i), "");
        if (value.empty())
            break;
        entries.push_back(std::move(value));
    }
    return entries;
}

void CWindowState::SetHistory(
    const std::string& key, const std::string& prefix, const std::vector<std::string>& entries)
{
    CMyRegistry registry;
    if (registry.CreateKey(key) != RegSuccess)
        return;
    for (std::size_t i = 0; i < entries.size(); ++i)
        registry.WriteString(prefix + std::to_string(i), entries[i]);
    registry.WriteString(prefix + std::to_string(entries.size()), "");
}

std::string CWindowState::LastSession() const
{
    CMyRegistry registry;
    registry.SetAccess(KeyRead);
    if (registry.OpenKey(kInfoKey) != RegSuccess)
        return {};
    return registry.ReadString(kLastSession, "");
}

void CWindowState::SetLastSession(const std::string& path)
{
    CMyRegistry registry;
    if (registry.CreateKey(kInfoKey) != RegSuccess)
        return;
    registry.WriteString(kLastSession, path);
}
