#pragma once

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
    // Values of 0 (or missing) leave the window where it is. A position
    // that lies on no screen any more (a monitor was unplugged) is not used,
    // so the window never opens out of reach.
    static void Restore(QWidget* window, bool restorePosition, bool restoreSize, const std::string& key);
};
