#include "ui/MyDialog.h"

#include "ui/LayoutHelper.h"
#include "ui/Placement.h"
#include "ui/UIEffects.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QTextEdit>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace {

int g_tooltipDelay = 500;
constexpr int kTooltipVisibleMs = 30000;
constexpr double kDesignBaseX = 6.0;
constexpr double kDesignBaseY = 13.0;

// The one place the tooltip delay reaches Qt.
class CTooltipStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(
        StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return g_tooltipDelay;
        if (hint == SH_ToolTip_FallAsleepDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

CMyDialog::CMyDialog(QWidget* parent)
    : QDialog(parent)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

CMyDialog::~CMyDialog() = default;

void CMyDialog::SetTooltipDelay(int milliseconds)
{
    g_tooltipDelay = std::max(0, milliseconds);
    if (qApp && !dynamic_cast<CTooltipStyle*>(QApplication::style()))
        QApplication::setStyle(new CTooltipStyle(QApplication::style()->name()));
}

int CMyDialog::TooltipDelay()
{
    return g_tooltipDelay;
}

double CMyDialog::FontScaleX(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const double average
        = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52.0;
    return std::max(1.0, average / kDesignBaseX);
}

double CMyDialog::FontScaleY(const QFont& font)
{
    return std::max(1.0, QFontMetricsF(font).height() / kDesignBaseY);
}

int CMyDialog::Dx(int designPixels) const
{
    return static_cast<int>(std::lround(designPixels * FontScaleX(font())));
}

int CMyDialog::Dy(int designPixels) const
{
    return static_cast<int>(std::lround(designPixels * FontScaleY(font())));
}

void CMyDialog::Place(QWidget* control, int x, int y, int width, int height) const
{
    control->setGeometry(Dx(x), Dy(y), Dx(width), Dy(height));
}

void CMyDialog::SizeToDesign(int width, int height)
{
    resize(Dx(width), Dy(height));
}

void CMyDialog::SetReferenceSize(int width, int height)
{
    m_reference = QSize(width, height);
}

double CMyDialog::ScaleX() const
{
    return m_reference.width() > 0 ? static_cast<double>(width()) / m_reference.width() : 1.0;
}

double CMyDialog::ScaleY() const
{
    return m_reference.height() > 0 ? static_cast<double>(height()) / m_reference.height() : 1.0;
}

void CMyDialog::SetUpDialog()
{
    if (!m_layout) {
        m_layout = new CLayoutHelper(this, false, 100);
        m_layout->SetMinTrackSize(QSize(0, 0));
        m_layout->ShowSizeGrip(true);
    }
    CUIEffects::Prepare(this, 128, 255, 10);
}

void CMyDialog::SetPlacementKey(const std::string& key, bool position, bool size)
{
    m_placementKey = key;
    m_placePosition = position;
    m_placeSize = size;
}

void CMyDialog::SavePlacement() const
{
    if (!m_placementKey.empty())
        CPlacement::Save(this, m_placePosition, m_placeSize, m_placementKey);
}

void CMyDialog::SetTooltip(QWidget* control, const QString& text)
{
    control->setToolTip(text);
    control->installEventFilter(this);
}

bool CMyDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* control = qobject_cast<QWidget*>(watched);
        if (control && !control->toolTip().isEmpty()) {
            const auto* help = static_cast<QHelpEvent*>(event);
            // Long texts wrap instead of running across the screen.
            QToolTip::showText(help->globalPos(),
                QStringLiteral("<p>") + control->toolTip().toHtmlEscaped() + QStringLiteral("</p>"), control, QRect(),
                kTooltipVisibleMs);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CMyDialog::showEvent(QShowEvent* event)
{
    if (!m_shownOnce) {
        m_shownOnce = true;
        CUIEffects* effects = CUIEffects::Of(this);
        if (effects)
            effects->IgnoreMoves(true);
        if (!m_offset.isNull() && parentWidget())
            move(pos() + m_offset);
        CPlacement::FitOnceFramed(this);
        if (effects)
            effects->IgnoreMoves(false);
    }
    QDialog::showEvent(event);
}

void CMyDialog::setVisible(bool visible)
{
    // Before the native window is created, which showing does first: only
    // then does Qt hand the position to the window manager as the frame's.
    // Every window, remembered or not, is fitted to its screen.
    if (visible && !m_shownOnce && !isVisible()) {
        CUIEffects* effects = CUIEffects::Of(this);
        if (effects)
            effects->IgnoreMoves(true);
        CPlacement::Restore(this, m_placePosition, m_placeSize, m_placementKey);
        if (effects)
            effects->IgnoreMoves(false);
    }
    QDialog::setVisible(visible);
}

void CMyDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape in a multi-line text ends nothing: the text keeps the focus.
    if (event->key() == Qt::Key_Escape
        && (qobject_cast<QPlainTextEdit*>(focusWidget()) || qobject_cast<QTextEdit*>(focusWidget()))) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CMyDialog::done(int result)
{
    SavePlacement();
    QDialog::done(result);
}
