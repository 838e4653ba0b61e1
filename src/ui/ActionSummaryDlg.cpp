#include "ui/ActionSummaryDlg.h"

#include "scan/PathFormat.h"
#include "scheduler/ActionRunner.h"
#include "ui/Icons.h"
#include "ui/UiText.h"
#include "ui/ViewFoldersDlg.h"

#include <QLabel>
#include <QPushButton>

namespace {

std::uint64_t SizeOf(const CFileRecordArray& files)
{
    std::uint64_t sum = 0;
    for (const CFileRecord& record : files)
        sum += record.Size;
    return sum;
}

QString WithSize(QString text, const CFileRecordArray& files)
{
    const std::uint64_t sum = SizeOf(files);
    if (sum != 0)
        text += QStringLiteral(" (") + ToQ(FormatSize(sum)) + QStringLiteral(")");
    return text;
}

QString Counts(const CFileRecordArray& files, const CFileRecordArray& folders)
{
    return WithSize(QStringLiteral("%1 files, %2 folders").arg(files.size()).arg(folders.size()), files);
}

} // namespace

CActionSummaryDlg::CActionSummaryDlg(ActionSummaryData summary, bool gridLines, QWidget* parent)
    : CMyDialog(parent)
    , m_summary(std::move(summary))
    , m_gridLines(gridLines)
{
    setObjectName(QStringLiteral("actionSummaryDlg"));
    setWindowTitle(m_summary.Action == 1 ? QStringLiteral("Restore Summary") : QStringLiteral("Backup Summary"));
    setWindowIcon(CIcons::Application());
    const char* const captions[LineCount] = { "Added", "Updated", "Deleted", "Processed" };
    const ActionSummaryData& s = m_summary;
    const QString texts[LineCount] = { Counts(s.AddedFiles, s.AddedFolders),
        WithSize(QStringLiteral("%1 files").arg(s.UpdatedFiles.size()), s.UpdatedFiles),
        Counts(s.DeletedFiles, s.DeletedFolders), Counts(s.ProcessedFiles, s.ProcessedFolders) };
    for (int line = 0; line < LineCount; ++line) {
        const int top = 12 + line * 30;
        auto* caption = new QLabel(QString::fromLatin1(captions[line]), this);
        Place(caption, 12, top + 4, 64, 16);
        m_lines[line] = new QLabel(texts[line], this);
        m_lines[line]->setFrameShape(QFrame::StyledPanel);
        Place(m_lines[line], 78, top, 244, 24);
        m_view[line] = new QPushButton(QStringLiteral("View..."), this);
        Place(m_view[line], 330, top, 72, 24);
        m_view[line]->setEnabled(!RecordsOf(static_cast<Line>(line)).empty());
        connect(m_view[line], &QPushButton::clicked, this, [this, line] { View(static_cast<Line>(line)); });
    }
    auto* caption = new QLabel(QStringLiteral("Time"), this);
    Place(caption, 12, 136, 64, 16);
    m_time = new QLabel(ToQ(CActionRunner::FormatElapsed(s.Elapsed)), this);
    m_time->setFrameShape(QFrame::StyledPanel);
    Place(m_time, 78, 132, 244, 24);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    Place(ok, 330, 166, 72, 24);
    SizeToDesign(414, 200);
    SetUpDialog();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

QString CActionSummaryDlg::LineText(Line line) const
{
    return m_lines[line]->text();
}

QString CActionSummaryDlg::TimeText() const
{
    return m_time->text();
}

CFileRecordArray CActionSummaryDlg::RecordsOf(Line line) const
{
    const auto joined = [](const CFileRecordArray& folders, const CFileRecordArray& files) {
        CFileRecordArray records = folders;
        records.insert(records.end(), files.begin(), files.end());
        return records;
    };
    switch (line) {
    case Added:
        return joined(m_summary.AddedFolders, m_summary.AddedFiles);
    case Updated:
        return m_summary.UpdatedFiles;
    case Deleted:
        return joined(m_summary.DeletedFolders, m_summary.DeletedFiles);
    default:
        return joined(m_summary.ProcessedFolders, m_summary.ProcessedFiles);
    }
}

QString CActionSummaryDlg::ViewTitle(Line line)
{
    static const char* const titles[LineCount]
        = { "Added Files/Folders", "Updated Files/Folders", "Deleted Files/Folders", "Processed Files/Folders" };
    return QString::fromLatin1(titles[line]);
}

void CActionSummaryDlg::View(Line line)
{
    const CFileRecordArray records = RecordsOf(line);
    if (m_viewer) {
        m_viewer(records, ViewTitle(line));
        return;
    }
    CViewFoldersDlg view(records, ViewTitle(line), m_gridLines, this);
    view.exec();
}
