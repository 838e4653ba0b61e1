#include "ui/Placement.h"

#include "core/WindowState.h"
#include "ui/FrameSettler.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <climits>

namespace {

QList<QRect> AvailableAreas()
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

QMargins FrameMargins(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
        frame.bottom() - client.bottom());
}

} // namespace

QRect CPlacement::Clamped(const QRect& frame, const QRect& area)
{
    const int width = std::min(frame.width(), area.width());
    const int height = std::min(frame.height(), area.height());
    const int x = std::clamp(frame.left(), area.left(), area.left() + area.width() - width);
    const int y = std::clamp(frame.top(), area.top(), area.top() + area.height() - height);
    return QRect(x, y, width, height);
}

QRect CPlacement::NearestArea(const QRect& frame, const QList<QRect>& areas)
{
    const QPoint centre = frame.center();
    QRect nearest;
    long best = LONG_MAX;
    for (const QRect& area : areas) {
        if (area.contains(centre))
            return area;
        const long dx = std::max({ area.left() - centre.x(), 0, centre.x() - area.right() });
        const long dy = std::max({ area.top() - centre.y(), 0, centre.y() - area.bottom() });
        if (dx * dx + dy * dy < best) {
            best = dx * dx + dy * dy;
            nearest = area;
        }
    }
    return nearest;
}

QRect CPlacement::Fitted(const QRect& frame, const QList<QRect>& areas)
{
    const QRect area = NearestArea(frame, areas);
    return area.isEmpty() ? frame : Clamped(frame, area);
}

void CPlacement::Save(const QWidget* window, bool savePosition, bool saveSize, const std::string& key)
{
    if (!window || window->isMinimized())
        return;
    const QPoint corner = window->frameGeometry().topLeft();
    const WindowPlacement placement { corner.x(), corner.y(), window->width(), window->height() };
    CWindowState().SetPlacement(key, placement, savePosition, saveSize);
}

void CPlacement::Restore(QWidget* window, bool restorePosition, bool restoreSize, const std::string& key)
{
    if (!window)
        return;
    const WindowPlacement saved = key.empty() ? WindowPlacement {} : CWindowState().Placement(key);
    if (restoreSize && saved.HorizSize > 0 && saved.VertSize > 0)
        window->resize(saved.HorizSize, saved.VertSize);
    const bool moved = restorePosition && saved.HorizPos != 0 && saved.VertPos != 0;
    if (moved)
        window->move(saved.HorizPos, saved.VertPos);
    FitToScreen(window);
    // Before the native window exists, Qt takes the position as the
    // frame's and the window manager places the frame there. Afterwards
    // it is the client's until the frame is known, and is set again then.
    if (window->testAttribute(Qt::WA_WState_Created))
        CFrameSettler::Attach(window, moved ? std::optional(window->frameGeometry().topLeft()) : std::nullopt);
}

void CPlacement::FitOnceFramed(QWidget* window)
{
    if (window && !CFrameSettler::Attached(window))
        CFrameSettler::Attach(window, std::nullopt);
}

void CPlacement::FitToScreen(QWidget* window)
{
    if (!window || window->isMaximized() || window->isFullScreen())
        return;
    const QRect area = NearestArea(window->frameGeometry(), AvailableAreas());
    if (area.isEmpty())
        return;
    const QMargins margins = FrameMargins(window);
    const QSize room = area.size().shrunkBy(margins);
    // A minimum the area cannot hold would push the buttons off the screen;
    // the window's layout follows it down as it does any resize.
    if (window->minimumSize() == window->maximumSize())
        window->setFixedSize(window->maximumSize().boundedTo(room));
    else
        window->setMinimumSize(window->minimumSize().boundedTo(room));
    const QSize size = window->size().boundedTo(room);
    if (size != window->size())
        window->resize(size);
    const QRect frame = Fitted(window->frameGeometry(), { area });
    if (frame.topLeft() != window->frameGeometry().topLeft())
        window->move(frame.topLeft());
}
