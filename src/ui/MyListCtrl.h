#pragma once

#include <QIcon>
#include <QTableWidget>
#include <cstdint>
#include <vector>

// A report list: full rows, one column kind each (text columns sort by
// their text ignoring case, number columns by a 64-bit value per row, other
// columns do not sort), columns that take a share of a change of the list's
// width, a header menu that shows and hides columns, and the sorted column
// shaded (0xF7F7F7 on a white list; see CPaletteColours::SortedColumn).
class CMyListCtrl : public QTableWidget {
public:
    enum ColumnKind { Other = 0, Text = 1, Number = 2 };
    // Commands of the header menu are numbered from here, one per column.
    static constexpr int kFirstColumnCommand = 33768;

    explicit CMyListCtrl(QWidget* parent = nullptr);

    // Adds a column (alignment of its cells, initial width in pixels).
    void AddColumn(const QString& name, int width, ColumnKind kind, Qt::Alignment alignment = Qt::AlignLeft);
    void SetColumnKinds(const std::vector<ColumnKind>& kinds);
    ColumnKind Kind(int column) const;
    // The share (percent) of a change of the client width a column takes.
    void SetColumnWidthShare(int column, int share);

    // Appends a row with the first column's text; returns its index.
    int AddRow(const QString& text, int image = -1);
    void SetCell(int row, int column, const QString& text);
    QString Cell(int row, int column) const;
    void SetRowData(int row, std::int64_t data);
    std::int64_t RowData(int row) const;
    // Finds the row whose data is data; -1 when none.
    int FindRow(std::int64_t data) const;
    void SetSortValue(int row, int column, std::int64_t value);
    std::int64_t SortValue(int row, int column) const;
    void SetRowImage(int row, int image);
    void SetRowBackground(int row, const QColor& colour);
    // A row that warns is tinted red, in a tint of the list's palette.
    void SetRowWarning(int row, bool on);
    // What a cell is painted on: the row's own colour, else the warning
    // tint, else the shading of the sorted column, else nothing (the window
    // colour).
    QBrush CellBackground(int row, int column) const;
    int SelectedRow() const;
    void SelectRow(int row);

    // Sorts by column; the same column as last time with ascending false
    // gives a descending order. Ignored for columns of kind Other.
    void Sort(int column, bool ascending);
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_ascending; }
    // Suspends repainting while many rows change.
    void SetRedraw(bool on);

    void SetImageList(const std::vector<QIcon>& icons);
    void SetGridLines(bool on) { setShowGrid(on); }

    // The header menu, as shown on a right click on the header.
    void ShowHeaderMenu(const QPoint& globalPosition);
    void ToggleColumn(int column);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnHeaderClicked(int column);

    std::vector<ColumnKind> m_kinds;
    std::vector<int> m_shares;
    std::vector<int> m_initialWidths;
    std::vector<QIcon> m_images;
    int m_initialClientWidth = -1;
    int m_sortColumn = -1;
    bool m_ascending = true;
    bool m_headerPressed = false;
};
