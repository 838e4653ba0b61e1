#include "ui/SettingsTrayDlg.h"

#include <QCheckBox>

CSettingsTrayDlg::CSettingsTrayDlg(const SettingsRecord& settings, CPrompter& prompter, QWidget* parent)
    : CSettingsPage(settings, prompter, parent)
{
    setObjectName(QStringLiteral("SettingsTrayDlg"));
    using S = SettingsRecord::SchedulerSettings;
    m_hideIdle = AddCheck(1405, "Hide icon when application is idle", Field(&S::TrayHideIdle), "trayHideIdle");
    AddCheck(1406, "Animate tray icon when action is executing", Field(&S::TrayAnimate), "trayAnimate");
    m_sound = AddCheck(1407, "Play sound when icon appears in tray", Field(&S::TrayPlaySound), "trayPlaySound");
    AddCheck(1408, "Display balloon tip in tray when action is starting", Field(&S::TrayBalloons), "trayBalloons");
    m_sound->setEnabled(m_hideIdle->isChecked());
    connect(m_hideIdle, &QCheckBox::toggled, m_sound, &QWidget::setEnabled);
    FinishColumn();
}
