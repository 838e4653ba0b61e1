#include "ui/ShutDownDlg.h"

#include "scheduler/ShutdownCountdown.h"
#include "ui/Icons.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

CShutDownDlg::CShutDownDlg(CShutdownCountdown& countdown, QWidget* parent, int periodMs)
    : CMyDialog(parent)
    , m_countdown(countdown)
{
    setObjectName(QStringLiteral("shutdownWindow"));
    setWindowTitle(QStringLiteral("Shutdown"));
    setWindowIcon(CIcons::Application());
    m_group = new QGroupBox(QStringLiteral("Status"), this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setDefault(true);
    Place(m_group, 7, 7, 306, 48);
    Place(m_status, 17, 27, 286, 18);
    Place(m_cancelButton, 243, 63, 70, 24);
    SizeToDesign(320, 95);
    SetUpDialog();
    m_timer.setInterval(periodMs);
    connect(&m_timer, &QTimer::timeout, this, &CShutDownDlg::Tick);
    connect(m_cancelButton, &QPushButton::clicked, this, &CShutDownDlg::reject);
}

QString CShutDownDlg::StatusText() const
{
    return m_status->text();
}

void CShutDownDlg::showEvent(QShowEvent* event)
{
    CMyDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    // The first tick comes at once, so the window opens reading 29.
    Tick();
    if (!m_finished)
        m_timer.start();
}

void CShutDownDlg::Tick()
{
    if (m_finished)
        return;
    m_status->setText(QString::fromStdString(m_countdown.Tick()));
    if (!m_countdown.Finished())
        return;
    m_finished = true;
    m_cancelButton->setEnabled(false);
    m_timer.stop();
    done(QDialog::Accepted);
}

void CShutDownDlg::reject()
{
    // Too late once the power-off has been asked for.
    if (m_finished)
        return;
    m_finished = true;
    m_timer.stop();
    m_countdown.Cancel();
    CMyDialog::reject();
}
