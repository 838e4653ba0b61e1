#include "ui/MyListCtrl.h"

#include "web/PaletteColours.h"

#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QStyledItemDelegate>
#include <cmath>

namespace {

constexpr int kRowDataRole = Qt::UserRole + 1;
constexpr int kSortValueRole = Qt::UserRole + 2;
constexpr int kWarningRole = Qt::UserRole + 3;

// Cells compare by their column's kind.
class CListItem : public QTableWidgetItem {
public:
    using QTableWidgetItem::QTableWidgetItem;

    bool operator<(const QTableWidgetItem& other) const override
    {
        const auto* list = dynamic_cast<const CMyListCtrl*>(tableWidget());
        if (list && list->Kind(column()) == CMyListCtrl::Number)
            return data(kSortValueRole).toLongLong() < other.data(kSortValueRole).toLongLong();
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

// Shades the sorted column; a row's own background (a warning colour) wins.
class CShadingDelegate : public QStyledItemDelegate {
public:
    explicit CShadingDelegate(CMyListCtrl* list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {
    }

    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QBrush brush = m_list->CellBackground(index.row(), index.column());
        if (brush.style() != Qt::NoBrush)
            option->backgroundBrush = brush;
    }

private:
    CMyListCtrl* m_list;
};

} // namespace

CMyListCtrl::CMyListCtrl(QWidget* parent)
    : QTableWidget(parent)
{
    setSelectionBehavior(SelectRows);
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setAlternatingRowColors(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    setItemDelegate(new CShadingDelegate(this));
    horizontalHeader()->viewport()->installEventFilter(this);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &CMyListCtrl::OnHeaderClicked);
    connect(horizontalHeader(), &QHeaderView::customContextMenuRequested, this,
        [this](const QPoint& position) { ShowHeaderMenu(horizontalHeader()->mapToGlobal(position)); });
}

void CMyListCtrl::AddColumn(const QString& name, int width, ColumnKind kind, Qt::Alignment alignment)
{
    const int column = columnCount();
    setColumnCount(column + 1);
    auto* header = new QTableWidgetItem(name);
    header->setTextAlignment(Qt::Alignment(alignment | Qt::AlignVCenter));
    setHorizontalHeaderItem(column, header);
    setColumnWidth(column, width);
    m_kinds.push_back(kind);
    m_shares.push_back(0);
    m_initialWidths.push_back(width);
}

void CMyListCtrl::SetColumnKinds(const std::vector<ColumnKind>& kinds)
{
    for (std::size_t i = 0; i < kinds.size() && i < m_kinds.size(); ++i)
        m_kinds[i] = kinds[i];
}

CMyListCtrl::ColumnKind CMyListCtrl::Kind(int column) const
{
    return column >= 0 && static_cast<std::size_t>(column) < m_kinds.size() ? m_kinds[static_cast<std::size_t>(column)]
                                                                            : Other;
}

void CMyListCtrl::SetColumnWidthShare(int column, int share)
{
    if (column < 0 || static_cast<std::size_t>(column) >= m_shares.size())
        return;
    m_shares[static_cast<std::size_t>(column)] = share;
    m_initialWidths[static_cast<std::size_t>(column)] = columnWidth(column);
    m_initialClientWidth = viewport()->width();
}

int CMyListCtrl::AddRow(const QString& text, int image)
{
    const int row = rowCount();
    insertRow(row);
    for (int column = 0; column < columnCount(); ++column) {
        auto* item = new CListItem(column == 0 ? text : QString());
        const auto* header = horizontalHeaderItem(column);
        if (header)
            item->setTextAlignment(Qt::Alignment(header->textAlignment()));
        setItem(row, column, item);
    }
    SetRowImage(row, image);
    return row;
}

void CMyListCtrl::SetCell(int row, int column, const QString& text)
{
    if (QTableWidgetItem* cell = item(row, column))
        cell->setText(text);
}

QString CMyListCtrl::Cell(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void CMyListCtrl::SetRowData(int row, std::int64_t data)
{
    if (QTableWidgetItem* cell = item(row, 0))
        cell->setData(kRowDataRole, static_cast<qlonglong>(data));
}

std::int64_t CMyListCtrl::RowData(int row) const
{
    const QTableWidgetItem* cell = item(row, 0);
    return cell ? cell->data(kRowDataRole).toLongLong() : -1;
}

int CMyListCtrl::FindRow(std::int64_t data) const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (RowData(row) == data)
            return row;
    }
    return -1;
}

void CMyListCtrl::SetSortValue(int row, int column, std::int64_t value)
{
    if (QTableWidgetItem* cell = item(row, column))
        cell->setData(kSortValueRole, static_cast<qlonglong>(value));
}

std::int64_t CMyListCtrl::SortValue(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->data(kSortValueRole).toLongLong() : 0;
}

void CMyListCtrl::SetRowImage(int row, int image)
{
    QTableWidgetItem* cell = item(row, 0);
    if (!cell)
        return;
    if (image >= 0 && static_cast<std::size_t>(image) < m_images.size())
        cell->setIcon(m_images[static_cast<std::size_t>(image)]);
    else
        cell->setIcon(QIcon());
}

QBrush CMyListCtrl::CellBackground(int row, int column) const
{
    const QTableWidgetItem* cell = item(row, column);
    if (cell && cell->background().style() != Qt::NoBrush)
        return cell->background();
    // Worked out at paint time, so a change of desktop theme recolours it.
    if (cell && cell->data(kWarningRole).toBool())
        return CPaletteColours::Warning(palette());
    if (column == m_sortColumn)
        return CPaletteColours::SortedColumn(palette());
    return QBrush();
}

void CMyListCtrl::SetRowBackground(int row, const QColor& colour)
{
    for (int column = 0; column < columnCount(); ++column) {
        if (QTableWidgetItem* cell = item(row, column))
            cell->setBackground(colour.isValid() ? QBrush(colour) : QBrush());
    }
}

void CMyListCtrl::SetRowWarning(int row, bool on)
{
    for (int column = 0; column < columnCount(); ++column) {
        if (QTableWidgetItem* cell = item(row, column))
            cell->setData(kWarningRole, on);
    }
}

int CMyListCtrl::SelectedRow() const
{
    const auto rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void CMyListCtrl::SelectRow(int row)
{
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        return;
    }
    setCurrentCell(row, 0);
    selectRow(row);
}

void CMyListCtrl::Sort(int column, bool ascending)
{
    if (Kind(column) == Other)
        return;
    m_sortColumn = column;
    m_ascending = ascending;
    sortItems(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    viewport()->update();
}

void CMyListCtrl::OnHeaderClicked(int column)
{
    if (Kind(column) == Other)
        return;
    // The same column again turns the order round; another starts ascending.
    Sort(column, column == m_sortColumn ? !m_ascending : true);
}

void CMyListCtrl::SetRedraw(bool on)
{
    setUpdatesEnabled(on);
    if (on)
        viewport()->update();
}

void CMyListCtrl::SetImageList(const std::vector<QIcon>& icons)
{
    m_images = icons;
}

void CMyListCtrl::ShowHeaderMenu(const QPoint& globalPosition)
{
    QMenu menu(this);
    for (int column = 0; column < columnCount(); ++column) {
        const QTableWidgetItem* header = horizontalHeaderItem(column);
        QAction* action = menu.addAction(header ? header->text() : QString());
        action->setCheckable(true);
        action->setChecked(!isColumnHidden(column));
        action->setData(kFirstColumnCommand + column);
    }
    const QAction* chosen = menu.exec(globalPosition);
    if (chosen)
        ToggleColumn(chosen->data().toInt() - kFirstColumnCommand);
}

void CMyListCtrl::ToggleColumn(int column)
{
    if (column < 0 || column >= columnCount())
        return;
    setColumnHidden(column, !isColumnHidden(column));
}

void CMyListCtrl::resizeEvent(QResizeEvent* event)
{
    QTableWidget::resizeEvent(event);
    const int client = viewport()->width();
    if (m_initialClientWidth < 0 || m_headerPressed)
        return;
    const int change = client - m_initialClientWidth;
    for (std::size_t column = 0; column < m_shares.size(); ++column) {
        if (m_shares[column] == 0)
            continue;
        const long width = m_initialWidths[column] + std::lround(m_shares[column] / 100.0 * change);
        setColumnWidth(static_cast<int>(column), static_cast<int>(std::max(0L, width)));
    }
}

// A column being dragged in the header keeps the width the user gives it.
bool CMyListCtrl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == horizontalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            m_headerPressed = true;
        else if (event->type() == QEvent::MouseButtonRelease)
            m_headerPressed = false;
    }
    return QTableWidget::eventFilter(watched, event);
}
