#include "ui/TrayIcon.h"

#include "ui/Icons.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QMenu>
#include <QWidget>

CTrayIcon::CTrayIcon(bool available, QObject* parent)
    : QObject(parent)
    , m_available(available)
    , m_defaultMenu(std::make_unique<QMenu>())
    , m_actionMenu(std::make_unique<QMenu>())
    , m_stillIcon(CIcons::Application())
    , m_icon(m_stillIcon)
    , m_frames(AnimationFrames())
{
    m_defaultMenu->setObjectName(QStringLiteral("trayMenu163"));
    m_actionMenu->setObjectName(QStringLiteral("trayMenu178"));
    m_actions.resize(CancelAction + 1);
    const auto add = [this](QMenu& menu, Command command, const QString& text) {
        QAction* action = menu.addAction(text);
        connect(action, &QAction::triggered, this, [this, command] { Q_EMIT CommandChosen(command); });
        m_actions[static_cast<std::size_t>(command)] = action;
    };
    add(*m_defaultMenu, About, QStringLiteral("About Korvane..."));
    m_defaultMenu->addSeparator();
    add(*m_defaultMenu, Maximize, QStringLiteral("Maximize"));
    add(*m_defaultMenu, Minimize, QStringLiteral("Minimize"));
    m_defaultMenu->addSeparator();
    add(*m_defaultMenu, Settings, QStringLiteral("Settings..."));
    m_defaultMenu->addSeparator();
    add(*m_defaultMenu, Exit, QStringLiteral("Exit"));
    add(*m_actionMenu, CancelAction, QStringLiteral("&Cancel Action..."));
    m_animation.setTimerType(Qt::PreciseTimer);
    connect(&m_animation, &QTimer::timeout, this, &CTrayIcon::NextFrame);
    if (m_available) {
        m_tray = std::make_unique<QSystemTrayIcon>(m_stillIcon);
        m_tray->setContextMenu(m_defaultMenu.get());
        connect(m_tray.get(), &QSystemTrayIcon::activated, this, &CTrayIcon::Activate);
    }
}

CTrayIcon::~CTrayIcon()
{
    if (m_tray)
        m_tray->hide();
}

std::vector<QIcon> CTrayIcon::AnimationFrames()
{
    std::vector<QIcon> frames;
    for (int i = 1; i <= kFrameCount; ++i)
        frames.push_back(CIcons::Own(QStringLiteral("tray-%1").arg(i, 2, 10, QLatin1Char('0'))));
    return frames;
}

void CTrayIcon::Create(const QString& tooltip, bool hidden)
{
    SetTooltip(tooltip);
    if (hidden)
        HideIcon();
    else
        ShowIcon();
}

void CTrayIcon::ShowIcon()
{
    if (!m_available)
        return;
    m_tray->setIcon(m_icon);
    m_tray->setToolTip(m_tooltip);
    m_tray->show();
    m_hidden = false;
}

void CTrayIcon::HideIcon()
{
    if (m_tray)
        m_tray->hide();
    const bool wasShown = !m_hidden.exchange(true);
    if (wasShown)
        Q_EMIT IconHidden();
}

void CTrayIcon::SetTooltip(const QString& text)
{
    // Kept while hidden; the next ShowIcon puts it up.
    m_tooltip = text;
    if (m_tray && !m_hidden)
        m_tray->setToolTip(text);
}

void CTrayIcon::ShowBalloon(const QString& text, const QString& title, QSystemTrayIcon::MessageIcon icon, int seconds)
{
    if (!m_tray || m_hidden)
        return;
    m_lastBalloon = title + QStringLiteral(": ") + text;
    m_tray->showMessage(title, text, icon, seconds * 1000);
}

void CTrayIcon::SetMenu(int menu)
{
    m_menuId = menu == kActionMenu ? kActionMenu : kDefaultMenu;
    if (m_tray)
        m_tray->setContextMenu(CurrentMenu());
}

QMenu* CTrayIcon::CurrentMenu() const
{
    return m_menuId == kActionMenu ? m_actionMenu.get() : m_defaultMenu.get();
}

void CTrayIcon::SetDefaultItem(Command command)
{
    QAction* action = Action(command);
    if (command == CancelAction)
        m_actionMenu->setDefaultAction(action);
    else
        m_defaultMenu->setDefaultAction(action);
}

QAction* CTrayIcon::DefaultItem() const
{
    return CurrentMenu()->defaultAction();
}

void CTrayIcon::Activate(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;
    // Most Linux notification areas report a single click (Trigger), some a
    // double-click as a Trigger followed by a DoubleClick: the second half of
    // such a pair must not undo the first.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool pairedClick = reason == QSystemTrayIcon::DoubleClick && m_lastTrigger >= 0
        && now - m_lastTrigger <= QApplication::doubleClickInterval();
    if (reason == QSystemTrayIcon::Trigger)
        m_lastTrigger = now;
    if (pairedClick)
        return;
    QAction* item = DefaultItem();
    if (item && item->isEnabled())
        item->trigger();
}

void CTrayIcon::SetIcon(const QIcon& icon)
{
    m_icon = icon;
    if (m_tray && !m_hidden)
        m_tray->setIcon(icon);
}

void CTrayIcon::Animate(int delayMs, int seconds)
{
    StopAnimation();
    if (!m_animationEnabled)
        return;
    m_frame = 0;
    m_ticks = 0;
    m_delayMs = delayMs;
    m_seconds = seconds;
    m_animation.start(delayMs);
}

void CTrayIcon::StopAnimation()
{
    if (!m_animation.isActive())
        return;
    m_animation.stop();
    SetIcon(m_stillIcon);
}

void CTrayIcon::NextFrame()
{
    ++m_ticks;
    // The time is counted in frames, so the animation ends on the frame it
    // would have ended on however late the timer fires.
    if (m_seconds > 0 && static_cast<qint64>(m_ticks) * m_delayMs > static_cast<qint64>(m_seconds) * 1000) {
        StopAnimation();
        return;
    }
    m_frame = (m_frame + 1) % static_cast<int>(m_frames.size());
    SetIcon(m_frames[static_cast<std::size_t>(m_frame)]);
}

bool CTrayIcon::MinimiseToTray(QWidget& window)
{
    if (!m_available || m_hidden) {
        window.showMinimized();
        return false;
    }
    window.hide();
    return true;
}

void CTrayIcon::RestoreFromTray(QWidget& window)
{
    window.show();
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.raise();
    window.activateWindow();
}
