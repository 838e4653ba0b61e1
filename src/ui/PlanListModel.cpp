#include "ui/PlanListModel.h"

#include "ui/FileListModel.h"
#include "ui/UiText.h"

#include <QApplication>
#include <QStyle>
#include <algorithm>

namespace {

QString Text(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CPlanListModel::CPlanListModel(QObject* parent)
    : QAbstractTableModel(parent)
    , m_warning(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning))
{
}

void CPlanListModel::SetPlan(CRunPlan plan)
{
    beginResetModel();
    m_plan = std::move(plan);
    m_folded.clear();
    Filter();
    SortRows();
    endResetModel();
}

void CPlanListModel::SetKinds(unsigned kinds)
{
    beginResetModel();
    m_kinds = kinds & kAllKinds;
    Filter();
    SortRows();
    endResetModel();
}

void CPlanListModel::Filter()
{
    m_rows.clear();
    const auto& items = m_plan.Items();
    m_rows.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (m_kinds & KindBit(items[i].What))
            m_rows.push_back(static_cast<std::uint32_t>(i));
    }
}

int CPlanListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CPlanListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const CRunPlan::Item& CPlanListModel::ItemAt(int row) const
{
    return m_plan.Items()[m_rows[static_cast<std::size_t>(row)]];
}

QVariant CPlanListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const CRunPlan::Item& item = ItemAt(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        switch (column) {
        case What:
            return QString::fromLatin1(CRunPlan::KindName(item.What));
        case Name:
            return Text(item.Relative()) + (item.Folder ? QStringLiteral("/") : QString());
        case Size:
            return item.Folder ? QString() : CFileListModel::GroupedNumber(item.Size);
        case Newer:
            return item.TargetNewer ? QStringLiteral("Newer") : QString();
        default:
            return Text(item.Root());
        }
    case Qt::ToolTipRole:
        if (column == Newer && item.TargetNewer)
            return QStringLiteral("The file replaced is newer than the copy that replaces it.");
        return column == Name || column == Folder ? PlainTip(Text(item.Path)) : QVariant();
    case Qt::DecorationRole:
        return column == Newer && item.TargetNewer ? m_warning : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter | (column == Size ? Qt::AlignRight : Qt::AlignLeft));
    default:
        return {};
    }
}

QVariant CPlanListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const names[ColumnCount] = { "Action", "Name", "Size", "Newer", "In Folder" };
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(names[section]) : QVariant();
}

void CPlanListModel::FoldNames()
{
    if (m_folded.size() == m_plan.size())
        return;
    const auto& items = m_plan.Items();
    m_folded.resize(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        m_folded[i] = Text(items[i].Relative()).toCaseFolded();
}

// Equal rows keep the plan's order, the order the run takes them in.
void CPlanListModel::SortRows()
{
    const auto& items = m_plan.Items();
    const bool ascending = m_order == Qt::AscendingOrder;
    const auto by = [&](auto key) {
        std::stable_sort(m_rows.begin(), m_rows.end(),
            [&](std::uint32_t a, std::uint32_t b) { return ascending ? key(a) < key(b) : key(b) < key(a); });
    };
    switch (m_sortColumn) {
    case What:
        by([&](std::uint32_t i) { return CRunPlan::Index(items[i].What); });
        break;
    case Name:
        FoldNames();
        by([&](std::uint32_t i) -> const QString& { return m_folded[i]; });
        break;
    case Size:
        by([&](std::uint32_t i) { return items[i].Folder ? -1 : static_cast<std::int64_t>(items[i].Size); });
        break;
    case Newer:
        by([&](std::uint32_t i) { return items[i].TargetNewer ? 0 : 1; });
        break;
    default:
        by([&](std::uint32_t i) { return items[i].Root(); });
        break;
    }
}

void CPlanListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<std::uint32_t> itemOf;
    itemOf.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        itemOf.push_back(m_rows[static_cast<std::size_t>(index.row())]);
    m_sortColumn = column;
    m_order = order;
    SortRows();
    // Selected and current rows follow their items.
    QModelIndexList after;
    after.reserve(before.size());
    if (!before.isEmpty()) {
        std::vector<int> rowOf(m_plan.size(), -1);
        for (std::size_t row = 0; row < m_rows.size(); ++row)
            rowOf[m_rows[row]] = static_cast<int>(row);
        for (qsizetype i = 0; i < before.size(); ++i)
            after.push_back(index(rowOf[itemOf[static_cast<std::size_t>(i)]], before[i].column()));
    }
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
