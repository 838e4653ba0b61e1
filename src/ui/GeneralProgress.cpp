#include "ui/GeneralProgress.h"

#include "ui/Icons.h"

#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kTickMs = 250;

QString SpanText(qint64 milliseconds)
{
    const qint64 seconds = milliseconds / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

CGeneralProgress::CGeneralProgress(
    const QString& status, std::function<bool()> busy, QWidget* centerOn, QWidget* parent)
    : CMyDialog(parent)
    , m_busy(std::move(busy))
    , m_centerOn(centerOn)
{
    setObjectName(QStringLiteral("generalProgress"));
    setWindowTitle(QStringLiteral("Progress"));
    setWindowIcon(CIcons::Application());
    setWindowModality(Qt::ApplicationModal);
    m_status = new QLabel(status, this);
    m_status->setObjectName(QStringLiteral("status"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Place(m_status, 12, 14, 236, 16);
    Place(m_cancel, 94, 40, 72, 24);
    SizeToDesign(260, 76);
    SetUpDialog();
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CGeneralProgress::Tick);
}

void CGeneralProgress::Start(std::function<void(bool ended)> done)
{
    setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &QDialog::finished, this, [done = std::move(done)](int result) { done(result == Accepted); });
    m_opened.start();
    open();
    // The first look is at once: work that is over already never shows the
    // window for long.
    QTimer::singleShot(0, this, &CGeneralProgress::Tick);
    m_timer.start();
}

QString CGeneralProgress::Status() const
{
    return m_status->text();
}

void CGeneralProgress::showEvent(QShowEvent* event)
{
    CMyDialog::showEvent(event);
    if (m_centerOn)
        move(m_centerOn->frameGeometry().center() - rect().center());
}

void CGeneralProgress::Tick()
{
    if (!isVisible())
        return;
    if (!m_busy()) {
        m_timer.stop();
        accept();
        return;
    }
    setWindowTitle(QStringLiteral("Progress [%1]").arg(SpanText(m_opened.elapsed())));
}
