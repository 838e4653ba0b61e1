#include "ui/FrameSettler.h"

#include "ui/Placement.h"

#include <QEvent>
#include <QWindow>

namespace {

const QString kName = QStringLiteral("frameSettler");

} // namespace

void CFrameSettler::Attach(QWidget* window, std::optional<QPoint> target)
{
    delete window->findChild<CFrameSettler*>(kName, Qt::FindDirectChildrenOnly);
    new CFrameSettler(window, target);
}

bool CFrameSettler::Attached(const QWidget* window)
{
    return window->findChild<CFrameSettler*>(kName, Qt::FindDirectChildrenOnly) != nullptr;
}

CFrameSettler::CFrameSettler(QWidget* window, std::optional<QPoint> target)
    : QObject(window)
    , m_window(window)
    , m_target(target)
{
    setObjectName(kName);
    window->installEventFilter(this);
    // The widget hears of no exposure; its native window does.
    if (QWindow* handle = window->windowHandle())
        handle->installEventFilter(this);
}

bool CFrameSettler::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Expose:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowActivate:
    case QEvent::Paint:
        Settle();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CFrameSettler::Settle()
{
    if (m_done || !m_window || !m_window->isVisible())
        return;
    // Until the manager has framed the window, Qt reports no frame or, for
    // a moment, a made-up one.
    const QRect frame = m_window->frameGeometry();
    if (frame == m_window->geometry() || !frame.contains(m_window->geometry()))
        return;
    m_done = true;
    if (m_target && m_window->frameGeometry().topLeft() != *m_target)
        m_window->move(*m_target);
    CPlacement::FitToScreen(m_window);
    deleteLater();
}
