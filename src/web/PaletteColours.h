#pragma once

#include <QColor>

class QPalette;

// Colours the windows draw with that are not a palette role of their own,
// worked out from the palette in force so that light and dark desktop
// themes both read; with the usual light palette they come out as the
// colours the windows always had.
class CPaletteColours {
public:
    // The contrast ratio of two colours, 1 (none) to 21 (black on white),
    // from their relative luminance as the accessibility guidelines define it.
    static double Contrast(const QColor& a, const QColor& b);
    static double Luminance(const QColor& colour);
    // from moved share (0..1) of the way towards to.
    static QColor Blend(const QColor& from, const QColor& to, double share);

    // The shading of a list's sorted column: the list's base moved a little
    // towards its text (0xF7F7F7 on white).
    static QColor SortedColumn(const QPalette& palette);
    // The background of a row that warns (a missing folder): the base tinted
    // red (255, 192, 192 on white), dark red under a dark theme.
    static QColor Warning(const QPalette& palette);
    // The palette's link colour, moved towards the window text until it
    // reads on the window: a dark theme often keeps the default dark blue.
    static QColor ReadableLink(const QPalette& palette);

    // The contrast a text colour needs on its background.
    static constexpr double kReadable = 4.5;
};
