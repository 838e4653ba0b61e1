#pragma once

class QAbstractItemModel;
class QTableView;

// The item-model lists of the view windows (files and folders, the log):
// whole rows, one selected at a time, never edited, no row numbers, one
// height for every row so the view never measures a six-figure list, and
// columns the user may drag; grid lines as GridlinesList says.
void SetUpReportView(QTableView& view, QAbstractItemModel& model, bool gridLines);
