#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <atomic>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QWidget;

// The program's icon in the desktop's notification area: tooltip, the popup
// menus 163 (the default) and 178 (during an action), the default item that
// a double-click runs, balloons, the twelve-frame animation and moving the
// main window into and out of the tray. Everything here runs on the
// interface thread; other threads reach it through queued calls carrying
// values, and read only Hidden().
//
// Where the desktop has no notification area the icon is never shown and
// the main window is never hidden into it: it minimises to the task bar.
class CTrayIcon : public QObject {
    Q_OBJECT

public:
    // The commands of the two menus.
    enum Command { About, Maximize, Minimize, Settings, Exit, CancelAction };
    static constexpr int kDefaultMenu = 163;
    static constexpr int kActionMenu = 178;
    static constexpr int kFrameDelayMs = 83;
    static constexpr int kFrameCount = 12;

    // available: whether the desktop has a notification area
    // (QSystemTrayIcon::isSystemTrayAvailable(), which tests replace).
    CTrayIcon(bool available, QObject* parent = nullptr);
    ~CTrayIcon() override;

    // Adds the icon with its tooltip, unless hidden.
    void Create(const QString& tooltip, bool hidden);
    bool Available() const { return m_available; }
    // Safe to read from any thread.
    bool Hidden() const { return m_hidden; }
    void ShowIcon();
    void HideIcon();

    void SetTooltip(const QString& text);
    QString Tooltip() const { return m_tooltip; }
    // Shown only while the icon is; seconds is the time-out.
    void ShowBalloon(const QString& text, const QString& title, QSystemTrayIcon::MessageIcon icon, int seconds);
    // The title and text of the last balloon shown (tests read it).
    QString LastBalloon() const { return m_lastBalloon; }

    // kDefaultMenu or kActionMenu (0 means the default too).
    void SetMenu(int menu);
    int MenuId() const { return m_menuId; }
    QMenu* CurrentMenu() const;
    QMenu* DefaultMenu() const { return m_defaultMenu.get(); }
    QAction* Action(Command command) const { return m_actions[static_cast<std::size_t>(command)]; }
    // The bold item, also what a double-click on the icon runs.
    void SetDefaultItem(Command command);
    QAction* DefaultItem() const;
    // What a click on the icon does: runs the current menu's default item.
    void Activate(QSystemTrayIcon::ActivationReason reason);

    // Frame delay in ms; seconds <= 0 runs until StopAnimation. Nothing
    // moves while the animation is switched off (TrayAnimate).
    void Animate(int delayMs, int seconds);
    void SetAnimationEnabled(bool enabled) { m_animationEnabled = enabled; }
    void StopAnimation();
    bool Animating() const { return m_animation.isActive(); }
    int Frame() const { return m_frame; }
    QIcon CurrentIcon() const { return m_icon; }
    // One animation step (the timer's tick).
    void NextFrame();

    // Hides window into the tray; where the icon cannot be seen (no tray, or
    // the icon hidden), minimises it to the task bar instead and returns
    // false, so that the window always stays reachable.
    bool MinimiseToTray(QWidget& window);
    // Shows window again, restored and in front.
    void RestoreFromTray(QWidget& window);

    // The animation's frames, Korvane's own drawings.
    static std::vector<QIcon> AnimationFrames();

Q_SIGNALS:
    void CommandChosen(int command);
    // The icon was taken out of the notification area.
    void IconHidden();

private:
    void SetIcon(const QIcon& icon);

    bool m_available = false;
    std::atomic<bool> m_hidden { true };
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::unique_ptr<QMenu> m_defaultMenu;
    std::unique_ptr<QMenu> m_actionMenu;
    std::vector<QAction*> m_actions;
    int m_menuId = kDefaultMenu;
    QString m_tooltip;
    QString m_lastBalloon;
    QIcon m_stillIcon;
    QIcon m_icon;
    std::vector<QIcon> m_frames;
    QTimer m_animation;
    int m_frame = 0;
    int m_ticks = 0;
    int m_delayMs = kFrameDelayMs;
    int m_seconds = 0;
    bool m_animationEnabled = true;
    qint64 m_lastTrigger = -1;
};
