#pragma once

#include "log/LogFilter.h"
#include "log/LogReader.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <array>
#include <memory>
#include <vector>

// The rows of the log viewer: Date and Message of every record that passes
// the filter, newest first (or oldest first after a click on Date). Records
// arrive in stretches while the log is read; the filter is applied here, so
// changing it never reads the file again. Rows keep only a key and a place
// in their stretch's text; texts are made when a row is painted.
class CLogListModel : public QAbstractTableModel {
public:
    enum Column { Date, Message, ColumnCount };

    explicit CLogListModel(QObject* parent = nullptr);

    void Clear();
    // Adds a stretch of records (newest first within it).
    void Append(std::shared_ptr<const LogBatch> batch);
    // Every stretch is in: the rows are put in order where stretches
    // overlapped in time (a clock set back).
    void Finish();
    void SetFilter(const LogFilter& filter);
    const LogFilter& Filter() const { return m_filter; }
    void SetNewestFirst(bool newestFirst);
    bool NewestFirst() const { return m_newestFirst; }

    // Records held, shown or not.
    std::size_t RecordCount() const { return m_records.size(); }
    const LogEntry& Entry(int row) const;
    QString MessageText(int row) const;
    QString DateText(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Log messages are single-byte text: UTF-8 when they are valid UTF-8,
    // else Latin-1 (a log written on Windows); control characters are shown
    // as U+FFFD, a TAB as a blank.
    static QString DecodeMessage(std::string_view bytes);

private:
    struct Record {
        std::uint32_t Batch;
        std::uint32_t Index;
    };

    const LogEntry& EntryOf(std::uint32_t record) const;
    std::uint32_t RecordOfRow(int row) const;
    void Rebuild();

    std::vector<std::shared_ptr<const LogBatch>> m_batches;
    std::vector<Record> m_records; // newest first once Finish has sorted them
    std::vector<std::uint32_t> m_shown; // indexes into m_records, in their order
    LogFilter m_filter;
    bool m_newestFirst = true;
    bool m_inOrder = true;
    std::array<QIcon, 3> m_icons;
};
