#pragma once

#include "engine/VersionList.h"

#include <QAbstractTableModel>
#include <QString>
#include <cstdint>
#include <limits>
#include <vector>

// The rows of the versions window: each version's path below the backup
// folder, when it was set aside, its size and its modification time. The
// list is taken over whole, already sorted by path and then oldest first;
// rows are indices into it, so filtering 100,000 versions moves only
// numbers, and texts are made when a row is painted.
class CVersionListModel : public QAbstractTableModel {
public:
    enum Column { Name, SetAside, Size, Modified, ColumnCount };
    static constexpr std::int64_t kAnyTime = std::numeric_limits<std::int64_t>::max();

    explicit CVersionListModel(QObject* parent = nullptr);

    void SetVersions(std::vector<VersionItem> versions);
    const std::vector<VersionItem>& Versions() const { return m_versions; }
    // Shows the versions whose path holds text (any case), set aside at or
    // before the wall-clock time before.
    void SetFilter(const QString& text, std::int64_t before);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const VersionItem& ItemAt(int row) const;
    // How many files the versions belong to.
    int FileCount() const { return m_files; }

private:
    void Filter();

    std::vector<VersionItem> m_versions;
    std::vector<QString> m_paths; // the paths as the filter compares them
    std::vector<std::uint32_t> m_rows;
    QString m_text;
    std::int64_t m_before = kAnyTime;
    int m_files = 0;
};
