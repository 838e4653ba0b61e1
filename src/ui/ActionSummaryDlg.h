#pragma once

#include "ui/MyDialog.h"
#include "ui/RunView.h"

#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

// The "Backup Summary" / "Restore Summary" window: what an action added,
// updated, deleted and processed, with sizes and the elapsed time; each
// "View..." lists the records behind its line in the view folders window.
// Beside the counts stand the items that failed, each with its reason, and
// "Cancelled" for a run that did not finish: a summary never looks clean
// when the run was not.
class CActionSummaryDlg : public CMyDialog {
public:
    enum Line { Added, Updated, Deleted, Processed, LineCount };

    CActionSummaryDlg(ActionSummaryData summary, bool gridLines, QWidget* parent = nullptr);

    QString LineText(Line line) const;
    QString TimeText() const;
    QString FailedText() const;
    // The space the version areas take once pruned; null when the run kept
    // no versions. Its tip names each area.
    QLabel* VersionsField() const { return m_versions; }
    // "Cancelled", or empty for a run that went to its end.
    QString StatusText() const;
    // One row per failed item: its path, then its reason. Null when none failed.
    QTreeWidget* FailureList() const { return m_failures; }
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
    QLabel* Field(const QString& caption, const QString& text, int top);
    void AddFailures(int top, int width);
    void AddVersionSpace(int top);

    ActionSummaryData m_summary;
    bool m_gridLines;
    QLabel* m_lines[LineCount] {};
    QLabel* m_time;
    QLabel* m_failed;
    QLabel* m_versions = nullptr;
    QLabel* m_status;
    QTreeWidget* m_failures = nullptr;
    QPushButton* m_view[LineCount] {};
    std::function<void(const CFileRecordArray&, const QString&)> m_viewer;
};
