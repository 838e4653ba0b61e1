#include "ui/VersionListModel.h"

#include "scan/PathFormat.h"

#include <QDateTime>

CVersionListModel::CVersionListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void CVersionListModel::SetVersions(std::vector<VersionItem> versions)
{
    beginResetModel();
    m_versions = std::move(versions);
    m_paths.clear();
    m_paths.reserve(m_versions.size());
    m_files = 0;
    for (std::size_t i = 0; i < m_versions.size(); ++i) {
        m_paths.push_back(QString::fromStdString(m_versions[i].Path));
        if (i == 0 || m_versions[i].Path != m_versions[i - 1].Path)
            ++m_files;
    }
    Filter();
    endResetModel();
}

void CVersionListModel::SetFilter(const QString& text, std::int64_t before)
{
    if (text == m_text && before == m_before)
        return;
    beginResetModel();
    m_text = text;
    m_before = before;
    Filter();
    endResetModel();
}

void CVersionListModel::Filter()
{
    m_rows.clear();
    for (std::size_t i = 0; i < m_versions.size(); ++i) {
        if (m_versions[i].SetAside > m_before)
            continue;
        if (!m_text.isEmpty() && !m_paths[i].contains(m_text, Qt::CaseInsensitive))
            continue;
        m_rows.push_back(static_cast<std::uint32_t>(i));
    }
}

int CVersionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CVersionListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const VersionItem& CVersionListModel::ItemAt(int row) const
{
    return m_versions[m_rows[static_cast<std::size_t>(row)]];
}

QVariant CVersionListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const VersionItem& item = ItemAt(index.row());
    if (role == Qt::TextAlignmentRole && index.column() == Size)
        return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Name:
        return m_paths[m_rows[static_cast<std::size_t>(index.row())]];
    case SetAside:
        return QString::fromStdString(CVersionList::TimeText(item.SetAside));
    case Size:
        return QString::fromStdString(FormatSize(item.Size));
    case Modified:
        return QDateTime::fromSecsSinceEpoch(item.Modified).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    default:
        return {};
    }
}

QVariant CVersionListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Name:
        return QStringLiteral("Name");
    case SetAside:
        return QStringLiteral("Set aside");
    case Size:
        return QStringLiteral("Size");
    case Modified:
        return QStringLiteral("Modified");
    default:
        return {};
    }
}
