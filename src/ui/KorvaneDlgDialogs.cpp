// Where the main window opens the dialogs of its commands. Each function
// returns true when the dialog closed with OK (and changed the session or
// settings as its dialog describes).
// The dialogs get copies of what they edit and hand values back; the
// session is changed here, inside EditSession, after OK.
#include "StringTable.h"
#include "app/ShellIntegration.h"
#include "core/Prompter.h"
#include "log/ActivityLog.h"
#include "platform/Clock.h"
#include "scan/FileRecordArray.h"
#include "ui/AddFolderDlg.h"
#include "ui/KorvaneDlg.h"
#include "ui/ManageBackupSetsDlg.h"
#include "ui/MyListCtrl.h"
#include "ui/SchedulerAddDlg.h"
#include "ui/SettingsDlg.h"
#include "ui/SettingsSchedulerDlg.h"
#include "ui/UiContext.h"
#include "ui/VersionsDlg.h"
#include "ui/ViewFoldersDlg.h"
#include "ui/ViewLogDlg.h"

#include <optional>

bool CKorvaneDlg::OpenFolderDialog(const FolderDialogRequest& request)
{
    const std::optional<CSet> set = m_context.Session().CopyActiveSet();
    if (!set)
        return false;
    CAddFolderDlg dialog(*set, request.Entry, request.Edit, m_context.Prompter(), this);
    dialog.SetClock(m_services.Clock);
    if (request.Preset)
        dialog.SetPreset(
            FolderDrop { request.Recursive ? FolderDrop::Folder : FolderDrop::Files, request.Source, request.Include });
    dialog.SetImmediateConfirm(request.Immediate);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return m_context.EditSession([&dialog](CSession& session) {
        CSet* active = session.ActiveSetPtr();
        return active && dialog.Result().ApplyTo(*active) >= 0;
    });
}

bool CKorvaneDlg::OpenManageSetsDialog()
{
    std::deque<CSet> sets = m_context.ReadSession([](const CSession& session) { return session.Sets; });
    CManageBackupSetsDlg dialog(
        std::move(sets), m_context.Settings().General.GridlinesList != 0, m_context.Prompter(), this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The copies carry no due times; the scheduler thread gives active
    // schedules theirs at its next pass.
    // A set made in the dialog is the one the user goes on with.
    const int newSet = dialog.NewSetRow();
    m_context.EditSession([&dialog, newSet](CSession& session) {
        session.Sets = dialog.TakeSets();
        if (newSet >= 0)
            session.ActiveSet = newSet;
    });
    return true;
}

bool CKorvaneDlg::OpenScheduleDialog(CScheduler& schedule)
{
    CSchedulerAddDlg dialog(schedule, m_context.Settings().Scheduler.SMTPServer, m_context.Prompter(), this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    schedule.CopyFrom(dialog.Schedule());
    return true;
}

bool CKorvaneDlg::OpenSettingsDialog()
{
    const SettingsRecord settings = m_context.Settings();
    CShellIntegration shell(settings.ModulePath);
    CSettingsDlg dialog(settings, m_context.Prompter(), shell, this);
    dialog.SchedulerPage()->SetPasswordStore(m_context.Passwords());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // One new snapshot, saved with the automatic start: the scheduler thread
    // and every run take the settings from before OK or after it, never a mix.
    // A password moving into the keyring leaves the file in a second one,
    // once the keyring holds it.
    m_context.ApplySettings(dialog.Result());
    return true;
}

void CKorvaneDlg::OpenLogViewer()
{
    const SettingsRecord settings = m_context.Settings();
    if (!settings.General.LogActivate) {
        m_context.Prompter().MessageBox(LoadString(57731), MbOk | MbIconInformation);
        return;
    }
    CViewLogDlg dialog(CActivityLog::EffectiveFileName(settings.General.LogFileName),
        settings.General.GridlinesList != 0, m_context.Prompter(), m_services.Clock, this);
    dialog.exec();
}

bool CKorvaneDlg::ViewFoldersAvailable() const
{
    return true;
}

// The entry as the session holds it now; the window reads its backup
// folder on a thread of its own.
void CKorvaneDlg::OpenVersions()
{
    const int row = m_list->SelectedRow();
    if (row < 0)
        return;
    const CFolderScans::Key key = KeyOfRow(row);
    const std::optional<CBackup> entry
        = m_context.ReadSession([&key](const CSession& session) -> std::optional<CBackup> {
              if (key.first < 0 || static_cast<std::size_t>(key.first) >= session.Sets.size())
                  return std::nullopt;
              const CSet& set = session.Sets[static_cast<std::size_t>(key.first)];
              if (key.second < 0 || static_cast<std::size_t>(key.second) >= set.Entries.size())
                  return std::nullopt;
              return set.Entries[static_cast<std::size_t>(key.second)];
          });
    if (!entry)
        return;
    CVersionsDlg dialog(*entry, m_services.Clock.Now(), m_context.Settings().General.GridlinesList != 0, this);
    dialog.exec();
}

void CKorvaneDlg::OpenViewFolders(const CFileRecordArray& list)
{
    CViewFoldersDlg dialog(list, {}, m_context.Settings().General.GridlinesList != 0, this);
    dialog.exec();
}
