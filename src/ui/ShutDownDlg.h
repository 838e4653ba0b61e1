#pragma once

#include "ui/MyDialog.h"

#include <QTimer>

class CShutdownCountdown;
class QGroupBox;
class QLabel;
class QPushButton;

// The countdown offered after an action when PostShutdown is set: one tick
// at once, then one a second (so it first reads 29 seconds); at 0 Cancel is
// disabled and the countdown asks for the power-off, and the window closes
// with Accepted. Cancel, Escape and the close button prevent it (Rejected).
// The countdown and its power-off are injected, and so is the tick period.
class CShutDownDlg : public CMyDialog {
    Q_OBJECT

public:
    CShutDownDlg(CShutdownCountdown& countdown, QWidget* parent = nullptr, int periodMs = 1000);

    // One second of the countdown (the timer's tick).
    void Tick();
    // Cancel: the countdown stops and nothing is switched off.
    void reject() override;

    QString StatusText() const;
    QPushButton* CancelButton() const { return m_cancelButton; }
    QTimer& Timer() { return m_timer; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    CShutdownCountdown& m_countdown;
    QGroupBox* m_group;
    QLabel* m_status;
    QPushButton* m_cancelButton;
    QTimer m_timer;
    bool m_started = false;
    bool m_finished = false;
};
