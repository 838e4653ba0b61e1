#include "ui/QuestionGate.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <algorithm>

CQuestionGate::CQuestionGate(QWidget* main)
    : QObject(main)
    , m_main(main)
{
}

QWidget* CQuestionGate::Top() const
{
    QWidget* top = nullptr;
    if (m_windows) {
        for (QWidget* window : m_windows()) {
            if (window && window->isVisible())
                top = window;
        }
    }
    if (top)
        return Above(top);
    if (m_main && m_main->isVisible())
        return m_main;
    return QApplication::activeWindow();
}

// A waiting window (deleting, waiting for the worker) is modal over its run
// window; a question over the run window alone would open beside it.
QWidget* CQuestionGate::Above(QWidget* window) const
{
    for (;;) {
        QWidget* next = nullptr;
        const auto children = window->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
        for (QDialog* child : children) {
            if (child->isVisible() && child->isModal() && !Held(child))
                next = child;
        }
        if (!next)
            return window;
        window = next;
    }
}

bool CQuestionGate::Held(const QObject* widget) const
{
    return std::any_of(
        m_held.begin(), m_held.end(), [widget](const QPointer<QDialog>& box) { return box.data() == widget; });
}

bool CQuestionGate::QuestionOpen() const
{
    return std::any_of(m_held.begin(), m_held.end(), [](const QPointer<QDialog>& box) { return !box.isNull(); });
}

void CQuestionGate::Hold(QDialog* box)
{
    m_held.emplace_back(box);
    connect(box, &QDialog::finished, this, [this, box] { Release(box); });
    // A box destroyed unanswered (its window went) lets go as well; its
    // guard is already cleared when this is emitted.
    connect(box, &QObject::destroyed, this, [this] { Release(nullptr); });
    if (QWidget* parent = box->parentWidget())
        parent->installEventFilter(this);
}

void CQuestionGate::Release(const QObject* box)
{
    m_held.erase(std::remove_if(m_held.begin(), m_held.end(),
                     [box](const QPointer<QDialog>& held) { return held.isNull() || held.data() == box; }),
        m_held.end());
    // Queued: the answered box finishes its own closing first.
    if (!QuestionOpen() && !m_pending.empty())
        QMetaObject::invokeMethod(this, &CQuestionGate::OpenPending, Qt::QueuedConnection);
}

void CQuestionGate::WhenFree(QObject* context, std::function<void()> open)
{
    if (!QuestionOpen() && m_pending.empty()) {
        open();
        return;
    }
    m_pending.push_back({ context, std::move(open) });
}

// In the order asked for: a progress window opens before the waiting window
// over it. A question asked meanwhile stops the rest again.
void CQuestionGate::OpenPending()
{
    while (!m_pending.empty() && !QuestionOpen()) {
        Pending next = std::move(m_pending.front());
        m_pending.erase(m_pending.begin());
        if (next.context)
            next.open();
    }
}

bool CQuestionGate::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Hide && watched->isWidgetType())
        Rehome(static_cast<QWidget*>(watched));
    return QObject::eventFilter(watched, event);
}

// A run window that closes is deleted, and its children with it: an error
// the user has not read yet moves to the window below instead.
void CQuestionGate::Rehome(QWidget* closing)
{
    if (!closing->isWindow() || !closing->testAttribute(Qt::WA_DeleteOnClose))
        return;
    QWidget* below = closing->parentWidget() ? closing->parentWidget()->window() : nullptr;
    while (below && !below->isVisible())
        below = below->parentWidget() ? below->parentWidget()->window() : nullptr;
    if (!below && m_main && m_main != closing && m_main->isVisible())
        below = m_main;
    for (const QPointer<QDialog>& box : m_held) {
        if (!box || box->parentWidget() != closing)
            continue;
        box->setParent(below, box->windowFlags());
        box->show();
        if (below)
            below->installEventFilter(this);
    }
}
