#include "ui/FileListModel.h"

#include "scan/PathFormat.h"
#include "ui/Icons.h"
#include "ui/UiText.h"
#include "web/PaletteColours.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <numeric>

namespace {

// A folder shows its creation time, a file its last write; both go to 0
// at or beyond the year 3000 as the record's own conversion does.
std::int64_t TimeOf(const CFileRecord& record)
{
    if (!record.IsFolder())
        return record.GetLastWriteTime();
    CFileRecord created;
    created.LastWriteTime = record.CreationTime;
    return created.GetLastWriteTime();
}

} // namespace

CFileListModel::CFileListModel(QObject* parent)
    : QAbstractTableModel(parent)
    , m_fileIcon(CIcons::Own(QStringLiteral("document-new")))
    , m_folderIcon(CIcons::Own(QStringLiteral("folder")))
{
}

void CFileListModel::SetRecords(const CFileRecordArray& records)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(records.size());
    for (const CFileRecord& record : records) {
        Row row;
        row.path = ToQ(record.FullPath());
        row.folder = record.IsFolder();
        row.size = row.folder ? 0 : record.Size;
        row.time = TimeOf(record);
        m_rows.push_back(std::move(row));
    }
    endResetModel();
    sort(m_sortColumn, m_order);
}

int CFileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CFileListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString CFileListModel::GroupedNumber(std::uint64_t value)
{
    QString digits = QString::number(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return digits;
}

QVariant CFileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (index.column() == Name)
            return role == Qt::ToolTipRole ? PlainTip(row.path) : row.path;
        if (index.column() == Size)
            return GroupedNumber(row.size);
        return row.time != 0 ? ToQ(FormatLocalDateTime(static_cast<std::time_t>(row.time))) : QString();
    case Qt::DecorationRole:
        if (index.column() == Name)
            return row.folder ? m_folderIcon : m_fileIcon;
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter | (index.column() == Size ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::BackgroundRole:
        if (index.column() == m_sortColumn)
            return QBrush(CPaletteColours::SortedColumn(QGuiApplication::palette()));
        return {};
    default:
        return {};
    }
}

QVariant CFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const names[ColumnCount] = { "Name", "Size", "Date Modified" };
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QVariant();
}

std::int64_t CFileListModel::SortValue(int row, int column) const
{
    const Row& r = m_rows[static_cast<std::size_t>(row)];
    if (column == Size)
        return static_cast<std::int64_t>(r.size);
    return column == Modified ? r.time : 0;
}

QString CFileListModel::Path(int row) const
{
    return m_rows[static_cast<std::size_t>(row)].path;
}

bool CFileListModel::IsFolder(int row) const
{
    return m_rows[static_cast<std::size_t>(row)].folder;
}

// Names compare ignoring case (by their case-folded form, made once per
// sort rather than once per comparison); sizes and times as numbers. Equal
// rows keep their order.
void CFileListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_sortColumn = column;
    m_order = order;
    std::vector<std::size_t> rows(m_rows.size());
    std::iota(rows.begin(), rows.end(), 0);
    const bool ascending = order == Qt::AscendingOrder;
    if (column == Name) {
        std::vector<QString> folded(m_rows.size());
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            folded[i] = m_rows[i].path.toCaseFolded();
        std::stable_sort(rows.begin(), rows.end(),
            [&](std::size_t a, std::size_t b) { return ascending ? folded[a] < folded[b] : folded[b] < folded[a]; });
    } else {
        std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
            const std::int64_t x = SortValue(static_cast<int>(a), column);
            const std::int64_t y = SortValue(static_cast<int>(b), column);
            return ascending ? x < y : y < x;
        });
    }
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (std::size_t i : rows)
        sorted.push_back(std::move(m_rows[i]));
    // Selected and current rows follow their records.
    const QModelIndexList before = persistentIndexList();
    std::vector<int> newRow(m_rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        newRow[rows[i]] = static_cast<int>(i);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.push_back(this->index(newRow[static_cast<std::size_t>(index.row())], index.column()));
    m_rows = std::move(sorted);
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
