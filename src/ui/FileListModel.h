#pragma once

#include "scan/FileRecordArray.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <cstdint>
#include <vector>

// The rows of a file list (view folders, summary): Name, Size and Date
// Modified of each record, sortable by name (ignoring case), size or time.
// Rows keep only what sorting needs; the texts are made when a row is
// painted, so a list of 100,000 records fills and sorts without a pause.
class CFileListModel : public QAbstractTableModel {
public:
    enum Column { Name, Size, Modified, ColumnCount };

    explicit CFileListModel(QObject* parent = nullptr);

    // Replaces the rows, one per record in array order, and sorts them by
    // the current sort column.
    void SetRecords(const CFileRecordArray& records);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The sort value of a cell: sizes and times as numbers, 0 for names.
    std::int64_t SortValue(int row, int column) const;
    QString Path(int row) const;
    bool IsFolder(int row) const;
    int SortColumn() const { return m_sortColumn; }

    // "1 234 567": a space before every group of three digits.
    static QString GroupedNumber(std::uint64_t value);

private:
    struct Row {
        QString path;
        std::uint64_t size = 0;
        std::int64_t time = 0;
        bool folder = false;
    };

    std::vector<Row> m_rows;
    QIcon m_fileIcon;
    QIcon m_folderIcon;
    int m_sortColumn = Name;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};
