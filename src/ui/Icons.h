#pragma once

#include <QIcon>
#include <QString>

// Korvane's own icons (SVG drawings compiled in) and the desktop theme's
// icons for standard actions, with Korvane's drawing as the fallback.
class CIcons {
public:
    // One of the drawings in resources/icons, by file name without ".svg".
    static QIcon Own(const QString& name);
    // The theme's icon of that name, else Korvane's drawing of the same name.
    static QIcon Themed(const QString& name);
    static QIcon Application() { return Own(QStringLiteral("korvane")); }
};
