#pragma once

#include <QList>
#include <QRect>
#include <string>

class QWidget;

// Window placement in the settings file: HorizPos, VertPos, HorizSize and
// VertSize under a key such as "Init" (the main window) or
// "Settings\View Folders". Positions are the frame's top-left corner, sizes
// the client size, so that a save followed by a restore puts the window
// exactly where it was.
class CPlacement {
public:
    // Nothing is saved while the window is minimised.
    static void Save(const QWidget* window, bool savePosition, bool saveSize, const std::string& key);
    // Values of 0 (or missing, or an empty key) leave the window where it
    // is. A window that would lie off its screen (a monitor was unplugged,
    // the title bar was above the top) is pulled back onto the nearest one,
    // so it never opens out of reach. Best called before the window is
    // first shown, before its native window exists.
    static void Restore(QWidget* window, bool restorePosition, bool restoreSize, const std::string& key);
    // Makes the window fit the available area of its screen at any scale:
    // minimum sizes too large for it are lowered, a larger window shrinks,
    // and the frame is moved inside the area. Fitted again, with the real
    // frame, once the window manager has framed it.
    static void FitToScreen(QWidget* window);
    // Fits the shown window again once the window manager has framed it
    // (and so its frame's size is known).
    static void FitOnceFramed(QWidget* window);

    // The frame moved, and shrunk where it is larger, to lie inside area.
    static QRect Clamped(const QRect& frame, const QRect& area);
    // Of the areas, the one under the frame's centre, else the nearest.
    static QRect NearestArea(const QRect& frame, const QList<QRect>& areas);
    // Where a frame goes on screens with these available areas: inside the
    // nearest one, whose title bar can then always be grabbed.
    static QRect Fitted(const QRect& frame, const QList<QRect>& areas);
};
