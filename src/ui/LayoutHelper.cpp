#include "ui/LayoutHelper.h"

#include <QEvent>
#include <QResizeEvent>
#include <QSizeGrip>
#include <QStyle>
#include <algorithm>

namespace {

bool InRange(int percent)
{
    return percent >= 0 && percent <= 100;
}

} // namespace

CLayoutHelper::CLayoutHelper(QWidget* window, bool enabled, int scale)
    : QObject(window)
    , m_window(window)
    , m_scale(scale)
{
    m_clientSize = window->size();
    window->installEventFilter(this);
    Enable(enabled);
}

CLayoutHelper::~CLayoutHelper()
{
    if (m_window)
        m_window->removeEventFilter(this);
}

void CLayoutHelper::Enable(bool on)
{
    m_enabled = on;
    m_clientSize = m_window->size();
    if (on) {
        m_window->setMinimumSize(m_minimum.isValid() ? m_minimum : QSize(0, 0));
        m_window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        m_window->setFixedSize(m_window->size());
    }
    PlaceGrip();
}

void CLayoutHelper::SetMinTrackSize(QSize size)
{
    m_minimum = size.isEmpty() ? m_window->size() : size;
    if (m_enabled)
        m_window->setMinimumSize(m_minimum);
}

void CLayoutHelper::ShowSizeGrip(bool on)
{
    if (on && !m_grip) {
        m_grip = new QSizeGrip(m_window);
        m_grip->setObjectName(QStringLiteral("sizeGrip"));
    }
    if (!on && m_grip) {
        delete m_grip;
        m_grip = nullptr;
    }
    PlaceGrip();
}

void CLayoutHelper::PlaceGrip()
{
    if (!m_grip)
        return;
    // A square of the scroll bar's extent in the bottom-right corner.
    const int extent = m_window->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_grip->setGeometry(m_window->width() - extent, m_window->height() - extent, extent, extent);
    m_grip->setVisible(m_enabled);
    m_grip->raise();
}

bool CLayoutHelper::AddItem(QWidget* control, int left, int top, int width, int height)
{
    if (!control || !InRange(left) || !InRange(top) || !InRange(width) || !InRange(height))
        return false;
    if (left + width > 100 || top + height > 100)
        return false;
    Item item;
    item.control = control;
    item.left = left * m_scale / 100;
    item.top = top * m_scale / 100;
    item.width = width * m_scale / 100;
    item.height = height * m_scale / 100;
    m_items.push_back(item);
    return true;
}

int CLayoutHelper::Share(int percent, int delta, int& carry)
{
    const int total = percent * delta + carry;
    carry = total % 100;
    return total / 100;
}

QRect CLayoutHelper::Apply(Item& item, QRect geometry, int dx, int dy)
{
    const int x = geometry.x() + Share(item.left, dx, item.carry[0]);
    const int y = geometry.y() + Share(item.top, dy, item.carry[1]);
    const int w = std::max(0, geometry.width() + Share(item.width, dx, item.carry[2]));
    const int h = std::max(0, geometry.height() + Share(item.height, dy, item.carry[3]));
    return QRect(x, y, w, h);
}

bool CLayoutHelper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::Resize)
        OnResize(static_cast<QResizeEvent*>(event)->size());
    return QObject::eventFilter(watched, event);
}

void CLayoutHelper::OnResize(QSize newSize)
{
    const int dx = newSize.width() - m_clientSize.width();
    const int dy = newSize.height() - m_clientSize.height();
    m_clientSize = newSize;
    if (m_enabled && (dx != 0 || dy != 0)) {
        // One batch: nothing repaints between the moves.
        m_window->setUpdatesEnabled(false);
        for (Item& item : m_items) {
            if (item.control)
                item.control->setGeometry(Apply(item, item.control->geometry(), dx, dy));
        }
        m_window->setUpdatesEnabled(true);
    }
    PlaceGrip();
}
