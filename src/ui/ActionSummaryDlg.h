#pragma once

#include "ui/MyDialog.h"
#include "ui/RunView.h"

#include <functional>

class QLabel;
class QPushButton;

// The "Backup Summary" / "Restore Summary" window: what an action added,
// updated, deleted and processed, with sizes and the elapsed time; each
// "View..." lists the records behind its line in the view folders window.
class CActionSummaryDlg : public CMyDialog {
public:
    enum Line { Added, Updated, Deleted, Processed, LineCount };

    CActionSummaryDlg(ActionSummaryData summary, bool gridLines, QWidget* parent = nullptr);

    QString LineText(Line line) const;
    QString TimeText() const;
    QPushButton* ViewButton(Line line) const { return m_view[line]; }
    // The records a line's "View..." lists: folders first, then files.
    CFileRecordArray RecordsOf(Line line) const;
    static QString ViewTitle(Line line);

    // Test seam: called instead of opening the view folders window modally.
    void SetViewer(std::function<void(const CFileRecordArray&, const QString&)> viewer)
    {
        m_viewer = std::move(viewer);
    }

private:
    void View(Line line);

    ActionSummaryData m_summary;
    bool m_gridLines;
    QLabel* m_lines[LineCount] {};
    QLabel* m_time;
    QPushButton* m_view[LineCount] {};
    std::function<void(const CFileRecordArray&, const QString&)> m_viewer;
};
