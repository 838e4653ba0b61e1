#include "ui/MyComboBox.h"

#include "core/WindowState.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QStyle>
#include <algorithm>

CMyComboBox::CMyComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(NoInsert);
    setDuplicatesEnabled(false);
    view()->installEventFilter(this);
}

void CMyComboBox::LoadHistory(const std::string& prefix, const std::string& key)
{
    const QString text = currentText();
    clear();
    for (const std::string& value : CWindowState().History(key, prefix))
        addItem(QString::fromStdString(value));
    setEditText(text);
}

void CMyComboBox::SaveHistory(const std::string& prefix, const std::string& key)
{
    const QString text = currentText();
    // The whole-text search ignores letter case.
    if (!text.isEmpty() && findText(text, Qt::MatchFixedString) < 0)
        addItem(text);
    setEditText(text);
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(count()));
    for (int i = 0; i < count(); ++i)
        entries.push_back(itemText(i).toStdString());
    CWindowState().SetHistory(key, prefix, entries);
}

int CMyComboBox::DropDownWidth() const
{
    const QFontMetrics metrics = view()->fontMetrics();
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
    int width = widest + metrics.averageCharWidth();
    if (count() > maxVisibleItems())
        width += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return width;
}

void CMyComboBox::FitDropDownWidth()
{
    view()->setMinimumWidth(std::max(width(), DropDownWidth()));
}

bool CMyComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        const int row = view()->currentIndex().row();
        if (row >= 0) {
            const QString text = currentText();
            removeItem(row);
            setEditText(text);
        }
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}
