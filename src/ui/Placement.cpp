#include "ui/Placement.h"

#include "platform/MyRegistry.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace {

bool OnSomeScreen(const QRect& frame)
{
    const auto screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        // The title bar must be reachable: a strip of the top of the window.
        const QRect titleStrip(frame.left(), frame.top(), frame.width(), 24);
        if (screen->availableGeometry().intersects(titleStrip))
            return true;
    }
    return screens.isEmpty();
}

} // namespace

void CPlacement::Save(const QWidget* window, bool savePosition, bool saveSize, const std::string& key)
{
    if (!window || window->isMinimized())
        return;
    CMyRegistry registry;
    if (registry.CreateKey(key) != RegSuccess)
        return;
    if (savePosition) {
        registry.WriteNumber("HorizPos", static_cast<std::uint32_t>(window->pos().x()));
        registry.WriteNumber("VertPos", static_cast<std::uint32_t>(window->pos().y()));
    }
    if (saveSize) {
        registry.WriteNumber("HorizSize", static_cast<std::uint32_t>(window->width()));
        registry.WriteNumber("VertSize", static_cast<std::uint32_t>(window->height()));
    }
}

void CPlacement::Restore(QWidget* window, bool restorePosition, bool restoreSize, const std::string& key)
{
    if (!window)
        return;
    CMyRegistry registry;
    registry.SetAccess(KeyRead);
    if (registry.OpenKey(key) != RegSuccess)
        return;
    const int x = static_cast<std::int32_t>(registry.ReadNumber("HorizPos", 0));
    const int y = static_cast<std::int32_t>(registry.ReadNumber("VertPos", 0));
    const int width = static_cast<std::int32_t>(registry.ReadNumber("HorizSize", 0));
    const int height = static_cast<std::int32_t>(registry.ReadNumber("VertSize", 0));
    if (restoreSize && width > 0 && height > 0)
        window->resize(width, height);
    if (restorePosition && x != 0 && y != 0 && OnSomeScreen(QRect(x, y, window->width(), window->height())))
        window->move(x, y);
}
