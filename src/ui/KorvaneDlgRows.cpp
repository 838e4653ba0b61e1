// The main window's rows: refresh, row messages, the row timer, the summary
// line and the information box.
#include "StringTable.h"
#include "platform/Clock.h"
#include "scan/PathFormat.h"
#include "ui/EmptyListPrompt.h"
#include "ui/KorvaneDlg.h"
#include "ui/MyComboBoxEx.h"
#include "ui/MyListCtrl.h"
#include "ui/UiContext.h"
#include "ui/UiText.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// What a row shows of its entry, read under the session's lock.
struct RowSource {
    std::string Source;
    std::int32_t Recursive = 1;
};

struct SetView {
    std::vector<std::pair<std::string, bool>> Sets; // name, schedule active
    int Active = 0;
    int Action = 0;
    std::vector<RowSource> Rows;
};

} // namespace

void CKorvaneDlg::PostRefresh()
{
    if (m_refreshPosted)
        return;
    m_refreshPosted = true;
    QMetaObject::invokeMethod(this, &CKorvaneDlg::Refresh, Qt::QueuedConnection);
}

int CKorvaneDlg::ActiveSetIndex() const
{
    return m_context.ReadSession([](const CSession& session) { return session.ActiveSet; });
}

CFolderScans::Key CKorvaneDlg::KeyOfRow(int row) const
{
    return { ActiveSetIndex(), static_cast<int>(m_list->RowData(row)) };
}

void CKorvaneDlg::Refresh()
{
    m_refreshPosted = false;
    SetView view = m_context.EditSession([](CSession& session) {
        SetView result;
        if (session.Sets.empty())
            return result;
        // A file may name a set that is not there; the window shows the last.
        session.ActiveSet = std::clamp(session.ActiveSet, 0, static_cast<int>(session.Sets.size()) - 1);
        result.Active = session.ActiveSet;
        for (const CSet& set : session.Sets)
            result.Sets.emplace_back(set.Name, set.Schedule.Active != 0);
        const CSet& active = session.Sets[static_cast<std::size_t>(session.ActiveSet)];
        result.Action = active.ActiveAction == 1 ? 1 : 0;
        for (const CBackup& entry : active.Entries)
            result.Rows.push_back({ entry.SourceFolder, entry.Recursive });
        return result;
    });
    UpdateTitle();
    if (view.Sets.empty())
        return;
    m_filling = true;
    m_list->SetRedraw(false);
    m_list->setRowCount(0);
    m_setSelector->clear();
    for (const auto& [name, scheduled] : view.Sets)
        m_setSelector->AddItem(Q(name), scheduled ? 1 : 0);
    const std::time_t now = m_services.Clock.Now();
    for (std::size_t i = 0; i < view.Rows.size(); ++i) {
        const std::string expanded = ExpandPathTags(view.Rows[i].Source, now);
        const int row = m_list->AddRow(Q(expanded), view.Rows[i].Recursive ? 1 : 0);
        m_list->SetRowData(row, static_cast<std::int64_t>(i));
        m_list->item(row, 0)->setToolTip(PlainTip(Q(view.Rows[i].Source)));
        if (!QFileInfo(Q(expanded)).isDir())
            m_list->SetRowWarning(row, true);
        const CFolderScans::Key key { view.Active, static_cast<int>(i) };
        const FolderFigures figures = m_scans.Figures(key);
        SetRowFigures(row, m_scans.Has(key) ? &figures : nullptr);
    }
    m_list->Sort(0, true);
    m_list->SetRedraw(true);
    m_setSelector->setCurrentIndex(view.Active);
    m_setSelector->FitDropDownWidth();
    const int entries = static_cast<int>(view.Rows.size());
    m_foldersGroup->setTitle(entries > 0 ? QStringLiteral("Folders To Backup (%1 entries)").arg(entries)
                                         : QStringLiteral("Folders To Backup"));
    m_actionSelector->setCurrentIndex(view.Action);
    m_actionSelector->setEnabled(entries > 0);
    m_executeButton->setEnabled(entries > 0);
    m_list->setEnabled(entries > 0);
    m_emptyPrompt->ShowFor(entries);
    m_filling = false;
    OnSelectionChanged();
    m_summary->setText(Q(LoadString(57705)));
    UpdateRunStatus();
    // Figures kept from earlier passes make a summary at once.
    for (int row = 0; row < m_list->rowCount(); ++row) {
        if (m_scans.Figures({ view.Active, static_cast<int>(m_list->RowData(row)) }).ScanComplete) {
            UpdateSummary();
            break;
        }
    }
}

void CKorvaneDlg::UpdateTitle()
{
    const auto [file, unsaved] = m_context.ReadSession(
        [](const CSession& session) { return std::make_pair(session.FileName, session.HasUnsavedChanges()); });
    const QString name = QFileInfo(Q(file)).fileName();
    setWindowTitle(name.isEmpty() ? QStringLiteral("Korvane[*]") : name + QStringLiteral("[*] - Korvane"));
    setWindowModified(unsaved);
}

void CKorvaneDlg::SetRowFigures(int row, const FolderFigures* figures)
{
    std::array<std::string, 3> texts { "-", "-", "-" };
    std::array<std::int64_t, 3> values { 0, 0, 0 };
    if (figures) {
        values = { figures->FolderCount, figures->FileCount, static_cast<std::int64_t>(figures->TotalSize) };
        if (values[0] != 0)
            texts[0] = std::to_string(values[0]);
        if (values[1] != 0)
            texts[1] = std::to_string(values[1]);
        texts[2] = FormatSize(figures->TotalSize);
    }
    for (int column = 1; column <= 3; ++column) {
        m_list->SetCell(row, column, Q(texts[static_cast<std::size_t>(column - 1)]));
        m_list->SetSortValue(row, column, values[static_cast<std::size_t>(column - 1)]);
    }
}

void CKorvaneDlg::RowMessage(bool cancel, int row)
{
    if (row < 0 || row >= m_list->rowCount())
        return;
    const CFolderScans::Key key = KeyOfRow(row);
    if (cancel) {
        m_scans.Cancel(key);
        m_reported.erase(key);
        SetRowFigures(row, nullptr);
        return;
    }
    if (!m_scans.Has(key)) {
        SetRowFigures(row, nullptr);
        return;
    }
    const FolderFigures figures = m_scans.Figures(key);
    SetRowFigures(row, &figures);
    UpdateSummary();
}

std::string CKorvaneDlg::SummaryLine(
    int files, int folders, std::uint64_t size, std::uint64_t onDisk, std::uint64_t clusterBytes)
{
    std::string text = FormatString("%d files, %d folders", files, folders);
    if (size != 0) {
        text += " (" + FormatSize(size) + "), size on disk " + FormatSize(onDisk) + " (" + FormatSize(clusterBytes)
            + " cluster size)";
    }
    return text;
}

std::string CKorvaneDlg::SummaryLine() const
{
    const int set = ActiveSetIndex();
    int files = 0;
    int folders = 0;
    std::uint64_t size = 0;
    std::uint64_t onDisk = 0;
    for (int row = 0; row < m_list->rowCount(); ++row) {
        const FolderFigures figures = m_scans.Figures({ set, static_cast<int>(m_list->RowData(row)) });
        files += figures.FileCount;
        folders += figures.FolderCount;
        size += figures.TotalSize;
        onDisk += figures.SizeOnDisk;
    }
    return SummaryLine(files, folders, size, onDisk, m_context.Settings().ClusterBytes());
}

void CKorvaneDlg::UpdateSummary()
{
    m_summary->setText(Q(SummaryLine()));
}

// Running passes show growing figures; a pass that has just completed shows
// its final ones once.
void CKorvaneDlg::OnRowTimer()
{
    for (int row = 0; row < m_list->rowCount(); ++row) {
        const CFolderScans::Key key = KeyOfRow(row);
        if (!m_scans.Has(key))
            continue;
        const FolderFigures figures = m_scans.Figures(key);
        if (figures.ScanRunning) {
            RowMessage(false, row);
        } else if (figures.ScanComplete && !m_reported.count(key)) {
            m_reported.insert(key);
            RowMessage(false, row);
        }
    }
}

void CKorvaneDlg::OnSelectionChanged()
{
    if (m_filling)
        return;
    const int row = m_list->SelectedRow();
    m_editButton->setEnabled(row >= 0);
    m_removeButton->setEnabled(row >= 0);
    ShowInformation(row >= 0 ? static_cast<int>(m_list->RowData(row)) : -1);
}

void CKorvaneDlg::ShowInformation(int entry)
{
    const std::array<std::string, 5> texts = m_context.ReadSession([entry](const CSession& session) {
        std::array<std::string, 5> result;
        if (entry < 0 || session.ActiveSet < 0 || static_cast<std::size_t>(session.ActiveSet) >= session.Sets.size())
            return result;
        const CSet& set = session.Sets[static_cast<std::size_t>(session.ActiveSet)];
        if (static_cast<std::size_t>(entry) >= set.Entries.size())
            return result;
        const CBackup& e = set.Entries[static_cast<std::size_t>(entry)];
        return std::array<std::string, 5> { e.SourceFolder, e.DestinationFolder, e.IncludeFiles, e.ExcludeFiles,
            e.ExcludeFolders };
    });
    for (std::size_t i = 0; i < texts.size(); ++i) {
        m_infoValues[i]->setText(Q(texts[i]));
        m_infoValues[i]->setCursorPosition(0);
    }
}

void CKorvaneDlg::StartScan(int entry)
{
    const int set = ActiveSetIndex();
    const std::optional<CSet> copy = m_context.Session().CopySet(set);
    if (!copy || entry < 0 || static_cast<std::size_t>(entry) >= copy->Entries.size())
        return;
    m_reported.erase({ set, entry });
    m_scans.Start({ set, entry }, copy->Entries[static_cast<std::size_t>(entry)], m_context.Settings().ClusterBytes(),
        m_services.Clock.Now());
}

// Before a run: every pass stops (its row shows "-"); the run waits for
// them on its own thread.
std::vector<std::function<bool()>> CKorvaneDlg::StopScansForRun()
{
    for (int row = 0; row < m_list->rowCount(); ++row)
        SetRowFigures(row, nullptr);
    m_reported.clear();
    return m_scans.CancelAll();
}
