// The main window's commands.
#include "StringTable.h"
#include "core/Prompter.h"
#include "platform/Clock.h"
#include "scheduler/DueTimes.h"
#include "ui/AboutDlg.h"
#include "ui/FolderDrop.h"
#include "ui/GeneralProgress.h"
#include "ui/KorvaneDlg.h"
#include "ui/MyListCtrl.h"
#include "ui/UIEffects.h"
#include "ui/UiContext.h"
#include "ui/UiText.h"
#include "web/WebEndpoint.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <algorithm>
#include <optional>

namespace {

CSet* ActiveSetOf(CSession& session)
{
    return session.ActiveSetPtr();
}

} // namespace

void CKorvaneDlg::OnSetChanged(int index)
{
    m_context.EditSession([index](CSession& session) {
        if (index >= 0 && static_cast<std::size_t>(index) < session.Sets.size())
            session.ActiveSet = index;
    });
    PostRefresh();
}

void CKorvaneDlg::OnActionChanged(int index)
{
    m_context.EditSession([index](CSession& session) {
        if (CSet* set = ActiveSetOf(session))
            set->ActiveAction = index == 1 ? 1 : 0;
    });
}

void CKorvaneDlg::Execute()
{
    if (!m_runs->Execute(-1))
        m_context.Prompter().MessageBox(LoadString(57719), MbOk | MbIconInformation);
}

void CKorvaneDlg::RunEntry(int action)
{
    const int row = m_list->SelectedRow();
    if (row < 0)
        return;
    if (!m_runs->Execute(static_cast<int>(m_list->RowData(row)), action))
        m_context.Prompter().MessageBox(LoadString(57719), MbOk | MbIconInformation);
}

void CKorvaneDlg::Scheduler()
{
    if (!m_context.Settings().SchedulerActive) {
        m_context.Prompter().MessageBox(LoadString(114), MbOk | MbIconInformation);
        return;
    }
    CScheduler schedule;
    const bool found = m_context.ReadSession([&schedule](const CSession& session) {
        if (session.ActiveSet < 0 || static_cast<std::size_t>(session.ActiveSet) >= session.Sets.size())
            return false;
        schedule.CopyFrom(session.Sets[static_cast<std::size_t>(session.ActiveSet)].Schedule);
        return true;
    });
    if (!found || !OpenScheduleDialog(schedule))
        return;
    const std::time_t now = m_services.Clock.Now();
    m_context.EditSession([&schedule, now](CSession& session) {
        CSet* set = ActiveSetOf(session);
        if (!set)
            return;
        set->Schedule.CopyFrom(schedule);
        if (set->Schedule.Active)
            ComputeDueTimes(set->Schedule, now);
    });
    PostRefresh();
}

void CKorvaneDlg::Manage()
{
    if (!OpenManageSetsDialog())
        return;
    m_context.EditSession([](CSession& session) {
        const int last = static_cast<int>(session.Sets.size()) - 1;
        session.ActiveSet = std::min(session.ActiveSet, std::max(last, 0));
    });
    // Sets may have moved: no figures belong to their rows any more.
    m_scans.CancelAll();
    m_reported.clear();
    PostRefresh();
}

// The index a new entry of the active set gets.
int CKorvaneDlg::NewEntryIndex() const
{
    return m_context.ReadSession([](const CSession& session) {
        const bool valid = session.ActiveSet >= 0 && static_cast<std::size_t>(session.ActiveSet) < session.Sets.size();
        return valid ? static_cast<int>(session.Sets[static_cast<std::size_t>(session.ActiveSet)].Entries.size()) : 0;
    });
}

void CKorvaneDlg::AddFolder()
{
    FolderDialogRequest request;
    request.Entry = NewEntryIndex();
    if (OpenFolderDialog(request))
        AfterFolderDialog(request);
}

void CKorvaneDlg::EditFolder()
{
    const int row = m_list->SelectedRow();
    if (row < 0)
        return;
    FolderDialogRequest request;
    request.Entry = static_cast<int>(m_list->RowData(row));
    request.Edit = true;
    if (OpenFolderDialog(request))
        AfterFolderDialog(request);
}

// After OK in the folder dialog: the list is rebuilt and, with
// AutomaticScan, the entry's figures are gathered again.
void CKorvaneDlg::AfterFolderDialog(const FolderDialogRequest& request)
{
    PostRefresh();
    if (request.Edit) {
        const int row = m_list->FindRow(request.Entry);
        RowMessage(true, row);
    }
    if (m_context.Settings().General.AutomaticScan)
        StartScan(request.Entry);
}

void CKorvaneDlg::RemoveFolder()
{
    const int row = m_list->SelectedRow();
    if (row < 0)
        return;
    const int entry = static_cast<int>(m_list->RowData(row));
    if (m_context.Prompter().MessageBox(LoadString(57692), MbOkCancel | MbIconQuestion) != IdOk)
        return;
    // The entries after it move up: no figures stay with the wrong row.
    for (int i = 0; i < m_list->rowCount(); ++i)
        RowMessage(true, i);
    m_scans.CancelAll(ActiveSetIndex());
    m_context.EditSession([entry](CSession& session) {
        CSet* set = ActiveSetOf(session);
        if (set && entry >= 0 && static_cast<std::size_t>(entry) < set->Entries.size())
            set->Entries.erase(set->Entries.begin() + entry);
    });
    PostRefresh();
}

std::unique_ptr<QMenu> CKorvaneDlg::BuildPopupMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    const bool selected = m_list->SelectedRow() >= 0;
    const bool scanning = m_scans.AnyRunning(ActiveSetIndex());
    QAction* rescan = menu->addAction(QStringLiteral("Rescan"), this, &CKorvaneDlg::Rescan);
    QAction* cancel = menu->addAction(QStringLiteral("Cancel"), this, &CKorvaneDlg::CancelScans);
    menu->addSeparator();
    QAction* view = menu->addAction(QStringLiteral("View"), this, &CKorvaneDlg::ViewFolder);
    QAction* versions = menu->addAction(QStringLiteral("Versions..."), this, &CKorvaneDlg::OpenVersions);
    QMenu* action = menu->addMenu(QStringLiteral("Action"));
    action->addAction(QStringLiteral("Backup"), this, [this] { RunEntry(0); });
    action->addAction(QStringLiteral("Restore"), this, [this] { RunEntry(1); });
    rescan->setEnabled(!scanning);
    cancel->setEnabled(scanning);
    view->setEnabled(selected && ViewFoldersAvailable());
    action->setEnabled(selected);
    versions->setEnabled(selected);
    return menu;
}

void CKorvaneDlg::Rescan()
{
    PostRefresh();
    for (int row = 0; row < m_list->rowCount(); ++row)
        RowMessage(true, row);
    for (int row = 0; row < m_list->rowCount(); ++row)
        StartScan(static_cast<int>(m_list->RowData(row)));
}

void CKorvaneDlg::CancelScans()
{
    for (int row = 0; row < m_list->rowCount(); ++row)
        RowMessage(true, row);
    m_summary->setText(QString::fromStdString(LoadString(57705)));
}

// A fresh pass over the entry (one still running is replaced by it, which
// ends as waiting for it would), watched by a progress window: Cancel there
// stops it and shows nothing; else the list of what it found opens.
void CKorvaneDlg::ViewFolder()
{
    const int row = m_list->SelectedRow();
    if (row < 0 || !ViewFoldersAvailable())
        return;
    const CFolderScans::Key key = KeyOfRow(row);
    StartScan(key.second);
    auto* progress = new CGeneralProgress(
        LoadQString(57707), [this, key] { return m_scans.Running(key); }, this, this);
    progress->Start([this, key](bool ended) {
        if (!ended) {
            const int shown = m_list->FindRow(key.second);
            if (shown >= 0)
                RowMessage(true, shown);
            m_scans.Cancel(key);
            return;
        }
        const FolderFigures figures = m_scans.Figures(key);
        if (!figures.ScanComplete || figures.ScanRunning)
            return;
        // Opened once the progress window has gone.
        QMetaObject::invokeMethod(
            this, [this, list = m_scans.SourceList(key)] { OpenViewFolders(*list); }, Qt::QueuedConnection);
    });
}

void CKorvaneDlg::FileNew()
{
    CSession& session = m_context.Session();
    const int result = session.RunFileCommand(SessionCommand::New, m_context.Prompter());
    if (result == 0) {
        m_scans.CancelAll();
        m_reported.clear();
    }
    if (result >= -1)
        PostRefresh();
}

void CKorvaneDlg::FileOpen()
{
    if (OpenSessionFile(nullptr) == 0) {
        m_scans.CancelAll();
        m_reported.clear();
    }
    PostRefresh();
}

// The session's own open empties it before it asks for the file, and keeps
// it empty when the open fails; the window would then show sets that are
// no longer there. The save question comes first, here, so that what is put
// back is what the answer left, and the open does not ask it again.
int CKorvaneDlg::OpenSessionFile(const std::string* path)
{
    CSession& session = m_context.Session();
    CPrompter& prompter = m_context.Prompter();
    if (session.HasUnsavedChanges()) {
        const int answer = prompter.MessageBox(LoadString(57684), MbYesNoCancel | MbIconQuestion);
        if (answer == IdCancel)
            return -1;
        if (answer == IdYes && session.RunFileCommand(SessionCommand::Save, prompter) != 0)
            return -1;
    }
    const CSession before = session;
    const std::optional<CSession> savedBefore
        = session.SavedCopy ? std::optional<CSession>(*session.SavedCopy) : std::nullopt;
    if (session.SavedCopy)
        *session.SavedCopy = session;
    const int result = session.RunFileCommand(SessionCommand::Open, prompter, path);
    if (result == 0)
        return 0;
    session = before;
    if (savedBefore)
        *session.SavedCopy = *savedBefore;
    return result;
}

void CKorvaneDlg::FileSave()
{
    if (m_context.Session().RunFileCommand(SessionCommand::Save, m_context.Prompter()) >= -1)
        PostRefresh();
}

void CKorvaneDlg::FileSaveAs()
{
    if (m_context.Session().RunFileCommand(SessionCommand::SaveAs, m_context.Prompter()) >= -1)
        PostRefresh();
}

void CKorvaneDlg::OpenHandedOver(const std::string& path)
{
    BringForward();
    if (OpenSessionFile(&path) == 0) {
        m_scans.CancelAll();
        m_reported.clear();
    }
    PostRefresh();
}

void CKorvaneDlg::Settings()
{
    const SettingsRecord before = m_context.Settings();
    if (OpenSettingsDialog())
        ApplySettings(before);
}

void CKorvaneDlg::ViewLog()
{
    OpenLogViewer();
}

void CKorvaneDlg::About()
{
    CAboutDlg about(this, CWebEndpoint::FromSettings(m_context.Settings()).HomePage().toString());
    about.exec();
}

bool CKorvaneDlg::RequestFromDrop(const QStringList& paths, FolderDialogRequest& request)
{
    std::vector<std::string> local;
    for (const QString& path : paths)
        local.push_back(path.toStdString());
    const FolderDrop drop = FolderDrop::FromPaths(local);
    if (drop.kind == FolderDrop::Mixed)
        return false;
    // The file system root is a folder like any other here and keeps its
    // "/"; there are no drive letters to complete.
    request.Preset = true;
    request.Immediate = true;
    request.Source = drop.source;
    request.Include = drop.includeFiles;
    request.Recursive = drop.kind != FolderDrop::Files;
    return true;
}

// Folders and files dropped from the file manager: one folder, or files of
// one folder, become a new entry that the folder dialog checks at once.
void CKorvaneDlg::DropPaths(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    FolderDialogRequest request;
    if (!RequestFromDrop(paths, request)) {
        m_context.Prompter().MessageBox(LoadString(57702), MbOk | MbIconInformation);
        return;
    }
    request.Entry = NewEntryIndex();
    if (OpenFolderDialog(request))
        AfterFolderDialog(request);
}

// Settings confirmed in the settings dialog take effect in the windows: the
// grid lines, the tooltip delay, the fading and the schedules' due times.
void CKorvaneDlg::ApplySettings(const SettingsRecord& before)
{
    const SettingsRecord now = m_context.Settings();
    m_list->SetGridLines(now.General.GridlinesList != 0);
    SetTooltipDelay(now.General.TooltipDelay);
    if (now.General.AlphaBlending != before.General.AlphaBlending) {
        CUIEffects::SetEnabled(now.General.AlphaBlending != 0);
        CUIEffects::SetLayered(this, now.General.AlphaBlending != 0);
    }
    UpdateTray();
    const std::time_t time = m_services.Clock.Now();
    m_context.EditSession([time](CSession& session) {
        for (CSet& set : session.Sets) {
            if (set.Schedule.Active)
                ComputeDueTimes(set.Schedule, time);
        }
    });
    PostRefresh();
}
