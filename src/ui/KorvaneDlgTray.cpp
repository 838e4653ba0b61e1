// The main window's tray icon and the hand-over from a later start.
#include "ui/KorvaneDlg.h"
#include "ui/RunController.h"
#include "ui/TrayIcon.h"
#include "ui/UiContext.h"

#include <QApplication>

namespace {

constexpr int kHandOverRetryMs = 250;

} // namespace

void CKorvaneDlg::CreateTray()
{
    const bool available = m_services.TrayAvailable.value_or(QSystemTrayIcon::isSystemTrayAvailable());
    m_tray = new CTrayIcon(available, this);
    const SettingsRecord settings = m_context.Settings();
    m_tray->SetAnimationEnabled(settings.Scheduler.TrayAnimate != 0);
    m_tray->Create(QStringLiteral("Korvane"), !settings.SchedulerActive || settings.Scheduler.TrayHideIdle != 0);
    m_tray->SetDefaultItem(CTrayIcon::Minimize);
    UpdateTrayMenu();
    connect(m_tray, &CTrayIcon::CommandChosen, this, &CKorvaneDlg::OnTrayCommand);
    // A window in the tray never stays behind an icon that went away (a
    // scheduled event with TrayHideIdle ends): it waits on the task bar.
    connect(m_tray, &CTrayIcon::IconHidden, this, [this] {
        if (!m_inTray)
            return;
        m_inTray = false;
        showMinimized();
        UpdateTrayMenu();
    });
    m_runs->SetDesktop(m_tray, this);
    // The computer is going down: the program ends the way a signal ends it,
    // with no questions that would hold the power-off up.
    connect(m_runs, &CRunController::PoweringOff, this, &CKorvaneDlg::CloseForSignal, Qt::QueuedConnection);
    m_handOverTimer.setInterval(kHandOverRetryMs);
    connect(&m_handOverTimer, &QTimer::timeout, this, &CKorvaneDlg::OpenPendingHandOver);
}

void CKorvaneDlg::OnTrayCommand(int command)
{
    switch (command) {
    case CTrayIcon::About:
        About();
        break;
    case CTrayIcon::Maximize:
        RestoreFromTray();
        break;
    case CTrayIcon::Minimize:
        MinimiseToTray();
        break;
    case CTrayIcon::Settings:
        Settings();
        break;
    case CTrayIcon::Exit:
        close();
        break;
    case CTrayIcon::CancelAction:
        m_runs->CancelRunning();
        break;
    default:
        break;
    }
}

// Maximize and Minimize are each enabled in their window state only, and
// the default item is the one that is enabled.
void CKorvaneDlg::UpdateTrayMenu()
{
    m_tray->Action(CTrayIcon::Maximize)->setEnabled(m_inTray);
    m_tray->Action(CTrayIcon::Minimize)->setEnabled(!m_inTray);
    m_tray->SetDefaultItem(m_inTray ? CTrayIcon::Maximize : CTrayIcon::Minimize);
}

void CKorvaneDlg::MinimiseToTray()
{
    m_inTray = m_tray->MinimiseToTray(*this);
    UpdateTrayMenu();
}

void CKorvaneDlg::RestoreFromTray()
{
    m_tray->RestoreFromTray(*this);
    m_inTray = false;
    UpdateTrayMenu();
}

void CKorvaneDlg::ShowAtStart(bool automaticStart)
{
    const SettingsRecord settings = m_context.Settings();
    if (settings.SchedulerActive && m_tray->Available() && !m_tray->Hidden()) {
        m_inTray = true;
        UpdateTrayMenu();
        return;
    }
    // Without a tray host the window has nowhere to hide: it waits on the
    // task bar, where the user can still reach it.
    const bool noTray = !m_tray->Available();
    if (settings.SchedulerActive && (automaticStart || noTray))
        showMinimized();
    else
        show();
}

// After the settings: the icon shows exactly while the scheduler is active
// and TrayHideIdle is off; a window in the tray comes back when it goes.
void CKorvaneDlg::UpdateTray()
{
    const SettingsRecord settings = m_context.Settings();
    m_tray->SetAnimationEnabled(settings.Scheduler.TrayAnimate != 0);
    if (!settings.SchedulerActive || settings.Scheduler.TrayHideIdle != 0) {
        const bool wasInTray = m_inTray;
        m_inTray = false;
        m_tray->HideIcon();
        if (wasInTray)
            RestoreFromTray();
        UpdateTrayMenu();
        return;
    }
    if (m_tray->Hidden())
        m_tray->ShowIcon();
}

void CKorvaneDlg::BringForward()
{
    if (m_inTray || isHidden() || isMinimized()) {
        RestoreFromTray();
        return;
    }
    raise();
    activateWindow();
}

bool CKorvaneDlg::IsProgramSwitch(const std::string& text)
{
    // "/i" and the other slash switches are a slash and one letter; long
    // options and dash switches begin with "-". A later start hands over
    // session paths made absolute, so neither is ever a file's name.
    if (text.size() == 2 && text[0] == '/')
        return true;
    return text.size() > 1 && text[0] == '-';
}

void CKorvaneDlg::ReceiveHandOver(const std::optional<std::string>& text)
{
    if (m_closing || m_closed)
        return;
    BringForward();
    if (!text || text->empty() || IsProgramSwitch(*text))
        return;
    // A dialog of this window works on a copy of the session it was opened
    // with; the new session waits until it has closed.
    m_pendingHandOver = *text;
    OpenPendingHandOver();
}

void CKorvaneDlg::OpenPendingHandOver()
{
    if (!m_pendingHandOver || m_closing) {
        m_handOverTimer.stop();
        return;
    }
    if (QApplication::activeModalWidget()) {
        m_handOverTimer.start();
        return;
    }
    m_handOverTimer.stop();
    const std::string path = *m_pendingHandOver;
    m_pendingHandOver.reset();
    OpenHandedOver(path);
}
