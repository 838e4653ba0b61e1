#include "ui/MyComboBoxEx.h"

#include <QAbstractItemView>
#include <QStyle>
#include <algorithm>

namespace {

constexpr int kImageRole = Qt::UserRole + 10;
constexpr int kIndentRole = Qt::UserRole + 11;
constexpr int kIndentPixels = 10;
constexpr int kIconAndMargins = 22;

} // namespace

CMyComboBoxEx::CMyComboBoxEx(QWidget* parent)
    : QComboBox(parent)
{
    setIconSize(QSize(16, 16));
}

void CMyComboBoxEx::SetImageList(const std::vector<QIcon>& icons)
{
    m_images = icons;
}

void CMyComboBoxEx::AddItem(const QString& text, int image, int indent)
{
    addItem(text);
    const int index = count() - 1;
    setItemData(index, indent, kIndentRole);
    SetItemImage(index, image);
}

void CMyComboBoxEx::SetItemImage(int index, int image)
{
    setItemData(index, image, kImageRole);
    const bool known = image >= 0 && static_cast<std::size_t>(image) < m_images.size();
    setItemIcon(index, known ? m_images[static_cast<std::size_t>(image)] : QIcon());
}

int CMyComboBoxEx::ItemImage(int index) const
{
    const QVariant image = itemData(index, kImageRole);
    return image.isValid() ? image.toInt() : -1;
}

int CMyComboBoxEx::DropDownWidth() const
{
    const QFontMetrics metrics = view()->fontMetrics();
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        const int indent = itemData(i, kIndentRole).toInt();
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i)) + kIndentPixels * indent);
    }
    int width = widest + metrics.averageCharWidth() + kIconAndMargins;
    if (count() > maxVisibleItems())
        width += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return width;
}

void CMyComboBoxEx::FitDropDownWidth()
{
    view()->setMinimumWidth(std::max(width(), DropDownWidth()));
}
