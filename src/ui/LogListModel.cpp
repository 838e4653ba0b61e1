#include "ui/LogListModel.h"

#include "scan/PathFormat.h"
#include "ui/Icons.h"
#include "ui/UiText.h"
#include "web/PaletteColours.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>
#include <QStringDecoder>
#include <QTextDocument>
#include <algorithm>

CLogListModel::CLogListModel(QObject* parent)
    : QAbstractTableModel(parent)
    , m_icons { CIcons::Own(QStringLiteral("event-user")), CIcons::Own(QStringLiteral("event-scheduled")),
        CIcons::Own(QStringLiteral("event-error")) }
{
}

void CLogListModel::Clear()
{
    beginResetModel();
    m_batches.clear();
    m_records.clear();
    m_shown.clear();
    m_inOrder = true;
    endResetModel();
}

const LogEntry& CLogListModel::EntryOf(std::uint32_t record) const
{
    const Record& at = m_records[record];
    return m_batches[at.Batch]->Entries[at.Index];
}

std::uint32_t CLogListModel::RecordOfRow(int row) const
{
    const auto index = static_cast<std::size_t>(row);
    return m_shown[m_newestFirst ? index : m_shown.size() - 1 - index];
}

const LogEntry& CLogListModel::Entry(int row) const
{
    return EntryOf(RecordOfRow(row));
}

void CLogListModel::Append(std::shared_ptr<const LogBatch> batch)
{
    if (!batch || batch->Entries.empty())
        return;
    const auto batchIndex = static_cast<std::uint32_t>(m_batches.size());
    if (!m_records.empty()
        && batch->Entries.front().Key > EntryOf(static_cast<std::uint32_t>(m_records.size() - 1)).Key)
        m_inOrder = false;
    m_batches.push_back(std::move(batch));
    const LogBatch& added = *m_batches.back();
    std::vector<std::uint32_t> shown;
    m_records.reserve(m_records.size() + added.Entries.size());
    for (std::size_t i = 0; i < added.Entries.size(); ++i) {
        if (m_filter.Passes(added.Entries[i]))
            shown.push_back(static_cast<std::uint32_t>(m_records.size()));
        m_records.push_back({ batchIndex, static_cast<std::uint32_t>(i) });
    }
    if (shown.empty())
        return;
    // Older records go below the rows shown so far (above them when the
    // oldest come first).
    const int before = static_cast<int>(m_shown.size());
    const int count = static_cast<int>(shown.size());
    const int first = m_newestFirst ? before : 0;
    beginInsertRows({}, first, first + count - 1);
    m_shown.insert(m_shown.end(), shown.begin(), shown.end());
    endInsertRows();
}

void CLogListModel::Finish()
{
    if (m_inOrder)
        return;
    beginResetModel();
    std::stable_sort(m_records.begin(), m_records.end(), [this](const Record& a, const Record& b) {
        return m_batches[a.Batch]->Entries[a.Index].Key > m_batches[b.Batch]->Entries[b.Index].Key;
    });
    m_inOrder = true;
    Rebuild();
    endResetModel();
}

void CLogListModel::SetFilter(const LogFilter& filter)
{
    beginResetModel();
    m_filter = filter;
    Rebuild();
    endResetModel();
}

void CLogListModel::SetNewestFirst(bool newestFirst)
{
    if (newestFirst == m_newestFirst)
        return;
    beginResetModel();
    m_newestFirst = newestFirst;
    endResetModel();
}

void CLogListModel::Rebuild()
{
    m_shown.clear();
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (m_filter.Passes(EntryOf(static_cast<std::uint32_t>(i))))
            m_shown.push_back(static_cast<std::uint32_t>(i));
    }
}

int CLogListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int CLogListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString CLogListModel::DecodeMessage(std::string_view bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (utf8.hasError())
        text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    for (QChar& c : text) {
        if (c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
        else if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

QString CLogListModel::MessageText(int row) const
{
    const Record& record = m_records[RecordOfRow(row)];
    const LogBatch& batch = *m_batches[record.Batch];
    return DecodeMessage(batch.Message(batch.Entries[record.Index]));
}

QString CLogListModel::DateText(int row) const
{
    return ToQ(FormatLocalDateTime(static_cast<std::time_t>(Entry(row).Time())));
}

QVariant CLogListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == Date ? DateText(index.row()) : MessageText(index.row());
    case Qt::ToolTipRole:
        // The message is the row's tip, escaped: a log line is never
        // taken for rich text.
        return Qt::convertFromPlainText(MessageText(index.row()), Qt::WhiteSpaceNormal);
    case Qt::DecorationRole: {
        const std::int32_t type = Entry(index.row()).Type;
        if (index.column() != Date || type < 0 || type >= static_cast<std::int32_t>(m_icons.size()))
            return {};
        return m_icons[static_cast<std::size_t>(type)];
    }
    case Qt::BackgroundRole:
        if (index.column() == Date)
            return QBrush(CPaletteColours::SortedColumn(QGuiApplication::palette()));
        return {};
    default:
        return {};
    }
}

QVariant CLogListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == Date)
        return QStringLiteral("Date");
    return section == Message ? QStringLiteral("Message") : QVariant();
}
