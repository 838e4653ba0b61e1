#include "ui/UIEffects.h"

#include <QEvent>
#include <QGuiApplication>
#include <algorithm>
#include <cmath>

namespace {

bool g_enabled = false;
int g_forced = -1;

constexpr int kSettleMs = 250;

} // namespace

void CUIEffects::SetEnabled(bool on)
{
    g_enabled = on;
}

bool CUIEffects::Enabled()
{
    return g_enabled && PlatformSupportsOpacity();
}

bool CUIEffects::PlatformSupportsOpacity()
{
    if (g_forced >= 0)
        return g_forced == 1;
    // X11 sets the opacity hint for the compositor; Wayland has no way for a
    // client to make its whole window translucent, and offscreen or minimal
    // platforms show nothing to fade.
    const QString platform = QGuiApplication::platformName();
    return platform == QStringLiteral("xcb") || platform == QStringLiteral("windows")
        || platform == QStringLiteral("cocoa");
}

void CUIEffects::ForcePlatformSupport(int supported)
{
    g_forced = supported;
}

CUIEffects* CUIEffects::Of(QWidget* window)
{
    return window ? window->findChild<CUIEffects*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

CUIEffects* CUIEffects::Prepare(QWidget* window, int draggingAlpha, int normalAlpha, int stepDelay)
{
    if (!window || !Enabled())
        return nullptr;
    if (CUIEffects* existing = Of(window))
        delete existing;
    return new CUIEffects(window, draggingAlpha, normalAlpha, stepDelay);
}

void CUIEffects::SetLayered(QWidget* window, bool on)
{
    if (on) {
        Prepare(window, 128, 255, 10);
        return;
    }
    delete Of(window);
    if (window)
        window->setWindowOpacity(1.0);
}

CUIEffects::CUIEffects(QWidget* window, int draggingAlpha, int normalAlpha, int stepDelay)
    : QObject(window)
    , m_window(window)
    , m_dragging(std::clamp(draggingAlpha, 0, 255))
    , m_normal(std::clamp(normalAlpha, 0, 255))
    , m_alpha(m_normal)
    , m_target(m_normal)
{
    m_fade.setInterval(std::max(1, stepDelay));
    connect(&m_fade, &QTimer::timeout, this, &CUIEffects::Step);
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &CUIEffects::FadeIn);
    SetAlpha(m_normal);
    window->installEventFilter(this);
}

int CUIEffects::NextAlpha(int current, int target, int draggingAlpha, int normalAlpha)
{
    const double step = std::abs(normalAlpha - draggingAlpha) / 10.0;
    double next = current < target ? current + step : current - step;
    if ((current < target && next > target) || (current > target && next < target) || step == 0)
        next = target;
    return std::clamp(static_cast<int>(std::lround(next)), 0, 255);
}

// Starting one fade stops the other: both share the one timer and target.
void CUIEffects::FadeOut()
{
    m_target = m_dragging;
    if (m_alpha != m_target)
        m_fade.start();
}

void CUIEffects::FadeIn()
{
    m_target = m_normal;
    if (m_alpha != m_target)
        m_fade.start();
}

void CUIEffects::Step()
{
    SetAlpha(NextAlpha(m_alpha, m_target, m_dragging, m_normal));
    if (m_alpha == m_target)
        m_fade.stop();
}

void CUIEffects::SetAlpha(int alpha)
{
    m_alpha = alpha;
    if (m_window)
        m_window->setWindowOpacity(alpha / 255.0);
}

bool CUIEffects::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::NonClientAreaMouseButtonPress:
        FadeOut();
        break;
    case QEvent::Move:
        // The window manager moves the window while the user drags its
        // title bar; the drag has ended once the moves stop coming.
        if (!m_ignoreMoves && m_window->isVisible()) {
            FadeOut();
            m_settle.start();
        }
        break;
    case QEvent::Enter:
    case QEvent::NonClientAreaMouseButtonRelease:
        if (m_target == m_dragging && !m_settle.isActive())
            FadeIn();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
