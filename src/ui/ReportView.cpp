#include "ui/ReportView.h"

#include <QHeaderView>
#include <QTableView>
#include <algorithm>

void SetUpReportView(QTableView& view, QAbstractItemModel& model, bool gridLines)
{
    view.setObjectName(QStringLiteral("list"));
    view.setModel(&model);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.setEditTriggers(QAbstractItemView::NoEditTriggers);
    view.setShowGrid(gridLines);
    view.setWordWrap(false);
    view.setIconSize(QSize(16, 16));
    view.verticalHeader()->hide();
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view.verticalHeader()->setDefaultSectionSize(std::max(view.fontMetrics().height(), 16) + 4);
    view.horizontalHeader()->setSectionsMovable(true);
    view.horizontalHeader()->setHighlightSections(false);
}
