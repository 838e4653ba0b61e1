#pragma once

#include "engine/RunPlan.h"

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <cstdint>
#include <vector>

// The rows of an action's plan in the details of the file information
// window: what each item is (added, replaced, deleted, brought back), its
// path below its folder, its size, whether the file replaced is newer, and
// the folder. The plan is taken over whole; rows are indices into it, so
// filtering by kind and sorting 100,000 rows move only numbers, and texts
// are made when a row is painted.
class CPlanListModel : public QAbstractTableModel {
public:
    enum Column { What, Name, Size, Newer, Folder, ColumnCount };
    // Which kinds show, one bit per CRunPlan::Kind.
    static constexpr unsigned kAllKinds = 0xF;
    static unsigned KindBit(CRunPlan::Kind what) { return 1u << CRunPlan::Index(what); }

    explicit CPlanListModel(QObject* parent = nullptr);

    // Replaces the rows with the plan's items, filtered and sorted as the
    // model is.
    void SetPlan(CRunPlan plan);
    const CRunPlan& Plan() const { return m_plan; }
    void SetKinds(unsigned kinds);
    unsigned Kinds() const { return m_kinds; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    const CRunPlan::Item& ItemAt(int row) const;
    int SortColumn() const { return m_sortColumn; }

private:
    void Filter();
    void SortRows();
    void FoldNames();

    CRunPlan m_plan;
    // Indices into the plan's items of the rows shown, in their order.
    std::vector<std::uint32_t> m_rows;
    // The relative paths case-folded, made on the first sort by name.
    std::vector<QString> m_folded;
    unsigned m_kinds = kAllKinds;
    int m_sortColumn = What;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    QIcon m_warning;
};
