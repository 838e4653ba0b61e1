#include "ui/ActionSummaryDlg.h"

#include "StringTable.h"
#include "engine/VersionPruner.h"
#include "scan/PathFormat.h"
#include "scheduler/ActionRunner.h"
#include "ui/Icons.h"
#include "ui/LayoutHelper.h"
#include "ui/UiText.h"
#include "ui/ViewFoldersDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QTreeWidget>

namespace {

constexpr int kListHeight = 130;
constexpr int kWideWidth = 640;

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
    m_failed = Field(QStringLiteral("Failed"), QStringLiteral("%1 items").arg(s.Failures.size()), 132);
    m_failed->setObjectName(QStringLiteral("failedCount"));
    int top = 162;
    if (!s.VersionSpace.empty()) {
        AddVersionSpace(top);
        top += 30;
    }
    m_time = Field(QStringLiteral("Time"), ToQ(CActionRunner::FormatElapsed(s.Elapsed)), top);
    // Paths and reasons need room: with failed items the window is wider.
    const int width = s.Failures.empty() ? 414 : kWideWidth;
    int bottom = top + 34;
    if (!s.Failures.empty()) {
        AddFailures(bottom, width - 24);
        bottom += kListHeight + 10;
    }
    m_status = new QLabel(s.Cancelled ? QStringLiteral("Cancelled") : QString(), this);
    m_status->setObjectName(QStringLiteral("status"));
    QFont bold = m_status->font();
    bold.setBold(true);
    m_status->setFont(bold);
    Place(m_status, 12, bottom + 4, 244, 16);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    Place(ok, width - 84, bottom, 72, 24);
    SizeToDesign(width, bottom + 34);
    SetUpDialog();
    if (m_failures) {
        // The failed paths take what the window gains.
        Layout()->Enable(true);
        Layout()->AddItem(m_failures, 0, 0, 100, 100);
        Layout()->AddItem(m_status, 0, 100, 0, 0);
        Layout()->AddItem(ok, 100, 100, 0, 0);
    }
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

QString CActionSummaryDlg::FailedText() const
{
    return m_failed->text();
}

QString CActionSummaryDlg::StatusText() const
{
    return m_status->text();
}

QLabel* CActionSummaryDlg::Field(const QString& caption, const QString& text, int top)
{
    auto* label = new QLabel(caption, this);
    Place(label, 12, top + 4, 64, 16);
    auto* field = new QLabel(text, this);
    field->setFrameShape(QFrame::StyledPanel);
    Place(field, 78, top, 244, 24);
    return field;
}

// The areas' sizes added up in the field; each area, by its path, in the tip.
void CActionSummaryDlg::AddVersionSpace(int top)
{
    std::uint64_t total = 0;
    QStringList areas;
    for (const VersionAreaSpace& space : m_summary.VersionSpace) {
        total += space.Bytes;
        areas += ToQ(FormatString(LoadString(57806).c_str(), CVersionPruner::SpaceText(space.Bytes).c_str(),
            TerminalSafeText(space.Area).c_str()));
    }
    m_versions = Field(LoadQString(57807), ToQ(CVersionPruner::SpaceText(total)), top);
    m_versions->setObjectName(QStringLiteral("versionSpace"));
    m_versions->setToolTip(Qt::convertFromPlainText(areas.join(QLatin1Char('\n')), Qt::WhiteSpaceNormal));
}

// Paths are shortened in the middle, where the list is too narrow, and
// shown whole in the row's tip: the end of a path names the item. A name's
// control characters show as escapes, as in the log, so each row is one line.
void CActionSummaryDlg::AddFailures(int top, int width)
{
    m_failures = new QTreeWidget(this);
    m_failures->setObjectName(QStringLiteral("failures"));
    m_failures->setRootIsDecorated(false);
    m_failures->setUniformRowHeights(true);
    m_failures->setTextElideMode(Qt::ElideMiddle);
    m_failures->setHeaderLabels({ QStringLiteral("Failed item"), QStringLiteral("Reason") });
    for (const FailedItem& failure : m_summary.Failures) {
        const QString path = ToQ(TerminalSafeText(failure.Path));
        const QString reason = ToQ(TerminalSafeText(failure.Reason));
        auto* row = new QTreeWidgetItem(m_failures, { path, reason });
        const QString tip = Qt::convertFromPlainText(path + QLatin1Char('\n') + reason, Qt::WhiteSpaceNormal);
        row->setToolTip(0, tip);
        row->setToolTip(1, tip);
    }
    Place(m_failures, 12, top, width, kListHeight);
    m_failures->setColumnWidth(0, Dx(width * 11 / 20));
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
