#include "web/LinkLabel.h"

#include "web/PaletteColours.h"
#include "web/WebTexts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QUrl>

namespace {

// Until a window sets them, links take their colours from the palette.
struct LinkColours {
    QColor normal;
    QColor active;
    QColor visited;
    QColor hover;
};

LinkColours& Colours()
{
    static LinkColours colours;
    return colours;
}

bool OpenWithDesktop(const QString& target)
{
    const QUrl url = QUrl::fromUserInput(target);
    return url.isValid() && QDesktopServices::openUrl(url);
}

} // namespace

CLinkLabel::CLinkLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
    , m_opener(OpenWithDesktop)
{
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);
    Attach();
}

void CLinkLabel::SetColours(QColor normal, QColor active, QColor visited, QColor hover)
{
    Colours() = { normal, active, visited, hover };
}

void CLinkLabel::SetTarget(const QString& target)
{
    m_target = target;
    Attach();
}

void CLinkLabel::SetStyle(unsigned style)
{
    m_style = style;
    Attach();
}

// An empty target takes the text and an empty text the target; then the
// font, the size, the cursor, the focus and the tooltip follow the style.
void CLinkLabel::Attach()
{
    if (m_target.isEmpty())
        m_target = text();
    if (text().isEmpty() && !m_target.isEmpty())
        setText(m_target);
    QFont linkFont = font();
    linkFont.setUnderline((m_style & Underline) != 0);
    setFont(linkFont);
    setCursor((m_style & KeepArrowCursor) ? Qt::ArrowCursor : Qt::PointingHandCursor);
    setFocusPolicy((m_style & TakeFocus) ? Qt::StrongFocus : Qt::NoFocus);
    setToolTip(m_target);
    FitToText();
    Recolour();
}

// The text's extent plus 5 pixels, kept where the alignment anchors it.
void CLinkLabel::FitToText()
{
    if (!(m_style & SizeToText))
        return;
    const QSize extent = fontMetrics().size(Qt::TextSingleLine, text()) + QSize(5, 0);
    QRect box = geometry();
    QRect fitted(box.topLeft(), QSize(extent.width(), box.height() > 0 ? box.height() : extent.height()));
    if (alignment() & Qt::AlignHCenter)
        fitted.moveLeft(box.center().x() - extent.width() / 2);
    else if (alignment() & Qt::AlignRight)
        fitted.moveRight(box.right());
    setGeometry(fitted);
}

QColor CLinkLabel::CurrentColour() const
{
    const LinkColours& colours = Colours();
    if (m_hovering && (m_style & UseHoverColour))
        return colours.hover.isValid() ? colours.hover : palette().color(QPalette::Highlight);
    // The label's own palette has the link's colour as its window text: the
    // link colour and the window come from the parent's.
    const QPalette around = parentWidget() ? parentWidget()->palette() : QApplication::palette();
    const QColor normal = colours.normal.isValid() ? colours.normal : CPaletteColours::ReadableLink(around);
    if (m_active && !(m_style & NoActiveColour))
        return colours.active.isValid() ? colours.active : normal;
    if (m_visited)
        return colours.visited.isValid() ? colours.visited : normal;
    return normal;
}

void CLinkLabel::Recolour()
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, CurrentColour());
    setPalette(colours);
    update();
}

bool CLinkLabel::Open()
{
    if (!m_opener || !m_opener(m_target)) {
        QApplication::beep();
        QMessageBox::warning(this, QApplication::applicationName(), QString::fromUtf8(WebTexts::kCantOpenLink));
        return false;
    }
    m_visited = true;
    Recolour();
    Q_EMIT Opened(m_target);
    return true;
}

void CLinkLabel::enterEvent(QEnterEvent* event)
{
    m_hovering = true;
    Recolour();
    QLabel::enterEvent(event);
}

void CLinkLabel::leaveEvent(QEvent* event)
{
    m_hovering = false;
    Recolour();
    QLabel::leaveEvent(event);
}

void CLinkLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QLabel::mousePressEvent(event);
    if (m_style & TakeFocus)
        setFocus(Qt::MouseFocusReason);
    m_active = true;
    Recolour();
    if (m_style & OpenOnPress)
        Open();
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_active)
        return QLabel::mouseReleaseEvent(event);
    m_active = false;
    Recolour();
    if (!(m_style & OpenOnPress) && rect().contains(event->position().toPoint()))
        Open();
}

void CLinkLabel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Open();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CLinkLabel::showEvent(QShowEvent* event)
{
    // The dialog has placed the control by now.
    FitToText();
    QLabel::showEvent(event);
}

void CLinkLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange && (m_style & SizeToText))
        FitToText();
    // The palette's link colour follows the parent and the desktop theme.
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::ApplicationPaletteChange)
        Recolour();
}
