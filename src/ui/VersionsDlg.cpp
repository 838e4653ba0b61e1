#include "ui/VersionsDlg.h"

#include "StringTable.h"
#include "engine/VersionRestorer.h"
#include "engine/WallClock.h"
#include "platform/ThreadPriority.h"
#include "scan/PathFormat.h"
#include "ui/FolderBrowser.h"
#include "ui/Icons.h"
#include "ui/LayoutHelper.h"
#include "ui/QtPrompter.h"
#include "ui/ReportView.h"
#include "ui/UiText.h"
#include "ui/VersionListModel.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace {

constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 420;

std::atomic<int> g_threadsAlive { 0 };

std::int64_t WallOf(const QDateTime& time)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    return CWallClock::FromCivil(
        { date.year(), date.month(), date.day(), clock.hour(), clock.minute(), clock.second() });
}

} // namespace

// What the threads and the window share. Once Detached is set a thread posts
// nothing more, so it never reaches a window that has gone.
struct CVersionsDlg::Shared {
    std::mutex Mutex;
    bool Detached = false;
};

CVersionsDlg::CVersionsDlg(const CBackup& entry, std::time_t now, bool gridLines, QWidget* parent)
    : CMyDialog(parent)
    , m_area(CVersionList::EntryAreaOf(entry, now))
    , m_sourceFolder(CVersionList::SourceFolderOf(entry, now))
    , m_shared(std::make_shared<Shared>())
{
    setObjectName(QStringLiteral("versionsDlg"));
    setWindowTitle(QString::fromStdString(FormatString(LoadString(1470).c_str(), m_sourceFolder.c_str())));
    setWindowIcon(CIcons::Application());
    auto* nameLabel = new QLabel(LoadQString(1471), this);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("versionName"));
    m_name->setClearButtonEnabled(true);
    m_before = new QCheckBox(LoadQString(1472), this);
    m_before->setObjectName(QStringLiteral("versionBefore"));
    m_at = new QDateTimeEdit(QDateTime::fromSecsSinceEpoch(now), this);
    m_at->setObjectName(QStringLiteral("versionAt"));
    m_at->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    m_at->setCalendarPopup(true);
    m_model = new CVersionListModel(this);
    m_list = new QTableView(this);
    SetUpReportView(*m_list, *m_model, gridLines);
    m_list->setObjectName(QStringLiteral("versionList"));
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("versionStatus"));
    m_restore = new QPushButton(LoadQString(1474), this);
    m_restore->setObjectName(QStringLiteral("versionRestore"));
    m_restoreTo = new QPushButton(LoadQString(1475), this);
    m_restoreTo->setObjectName(QStringLiteral("versionRestoreTo"));
    m_close = new QPushButton(LoadQString(1476), this);
    m_close->setObjectName(QStringLiteral("versionClose"));

    Place(nameLabel, 8, 11, 40, 14);
    Place(m_name, 50, 8, 250, 22);
    Place(m_before, 316, 10, 150, 18);
    Place(m_at, 470, 8, 162, 22);
    Place(m_list, 8, 38, 624, 336);
    Place(m_status, 8, 388, 280, 14);
    Place(m_restore, 296, 384, 104, 26);
    Place(m_restoreTo, 408, 384, 112, 26);
    Place(m_close, 528, 384, 104, 26);
    SizeToDesign(kDesignWidth, kDesignHeight);
    SetReferenceSize(width(), height());
    SetUpDialog();
    Layout()->Enable(true);
    Layout()->AddItem(m_name, 0, 0, 100, 0);
    Layout()->AddItem(m_before, 100, 0, 0, 0);
    Layout()->AddItem(m_at, 100, 0, 0, 0);
    Layout()->AddItem(m_list, 0, 0, 100, 100);
    Layout()->AddItem(m_status, 0, 100, 0, 0);
    Layout()->AddItem(m_restore, 100, 100, 0, 0);
    Layout()->AddItem(m_restoreTo, 100, 100, 0, 0);
    Layout()->AddItem(m_close, 100, 100, 0, 0);
    const double scale = ScaleX();
    for (const int column : { CVersionListModel::SetAside, CVersionListModel::Modified })
        m_list->setColumnWidth(column, Dx(static_cast<int>(130 * scale)));
    m_list->setColumnWidth(CVersionListModel::Size, Dx(static_cast<int>(80 * scale)));
    m_list->horizontalHeader()->setSectionResizeMode(CVersionListModel::Name, QHeaderView::Stretch);
    SetPlacementKey("Settings\\Versions");

    connect(m_name, &QLineEdit::textChanged, this, &CVersionsDlg::ApplyFilter);
    connect(m_before, &QCheckBox::toggled, this, &CVersionsDlg::ApplyFilter);
    connect(m_at, &QDateTimeEdit::dateTimeChanged, this, &CVersionsDlg::ApplyFilter);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CVersionsDlg::UpdateControls);
    connect(m_model, &QAbstractItemModel::modelReset, this, &CVersionsDlg::UpdateControls);
    connect(m_restore, &QPushButton::clicked, this, [this] { RestoreSelected(m_sourceFolder); });
    connect(m_restoreTo, &QPushButton::clicked, this, &CVersionsDlg::ChooseFolderAndRestore);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    Read();
}

CVersionsDlg::~CVersionsDlg()
{
    const std::lock_guard<std::mutex> lock(m_shared->Mutex);
    m_shared->Detached = true;
}

int CVersionsDlg::ThreadsAlive()
{
    return g_threadsAlive.load();
}

template <typename Result, typename Work, typename Done> void CVersionsDlg::RunAside(Work work, Done done)
{
    ++g_threadsAlive;
    std::thread([shared = m_shared, receiver = this, work = std::move(work), done = std::move(done)]() mutable {
        CThreadPriority::LowerCurrentThread();
        Result result = work();
        {
            // Held only while posting: the window's destructor waits for no
            // more than that.
            const std::lock_guard<std::mutex> lock(shared->Mutex);
            if (!shared->Detached) {
                QMetaObject::invokeMethod(
                    receiver,
                    [receiver, shared, done = std::move(done), result = std::move(result)]() mutable {
                        // Taken once the thread has let go of it: the queued
                        // call orders the two already, but inside Qt, which
                        // the thread checker does not see.
                        {
                            const std::lock_guard<std::mutex> arrived(shared->Mutex);
                        }
                        done(receiver, std::move(result));
                    },
                    Qt::QueuedConnection);
            }
        }
        --g_threadsAlive;
    }).detach();
}

void CVersionsDlg::Read()
{
    m_reading = true;
    m_status->setText(LoadQString(1477));
    UpdateControls();
    using Listed = std::pair<int, std::vector<VersionItem>>;
    RunAside<Listed>(
        [area = m_area] {
            Listed listed;
            listed.first = CVersionList::Read(area, listed.second);
            return listed;
        },
        [](CVersionsDlg* dialog, Listed listed) { dialog->OnRead(listed.first, std::move(listed.second)); });
}

void CVersionsDlg::OnRead(int error, std::vector<VersionItem> versions)
{
    m_reading = false;
    m_model->SetVersions(std::move(versions));
    ApplyFilter();
    if (error)
        ShowError(
            FormatString(LoadString(57821).c_str(), m_area.AreaPath().c_str(), SystemErrorText(error).c_str(), error));
}

void CVersionsDlg::ApplyFilter()
{
    m_at->setEnabled(m_before->isChecked());
    m_model->SetFilter(m_name->text(), m_before->isChecked() ? WallOf(m_at->dateTime()) : CVersionListModel::kAnyTime);
    const int total = static_cast<int>(m_model->Versions().size());
    const int shown = m_model->rowCount();
    if (m_reading)
        return;
    m_status->setText(shown == total
            ? QString::fromStdString(FormatString(LoadString(1478).c_str(), total, m_model->FileCount()))
            : QString::fromStdString(FormatString(LoadString(1479).c_str(), shown, total)));
}

void CVersionsDlg::UpdateControls()
{
    const bool chosen = m_list->selectionModel()->hasSelection();
    m_restore->setEnabled(chosen && !Busy());
    m_restoreTo->setEnabled(chosen && !Busy());
}

void CVersionsDlg::ChooseFolderAndRestore()
{
    CFolderBrowser browser;
    browser.Title = LoadQString(1480);
    browser.InitialFolder = QString::fromStdString(m_sourceFolder);
    if (browser.Show(this))
        RestoreSelected(browser.Path().toStdString());
}

void CVersionsDlg::RestoreSelected(const std::string& targetFolder)
{
    std::set<int> rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        rows.insert(index.row());
    if (rows.empty() || Busy())
        return;
    std::vector<VersionItem> chosen;
    for (const int row : rows)
        chosen.push_back(m_model->ItemAt(row));
    m_restoring = true;
    UpdateControls();
    RunAside<std::vector<std::string>>(
        [area = m_area, targetFolder, chosen = std::move(chosen)] {
            CVersionRestorer restorer(area, targetFolder);
            std::vector<std::string> failures;
            for (const VersionItem& version : chosen) {
                const std::string message = CVersionRestorer::Message(restorer.Restore(version));
                if (!message.empty())
                    failures.push_back(message);
            }
            return failures;
        },
        [](CVersionsDlg* dialog, std::vector<std::string> failures) { dialog->OnRestored(failures); });
}

void CVersionsDlg::OnRestored(const std::vector<std::string>& failures)
{
    m_restoring = false;
    UpdateControls();
    std::string text;
    for (const std::string& failure : failures)
        text += (text.empty() ? "" : "\n\n") + failure;
    if (!text.empty())
        ShowError(text);
    Q_EMIT RestoreDone(static_cast<int>(failures.size()));
}

// Shown without waiting, so that nothing here runs a loop of its own.
void CVersionsDlg::ShowError(const std::string& text)
{
    QMessageBox* box = CQtPrompter::BuildBox(QString::fromStdString(text), MbOk | MbIconError, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
