#include "ui/SettingsHeader.h"

#include "ui/MyDialog.h"
#include "web/PaletteColours.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// Design positions: the caption at 10, 8; the description at 10, 28; the
// four closing lines take the bottom four pixels.
constexpr int kLeft = 10;
constexpr int kCaptionTop = 8;
constexpr int kDescriptionTop = 28;
constexpr int kClosingLines = 4;

} // namespace

CSettingsHeader::CSettingsHeader(QWidget* parent)
    : QWidget(parent)
    , m_colour(0x60, 0x60, 0x80)
{
    setObjectName(QStringLiteral("settingsHeader"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void CSettingsHeader::SetColour(QColor colour)
{
    m_colour = colour;
    update();
}

void CSettingsHeader::EnableDescription(bool on, int height)
{
    m_showDescription = on;
    m_designHeight = height;
    updateGeometry();
    update();
}

void CSettingsHeader::SetTexts(const QString& caption, const QString& description)
{
    m_caption = caption;
    m_description = description;
    updateGeometry();
    update();
}

int CSettingsHeader::Scaled(int designPixels) const
{
    return static_cast<int>(std::lround(designPixels * CMyDialog::FontScaleY(font())));
}

QFont CSettingsHeader::CaptionFont() const
{
    QFont caption = font();
    caption.setBold(true);
    caption.setPointSizeF(caption.pointSizeF() * 13.0 / 12.0);
    return caption;
}

QRect CSettingsHeader::DescriptionRect(int width) const
{
    const int left = Scaled(kLeft);
    const QFontMetrics captionMetrics(CaptionFont());
    // Below the caption even where a large font makes it taller than designed.
    const int top = std::max(Scaled(kDescriptionTop), Scaled(kCaptionTop) + captionMetrics.height() + Scaled(2));
    const QRect bounds(left, top, std::max(1, width - 2 * left), 10000);
    const QRect needed = fontMetrics().boundingRect(bounds, Qt::TextWordWrap, m_description);
    return QRect(left, top, bounds.width(), needed.height());
}

int CSettingsHeader::heightForWidth(int width) const
{
    const int designed = Scaled(m_designHeight);
    if (!m_showDescription) {
        const int caption = Scaled(kCaptionTop) + QFontMetrics(CaptionFont()).height() + Scaled(8) + kClosingLines;
        return std::max(designed, caption);
    }
    const QRect description = DescriptionRect(width);
    return std::max(designed, description.bottom() + 1 + Scaled(6) + kClosingLines);
}

QSize CSettingsHeader::sizeHint() const
{
    const int width = std::max(this->width(), Scaled(200));
    return QSize(width, heightForWidth(width));
}

QSize CSettingsHeader::minimumSizeHint() const
{
    return QSize(Scaled(100), heightForWidth(width() > 0 ? width() : Scaled(200)));
}

void CSettingsHeader::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(0, 0, w, h - kClosingLines, m_colour);
    // Grey and white in a light theme: halfway from the theme's light edge
    // to its text, then the light edge, so a dark theme gets no white line.
    const QColor face = palette().color(QPalette::Button);
    const QColor light = palette().color(QPalette::Light);
    const QColor grey = CPaletteColours::Blend(light, palette().color(QPalette::WindowText), 0.5);
    const QColor lines[kClosingLines] = { face, face, grey, light };
    for (int i = 0; i < kClosingLines; ++i)
        painter.fillRect(0, h - kClosingLines + i, w, 1, lines[i]);

    painter.setPen(Qt::white);
    painter.setFont(CaptionFont());
    const int left = Scaled(kLeft);
    const QRect captionRect(left, Scaled(kCaptionTop), std::max(1, w - 2 * left), QFontMetrics(CaptionFont()).height());
    painter.drawText(captionRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
        QFontMetrics(CaptionFont()).elidedText(m_caption, Qt::ElideRight, captionRect.width()));
    if (!m_showDescription)
        return;
    painter.setFont(font());
    painter.drawText(DescriptionRect(w), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_description);
}
