#include "web/PaletteColours.h"

#include <QPalette>
#include <algorithm>
#include <cmath>

namespace {

// 8 of 255 towards the text: white base and black text give 0xF7F7F7.
constexpr double kSortedShare = 8.0 / 255.0;
// About a quarter of the way to pure red: a white base gives 255, 192, 192.
constexpr double kWarningShare = 63.0 / 255.0;
constexpr double kLinkStep = 0.05;

double Linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

int Mix(int from, int to, double share)
{
    return static_cast<int>(std::lround(from + (to - from) * share));
}

} // namespace

double CPaletteColours::Luminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * Linear(rgb.redF()) + 0.7152 * Linear(rgb.greenF()) + 0.0722 * Linear(rgb.blueF());
}

double CPaletteColours::Contrast(const QColor& a, const QColor& b)
{
    const double first = Luminance(a);
    const double second = Luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor CPaletteColours::Blend(const QColor& from, const QColor& to, double share)
{
    const double s = std::clamp(share, 0.0, 1.0);
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    return QColor(Mix(a.red(), b.red(), s), Mix(a.green(), b.green(), s), Mix(a.blue(), b.blue(), s));
}

QColor CPaletteColours::SortedColumn(const QPalette& palette)
{
    return Blend(palette.color(QPalette::Base), palette.color(QPalette::Text), kSortedShare);
}

QColor CPaletteColours::Warning(const QPalette& palette)
{
    return Blend(palette.color(QPalette::Base), QColor(255, 0, 0), kWarningShare);
}

QColor CPaletteColours::ReadableLink(const QPalette& palette)
{
    const QColor window = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::WindowText);
    const QColor link = palette.color(QPalette::Link);
    for (double share = 0.0; share < 1.0; share += kLinkStep) {
        const QColor tried = Blend(link, text, share);
        if (Contrast(tried, window) >= kReadable)
            return tried;
    }
    return text;
}
