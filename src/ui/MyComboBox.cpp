#include "ui/MyComboBox.h"

#include "platform/MyRegistry.h"

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
    CMyRegistry registry;
    registry.SetAccess(KeyRead);
    if (registry.OpenKey(key) == RegSuccess) {
        for (int i = 0; i < kMaxHistory; ++i) {
            const std::string value = registry.ReadString(prefix + std::to_string(i), "");
            if (value.empty())
                break;
            addItem(QString::fromStdString(value));
        }
    }
    setEditText(text);
}

void CMyComboBox::SaveHistory(const std::string& prefix, const std::string& key)
{
    const QString text = currentText();
    // The whole-text search ignores letter case.
    if (!text.isEmpty() && findText(text, Qt::MatchFixedString) < 0)
        addItem(text);
    setEditText(text);
    CMyRegistry registry;
    if (registry.CreateKey(key) != RegSuccess)
        return;
    for (int i = 0; i < count(); ++i)
        registry.WriteString(prefix + std::to_string(i), itemText(i).toStdString());
    registry.WriteString(prefix + std::to_string(count()), "");
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
