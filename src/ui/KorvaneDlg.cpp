#include "ui/KorvaneDlg.h"

#include "StringTable.h"
#include "core/Prompter.h"
#include "core/WindowState.h"
#include "scheduler/SchedulerThread.h"
#include "ui/EmptyListPrompt.h"
#include "ui/Icons.h"
#include "ui/LayoutHelper.h"
#include "ui/MyComboBoxEx.h"
#include "ui/MyListCtrl.h"
#include "ui/PathField.h"
#include "ui/RunWindows.h"
#include "ui/ShutDownDlg.h"
#include "ui/UiContext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

namespace {

const char* const kInformationLabels[]
    = { "Source Folder", "Backup Folder", "Include Files", "Exclude Files", "Exclude Folders" };

constexpr int kRowTimerMs = 250;
constexpr int kCloseCheckMs = 20;

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

CKorvaneDlg::CKorvaneDlg(CUiContext& context, Services services, QWidget* parent)
    : CMyDialog(parent)
    , m_context(context)
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Korvane[*]"));
    setWindowIcon(CIcons::Application());
    // A main window for the window manager (task bar, minimise, maximise),
    // though built on the dialog base all windows share.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
        | Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    CreateMenu();
    CreateControls();
    SetReferenceSize(width(), height());
    SetUpDialog();
    RegisterLayout();
    ConnectCommands();
    SetPlacementKey("Init");

    m_runWindows = new CRunWindows(m_context.Flags().ActionCancel, this);
    m_runWindows->SetGridLines([this] { return m_context.Settings().General.GridlinesList != 0; });
    m_runs = new CRunController(m_context.Flags(), m_services.RunnerFactory, *m_runWindows, m_runWindows, this);
    m_runs->SetStopScans([this] { return StopScansForRun(); });
    CreateTray();
    CreateRunStatus();

    m_rowTimer.setInterval(kRowTimerMs);
    connect(&m_rowTimer, &QTimer::timeout, this, &CKorvaneDlg::OnRowTimer);
    m_rowTimer.start();
    m_closeTimer.setInterval(kCloseCheckMs);
    connect(&m_closeTimer, &QTimer::timeout, this, &CKorvaneDlg::ContinueClosing);

    Refresh();
    if (m_services.StartScheduler)
        StartScheduler();
}

CKorvaneDlg::~CKorvaneDlg()
{
    if (m_scheduler) {
        m_scheduler->RequestStop();
        m_context.Flags().ActionCancel = 1;
        m_scheduler->Stop();
    }
    delete m_runs;
    m_scans.CancelAll();
    m_scans.WaitAll();
}

void CKorvaneDlg::CreateMenu()
{
    m_menuBar = new QMenuBar(this);
    m_menuBar->setNativeMenuBar(false);
    QMenu* file = m_menuBar->addMenu(QStringLiteral("&File"));
    file->addAction(CIcons::Themed(QStringLiteral("document-new")), QStringLiteral("&New"),
        QKeySequence(Qt::CTRL | Qt::Key_N), this, &CKorvaneDlg::FileNew);
    file->addAction(CIcons::Themed(QStringLiteral("document-open")), QStringLiteral("&Open..."),
        QKeySequence(Qt::CTRL | Qt::Key_O), this, &CKorvaneDlg::FileOpen);
    file->addAction(CIcons::Themed(QStringLiteral("document-save")), QStringLiteral("&Save"),
        QKeySequence(Qt::CTRL | Qt::Key_S), this, &CKorvaneDlg::FileSave);
    file->addAction(CIcons::Themed(QStringLiteral("document-save-as")), QStringLiteral("Save &As..."), this,
        &CKorvaneDlg::FileSaveAs);
    file->addSeparator();
    file->addAction(CIcons::Themed(QStringLiteral("application-exit")), QStringLiteral("E&xit"), this, &QWidget::close);
    QMenu* edit = m_menuBar->addMenu(QStringLiteral("&Edit"));
    edit->addAction(CIcons::Themed(QStringLiteral("preferences-system")),
        QStringLiteral("&Settings..."), this, &CKorvaneDlg::Settings);
    QMenu* view = m_menuBar->addMenu(QStringLiteral("&View"));
    m_logAction = view->addAction(CIcons::Own(QStringLiteral("view-log")), QStringLiteral("&Log..."),
        QKeySequence(Qt::CTRL | Qt::Key_L), this, &CKorvaneDlg::ViewLog);
    QMenu* help = m_menuBar->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("Check For &Updates..."), this, &CKorvaneDlg::CheckForUpdates);
    help->addAction(CIcons::Themed(QStringLiteral("help-contents")), QStringLiteral("&Documentation..."), this,
        &CKorvaneDlg::Documentation);
    help->addAction(QStringLiteral("Online &Support..."), this, &CKorvaneDlg::OnlineSupport);
    help->addAction(QStringLiteral("&Feedback..."), this, &CKorvaneDlg::Feedback);
    help->addSeparator();
    help->addAction(
        CIcons::Themed(QStringLiteral("help-about")), QStringLiteral("&About Korvane..."), this, &CKorvaneDlg::About);
}

void CKorvaneDlg::CreateControls()
{
    m_menuBar->adjustSize();
    const int top = m_menuBar->sizeHint().height();
    const auto place = [this, top](QWidget* control, int x, int y, int width, int height) {
        control->setGeometry(Dx(x), top + Dy(y), Dx(width), Dy(height));
    };
    // Created in tab order.
    m_activeSetGroup = new QGroupBox(QStringLiteral("Active Set"), this);
    m_setSelector = new CMyComboBoxEx(this);
    m_setSelector->setObjectName(QStringLiteral("setSelector"));
    m_setSelector->SetImageList({ CIcons::Own(QStringLiteral("set")), CIcons::Own(QStringLiteral("set-scheduled")) });
    m_runStatus = new QLabel(this);
    m_runStatus->setObjectName(QStringLiteral("runStatus"));
    m_schedulerButton
        = new QPushButton(CIcons::Own(QStringLiteral("scheduler")), QStringLiteral("&Scheduler..."), this);
    m_manageButton = new QPushButton(QStringLiteral("&Manage..."), this);
    m_actionGroup = new QGroupBox(QStringLiteral("Action"), this);
    m_actionSelector = new QComboBox(this);
    m_actionSelector->addItems({ QStringLiteral("Backup"), QStringLiteral("Restore") });
    m_executeButton = new QPushButton(CIcons::Own(QStringLiteral("execute")), QStringLiteral("E&xecute"), this);
    m_foldersGroup = new QGroupBox(QStringLiteral("Folders To Backup"), this);
    m_list = new CMyListCtrl(this);
    m_list->setObjectName(QStringLiteral("folderList"));
    // A long path keeps its end, the folder's own name; its tip is whole.
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_emptyPrompt = new CEmptyListPrompt(*m_list, this);
    m_addButton = new QPushButton(CIcons::Themed(QStringLiteral("list-add")), QStringLiteral("&Add..."), this);
    m_editButton = new QPushButton(CIcons::Themed(QStringLiteral("document-edit")), QStringLiteral("E&dit..."), this);
    m_removeButton = new QPushButton(CIcons::Themed(QStringLiteral("list-remove")), QStringLiteral("&Remove..."), this);
    m_infoGroup = new QGroupBox(QStringLiteral("Information"), this);
    for (std::size_t i = 0; i < m_infoLabels.size(); ++i) {
        m_infoLabels[i] = new QLabel(Q(kInformationLabels[i]), this);
        m_infoValues[i] = new CPathField(this);
        // Read-only: reached by a click to copy from, not by Tab.
        m_infoValues[i]->setFocusPolicy(Qt::ClickFocus);
    }
    m_summaryLabel = new QLabel(QStringLiteral("Summary"), this);
    m_summary = new QLineEdit(this);
    m_summary->setReadOnly(true);
    m_summary->setFocusPolicy(Qt::ClickFocus);
    m_summary->setObjectName(QStringLiteral("summary"));

    place(m_activeSetGroup, 8, 4, 560, 68);
    place(m_setSelector, 18, 23, 540, 22);
    place(m_runStatus, 20, 48, 536, 18);
    place(m_schedulerButton, 578, 9, 99, 23);
    place(m_manageButton, 578, 36, 99, 23);
    place(m_actionGroup, 578, 62, 99, 82);
    place(m_actionSelector, 586, 81, 83, 22);
    place(m_executeButton, 586, 111, 83, 24);
    place(m_foldersGroup, 8, 78, 560, 254);
    place(m_list, 18, 97, 540, 225);
    place(m_addButton, 578, 152, 99, 23);
    place(m_editButton, 578, 179, 99, 23);
    place(m_removeButton, 578, 206, 99, 23);
    place(m_infoGroup, 8, 338, 669, 118);
    for (std::size_t i = 0; i < m_infoLabels.size(); ++i) {
        const int y = 357 + static_cast<int>(i) * 19;
        place(m_infoLabels[i], 18, y, 100, 18);
        place(m_infoValues[i], 122, y, 545, 18);
    }
    place(m_summaryLabel, 8, 463, 60, 20);
    place(m_summary, 72, 462, 605, 21);
    resize(Dx(kDesignWidth), top + Dy(kDesignHeight - 23));
    m_menuBar->setGeometry(0, 0, width(), top);

    // Columns at their design widths times the horizontal scale.
    const double scale = FontScaleX(font());
    m_list->AddColumn(QStringLiteral("Name"), static_cast<int>(341 * scale), CMyListCtrl::Text);
    m_list->AddColumn(QStringLiteral("Folders"), static_cast<int>(60 * scale), CMyListCtrl::Number, Qt::AlignRight);
    m_list->AddColumn(QStringLiteral("Files"), static_cast<int>(60 * scale), CMyListCtrl::Number, Qt::AlignRight);
    m_list->AddColumn(QStringLiteral("Size"), static_cast<int>(75 * scale), CMyListCtrl::Number, Qt::AlignRight);
    m_list->SetImageList({ CIcons::Own(QStringLiteral("folder")), CIcons::Own(QStringLiteral("folder-tree")) });
    m_list->setIconSize(QSize(16, 16));
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->SetGridLines(m_context.Settings().General.GridlinesList != 0);
}

void CKorvaneDlg::RegisterLayout()
{
    CLayoutHelper* layout = Layout();
    layout->Enable(true);
    layout->SetMinTrackSize(QSize(0, 0));
    layout->AddItem(m_menuBar, 0, 0, 100, 0);
    for (QWidget* control : { static_cast<QWidget*>(m_activeSetGroup), static_cast<QWidget*>(m_setSelector),
             static_cast<QWidget*>(m_runStatus) })
        layout->AddItem(control, 0, 0, 100, 0);
    for (QWidget* control : { static_cast<QWidget*>(m_schedulerButton), static_cast<QWidget*>(m_manageButton),
             static_cast<QWidget*>(m_actionGroup), static_cast<QWidget*>(m_actionSelector),
             static_cast<QWidget*>(m_executeButton), static_cast<QWidget*>(m_addButton),
             static_cast<QWidget*>(m_editButton), static_cast<QWidget*>(m_removeButton) })
        layout->AddItem(control, 100, 0, 0, 0);
    layout->AddItem(m_foldersGroup, 0, 0, 100, 100);
    layout->AddItem(m_list, 0, 0, 100, 100);
    layout->AddItem(m_summaryLabel, 0, 100, 0, 0);
    for (QLabel* label : m_infoLabels)
        layout->AddItem(label, 0, 100, 0, 0);
    layout->AddItem(m_summary, 0, 100, 100, 0);
    layout->AddItem(m_infoGroup, 0, 100, 100, 0);
    for (QLineEdit* value : m_infoValues)
        layout->AddItem(value, 0, 100, 100, 0);
    // The name column takes what the list gains.
    m_list->SetColumnWidthShare(0, 100);
}

void CKorvaneDlg::ConnectCommands()
{
    connect(m_setSelector, &QComboBox::activated, this, &CKorvaneDlg::OnSetChanged);
    connect(m_actionSelector, &QComboBox::activated, this, &CKorvaneDlg::OnActionChanged);
    connect(m_executeButton, &QPushButton::clicked, this, &CKorvaneDlg::Execute);
    connect(m_schedulerButton, &QPushButton::clicked, this, &CKorvaneDlg::Scheduler);
    connect(m_manageButton, &QPushButton::clicked, this, &CKorvaneDlg::Manage);
    connect(m_addButton, &QPushButton::clicked, this, &CKorvaneDlg::AddFolder);
    connect(m_editButton, &QPushButton::clicked, this, &CKorvaneDlg::EditFolder);
    connect(m_removeButton, &QPushButton::clicked, this, &CKorvaneDlg::RemoveFolder);
    connect(m_emptyPrompt, &CEmptyListPrompt::AddRequested, this, &CKorvaneDlg::AddFolder);
    connect(m_list, &QTableWidget::itemSelectionChanged, this, &CKorvaneDlg::OnSelectionChanged);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this] { EditFolder(); });
    connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        std::unique_ptr<QMenu> menu = BuildPopupMenu();
        menu->exec(m_list->viewport()->mapToGlobal(position));
    });
    m_list->installEventFilter(this);
}

void CKorvaneDlg::StartScheduler()
{
    CRunController* runs = m_runs;
    m_scheduler = std::make_unique<CSchedulerThread>(m_context.Session(), m_context.SettingsHolder(), m_context.Flags(),
        m_context.Prompter(), m_services.Clock, [runs](const CSet& set) { runs->RunScheduled(set); });
    m_scheduler->Start();
}

// Escape never closes the window. Enter reaches the focused button (which
// clicks itself); anywhere else it does nothing, rather than the dialog's
// default button.
void CKorvaneDlg::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) {
        event->accept();
        return;
    }
    CMyDialog::keyPressEvent(event);
}

void CKorvaneDlg::showEvent(QShowEvent* event)
{
    CMyDialog::showEvent(event);
    // A dialog makes its first button the default when shown; this window
    // has none.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setDefault(false);
}

void CKorvaneDlg::reject()
{
}

bool CKorvaneDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete) {
            RemoveFolder();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            EditFolder();
            return true;
        }
    }
    return CMyDialog::eventFilter(watched, event);
}

void CKorvaneDlg::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    const bool local
        = !urls.isEmpty() && std::all_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
    if (local)
        event->acceptProposedAction();
}

void CKorvaneDlg::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    // The drop's source waits until the drop returns; the dialog opens after.
    QMetaObject::invokeMethod(
        this, [this, paths] { DropPaths(paths); }, Qt::QueuedConnection);
}

void CKorvaneDlg::closeEvent(QCloseEvent* event)
{
    if (m_closed) {
        event->accept();
        return;
    }
    event->ignore();
    if (m_closing || !AskToClose())
        return;
    FinishClosing();
}

// LastSession names the session file of the window as it closes (its full
// path, as the automatic start opens it from another folder), or nothing.
void CKorvaneDlg::RecordLastSession()
{
    CSession& session = m_context.Session();
    if (!session.FileName.empty()) {
        session.RememberLastSession();
        return;
    }
    CWindowState().SetLastSession({});
}

// The questions of closing; false keeps the window open.
bool CKorvaneDlg::AskToClose()
{
    CSession& session = m_context.Session();
    RecordLastSession();
    // The save question without resetting the session: a "No" to the
    // scheduler question below then leaves the user's sets as they were.
    if (session.HasUnsavedChanges()) {
        const int answer = m_context.Prompter().MessageBox(LoadString(57684), MbYesNoCancel | MbIconQuestion);
        if (answer == IdCancel)
            return false;
        if (answer == IdYes && session.RunFileCommand(SessionCommand::Save, m_context.Prompter()) != 0)
            return false;
    }
    if (m_context.Settings().SchedulerActive) {
        const bool none = CWindowState().LastSession().empty();
        if (none && m_context.Prompter().MessageBox(LoadString(122), MbYesNo | MbIconQuestion) != IdYes)
            return false;
    }
    return true;
}

// From here the window closes whatever happens: the running action is
// cancelled and the scheduler stopped, and the close completes once both
// have let go (the interface thread keeps serving them meanwhile).
void CKorvaneDlg::FinishClosing()
{
    m_closing = true;
    m_rowTimer.stop();
    m_handOverTimer.stop();
    // An open countdown is cancelled: no one asked to switch off meanwhile.
    for (CShutDownDlg* countdown : findChildren<CShutDownDlg*>())
        countdown->reject();
    m_runs->CancelRunning();
    if (m_scheduler)
        m_scheduler->RequestStop();
    m_scans.CancelAll();
    ContinueClosing();
    if (!m_closed)
        m_closeTimer.start();
}

void CKorvaneDlg::ContinueClosing()
{
    m_runs->CancelRunning();
    const bool schedulerDone = !m_scheduler || m_scheduler->Finished();
    if (m_runs->AnyRunning() || !schedulerDone)
        return;
    m_closeTimer.stop();
    if (m_scheduler) {
        m_scheduler->Stop();
        m_scheduler.reset();
    }
    m_closed = true;
    done(QDialog::Accepted);
    Q_EMIT ClosedForGood();
}

void CKorvaneDlg::CloseForSignal()
{
    if (m_closed || m_closing)
        return;
    // No one is there to answer: questions still open are cancelled.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            box->reject();
    }
    RecordLastSession();
    FinishClosing();
}
