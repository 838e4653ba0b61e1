#pragma once

#include "ui/FolderScans.h"
#include "ui/MyDialog.h"
#include "ui/RunController.h"

#include <QTimer>
#include <array>
#include <memory>
#include <optional>
#include <set>
#include <string>

class CClock;
class CEmptyListPrompt;
class CFileRecordArray;
class CMyComboBoxEx;
class CMyListCtrl;
class CRunNotices;
class CRunWindows;
class CScheduler;
class CSchedulerThread;
class CTrayIcon;
class CUiContext;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
struct SettingsRecord;

// What the Add/Edit folder dialog is opened with.
struct FolderDialogRequest {
    int Entry = -1; // the entry edited, or the index a new entry gets
    bool Edit = false;
    bool Immediate = false; // validate and close at once (a drop)
    bool Preset = false; // the texts below replace the defaults
    std::string Source;
    std::string Include;
    bool Recursive = true;
};

// The main window: the active set, its action and folder entries with their
// figures, the information box and the summary line. It owns the folder
// statistics passes, the runs started from it and the scheduler thread.
class CKorvaneDlg : public CMyDialog {
    Q_OBJECT

public:
    struct Services {
        CRunController::RunnerFactory RunnerFactory;
        const CClock& Clock;
        bool StartScheduler = true;
        // Whether the desktop has a notification area; unset: ask it.
        std::optional<bool> TrayAvailable = std::nullopt;
        // Whether the desktop is online; unset: ask it.
        std::function<bool()> Connected = {};
    };

    // The design size of the window in design pixels.
    static constexpr int kDesignWidth = 685;
    static constexpr int kDesignHeight = 517;

    CKorvaneDlg(CUiContext& context, Services services, QWidget* parent = nullptr);
    ~CKorvaneDlg() override;

    // Posts the refresh (coalesced: many posts, one rebuild).
    void PostRefresh();
    void Refresh();
    // Updates one row's figures and the summary; with cancel, the row's
    // folder statistics pass is cancelled and its figures become "-".
    void RowMessage(bool cancel, int row);

    // Commands, one function each.
    void OnSetChanged(int index);
    void OnActionChanged(int index);
    void Execute();
    void Scheduler();
    void Manage();
    void AddFolder();
    void EditFolder();
    void RemoveFolder();
    void Rescan();
    void CancelScans();
    void ViewFolder();
    void OpenVersions();
    void RunEntry(int action);
    void FileNew();
    void FileOpen();
    void FileSave();
    void FileSaveAs();
    void Settings();
    void ViewLog();
    void About();
    // The Help menu's web commands (KorvaneDlgWeb.cpp).
    void CheckForUpdates();
    void Documentation();
    void OnlineSupport();
    void Feedback();
    // Opens the session a second start handed over.
    void OpenHandedOver(const std::string& path);
    // What a later start handed over: the window comes forward; a session
    // path is opened (after any open dialog has closed), a switch such as
    // "/i" or a long option only brings the window forward.
    void ReceiveHandOver(const std::optional<std::string>& text);
    static bool IsProgramSwitch(const std::string& text);

    // The tray (KorvaneDlgTray.cpp).
    CTrayIcon& Tray() { return *m_tray; }
    // Into the tray where its icon can be seen, else to the task bar.
    void MinimiseToTray();
    void RestoreFromTray();
    bool InTray() const { return m_inTray; }
    // How the window first appears: in the tray when the scheduler is
    // active and the icon shows; minimised to the task bar when the
    // scheduler is active and the desktop has no tray, or when started at
    // logon without a visible icon; else shown.
    void ShowAtStart(bool automaticStart);
    // Shows or hides the icon by SchedulerActive and TrayHideIdle.
    void UpdateTray();
    // Folders and files dropped onto the window (local paths).
    void DropPaths(const QStringList& paths);
    // The new entry a drop makes; false when a folder came with other items
    // (message 57702).
    static bool RequestFromDrop(const QStringList& paths, FolderDialogRequest& request);

    // Closing as a signal asks it: no questions, the running action
    // cancelled and waited for, placement saved, the scheduler stopped.
    void CloseForSignal();
    // The window has closed for good (the program may end).
    bool Closed() const { return m_closed; }

    // Parts the tests and the screenshots reach.
    CMyListCtrl* List() const { return m_list; }
    CMyComboBoxEx* SetSelector() const { return m_setSelector; }
    QComboBox* ActionSelector() const { return m_actionSelector; }
    QPushButton* ExecuteButton() const { return m_executeButton; }
    QPushButton* AddButton() const { return m_addButton; }
    QPushButton* EditButton() const { return m_editButton; }
    QPushButton* RemoveButton() const { return m_removeButton; }
    QLineEdit* SummaryText() const { return m_summary; }
    QLineEdit* InformationText(int index) const { return m_infoValues[static_cast<std::size_t>(index)]; }
    QGroupBox* FoldersGroup() const { return m_foldersGroup; }
    QMenuBar* Menu() const { return m_menuBar; }
    // Over the list while the active set has no entries.
    CEmptyListPrompt* EmptyPrompt() const { return m_emptyPrompt; }
    CFolderScans& Scans() { return m_scans; }
    CRunController& Runs() { return *m_runs; }
    CRunWindows& RunWindows() { return *m_runWindows; }
    // The popup menu of the list as it would open now.
    std::unique_ptr<QMenu> BuildPopupMenu();
    // The active set's last and next run, under the set selector.
    QLabel* RunStatusText() const { return m_runStatus; }
    CRunNotices& Notices() { return *m_notices; }
    // Reads the run history again: the line, the tray's tooltip and the
    // overdue notices (KorvaneDlgRunStatus.cpp).
    void UpdateRunStatus();
    // The summary line for the figures of the active set.
    std::string SummaryLine() const;
    static std::string SummaryLine(
        int files, int folders, std::uint64_t size, std::uint64_t onDisk, std::uint64_t clusterBytes);

Q_SIGNALS:
    void ClosedForGood();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Construction (KorvaneDlg.cpp).
    void CreateControls();
    void CreateMenu();
    void RegisterLayout();
    void ConnectCommands();
    void StartScheduler();
    // Rows (KorvaneDlgRows.cpp).
    void OnRowTimer();
    void OnSelectionChanged();
    void ShowInformation(int entry);
    void SetRowFigures(int row, const FolderFigures* figures);
    void UpdateSummary();
    int ActiveSetIndex() const;
    CFolderScans::Key KeyOfRow(int row) const;
    void StartScan(int entry);
    std::vector<std::function<bool()>> StopScansForRun();
    // Tray (KorvaneDlgTray.cpp).
    void CreateTray();
    void OnTrayCommand(int command);
    void UpdateTrayMenu();
    void BringForward();
    void OpenPendingHandOver();
    // Run status (KorvaneDlgRunStatus.cpp).
    void CreateRunStatus();
    // The session's file name and whether it has unsaved changes, in the
    // title bar (KorvaneDlgRows.cpp).
    void UpdateTitle();
    // Opens a session file (asked for when path is null); after a failure
    // or Cancel the session that was loaded stays, and stays shown. 0 on
    // success.
    int OpenSessionFile(const std::string* path);
    // Closing (KorvaneDlg.cpp).
    bool AskToClose();
    void RecordLastSession();
    void FinishClosing();
    void ContinueClosing();
    // The windows of other dialogs (KorvaneDlgDialogs.cpp); true on OK.
    bool OpenFolderDialog(const FolderDialogRequest& request);
    bool OpenManageSetsDialog();
    bool OpenScheduleDialog(CScheduler& schedule);
    bool OpenSettingsDialog();
    void OpenLogViewer();
    void OpenViewFolders(const CFileRecordArray& list);
    bool ViewFoldersAvailable() const;
    void ApplySettings(const SettingsRecord& before);
    void AfterFolderDialog(const FolderDialogRequest& request);
    int NewEntryIndex() const;
    bool Connected() const;

    CUiContext& m_context;
    Services m_services;
    QMenuBar* m_menuBar = nullptr;
    QGroupBox* m_activeSetGroup = nullptr;
    CMyComboBoxEx* m_setSelector = nullptr;
    QPushButton* m_schedulerButton = nullptr;
    QPushButton* m_manageButton = nullptr;
    QGroupBox* m_actionGroup = nullptr;
    QComboBox* m_actionSelector = nullptr;
    QPushButton* m_executeButton = nullptr;
    QGroupBox* m_foldersGroup = nullptr;
    CMyListCtrl* m_list = nullptr;
    CEmptyListPrompt* m_emptyPrompt = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_editButton = nullptr;
    QPushButton* m_removeButton = nullptr;
    QGroupBox* m_infoGroup = nullptr;
    std::array<QLabel*, 5> m_infoLabels {};
    std::array<QLineEdit*, 5> m_infoValues {};
    QLabel* m_summaryLabel = nullptr;
    QLineEdit* m_summary = nullptr;
    QAction* m_logAction = nullptr;
    QLabel* m_runStatus = nullptr;
    CRunNotices* m_notices = nullptr;
    QTimer m_runStatusTimer;

    CFolderScans m_scans;
    std::set<CFolderScans::Key> m_reported;
    QTimer m_rowTimer;
    bool m_refreshPosted = false;
    bool m_filling = false;
    CRunWindows* m_runWindows = nullptr;
    CRunController* m_runs = nullptr;
    std::unique_ptr<CSchedulerThread> m_scheduler;
    CTrayIcon* m_tray = nullptr;
    bool m_inTray = false;
    std::optional<std::string> m_pendingHandOver;
    QTimer m_handOverTimer;
    QTimer m_closeTimer;
    bool m_closing = false;
    bool m_closed = false;
};
