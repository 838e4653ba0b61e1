#include "ui/WorkingDlg.h"

#include "StringTable.h"
#include "scan/PathFormat.h"
#include "scheduler/ActionRunner.h"
#include "ui/Icons.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

namespace {

QString ActionTitle(int action)
{
    return action == 1 ? QStringLiteral("Restore") : QStringLiteral("Backup");
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

CWorkingDlg::CWorkingDlg(std::atomic<std::int32_t>& cancel, QWidget* parent)
    : CMyDialog(parent)
    , m_cancel(cancel)
{
    setWindowTitle(QStringLiteral("Korvane"));
    setWindowIcon(CIcons::Application());
    setWindowModality(Qt::ApplicationModal);
    m_phase = new QLabel(this);
    m_detail = new QLabel(this);
    m_detail->setTextFormat(Qt::PlainText);
    m_bar = new QProgressBar(this);
    m_bar->setTextVisible(false);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    Place(m_phase, 12, 12, 336, 16);
    Place(m_detail, 12, 32, 336, 16);
    Place(m_bar, 12, 56, 336, 14);
    Place(m_cancelButton, 274, 80, 74, 24);
    SizeToDesign(360, 114);
    SetUpDialog();
    connect(m_cancelButton, &QPushButton::clicked, this, &CWorkingDlg::Cancel);
}

void CWorkingDlg::ShowInformation(int action, const InformationSnapshot& snapshot)
{
    setWindowTitle(ActionTitle(action) + QStringLiteral(" - Korvane"));
    if (m_cancel == 0)
        m_phase->setText(Q(LoadString(57722)));
    m_detail->setText(QStringLiteral("Source: %1 files, %2 folders   Backup: %3 files, %4 folders")
                          .arg(action == 1 ? snapshot.DestinationFiles : snapshot.SourceFiles)
                          .arg(action == 1 ? snapshot.DestinationFolders : snapshot.SourceFolders)
                          .arg(action == 1 ? snapshot.SourceFiles : snapshot.DestinationFiles)
                          .arg(action == 1 ? snapshot.SourceFolders : snapshot.DestinationFolders));
    m_bar->setRange(0, 0);
}

void CWorkingDlg::ShowProgress(int action, const ProgressSnapshot& snapshot)
{
    setWindowTitle(ActionTitle(action) + QStringLiteral(" - Korvane"));
    const int files = action == 1 ? snapshot.Totals.DestinationFiles : snapshot.Totals.SourceFiles;
    const int folders = action == 1 ? snapshot.Totals.DestinationFolders : snapshot.Totals.SourceFolders;
    if (m_cancel == 0) {
        m_phase->setText(snapshot.Deleting
                ? Q(LoadString(57710))
                : QStringLiteral("Copying files... %1").arg(Q(CActionRunner::FormatElapsed(snapshot.Elapsed))));
    }
    const QString current = Q(snapshot.CurrentFile);
    const QString counts = QStringLiteral("%1 of %2 files, %3 of %4 folders")
                               .arg(snapshot.FilesDone)
                               .arg(files)
                               .arg(snapshot.FoldersDone)
                               .arg(folders);
    m_detail->setText(current.isEmpty() ? counts
                                        : counts + QStringLiteral("   ")
                + m_detail->fontMetrics().elidedText(current, Qt::ElideMiddle, m_detail->width() / 2));
    m_bar->setRange(0, std::max(1, files + folders));
    m_bar->setValue(std::min(files + folders, snapshot.FilesDone + snapshot.FoldersDone));
}

void CWorkingDlg::Cancel()
{
    m_cancel = 1;
    m_phase->setText(Q(LoadString(57700)));
    m_cancelButton->setEnabled(false);
}

void CWorkingDlg::Finish()
{
    m_finished = true;
    hide();
    deleteLater();
}

QString CWorkingDlg::PhaseText() const
{
    return m_phase->text();
}

QString CWorkingDlg::DetailText() const
{
    return m_detail->text();
}

// Escape cancels the run; the window stays until the workers let go.
void CWorkingDlg::reject()
{
    if (!m_finished)
        Cancel();
}

void CWorkingDlg::closeEvent(QCloseEvent* event)
{
    if (m_finished) {
        event->accept();
        return;
    }
    Cancel();
    event->ignore();
}

CRunWindows::CRunWindows(std::atomic<std::int32_t>& cancel, QWidget* owner)
    : QObject(owner)
    , m_cancel(cancel)
    , m_owner(owner)
{
}

CRunWindows::~CRunWindows()
{
    delete m_window;
}

CWorkingDlg* CRunWindows::Open()
{
    if (!m_window) {
        m_window = new CWorkingDlg(m_cancel, m_owner);
        m_window->open();
    }
    return m_window;
}

void CRunWindows::OpenInformation(int action)
{
    m_action = action;
    Open()->ShowInformation(action, {});
}

void CRunWindows::UpdateInformation(const InformationSnapshot& snapshot)
{
    if (m_window)
        m_window->ShowInformation(m_action, snapshot);
}

void CRunWindows::OpenProgress(int action, const CRunDisplay::Totals& totals)
{
    m_action = action;
    ProgressSnapshot snapshot;
    snapshot.Totals = totals;
    Open()->ShowProgress(action, snapshot);
}

void CRunWindows::UpdateProgress(const ProgressSnapshot& snapshot)
{
    if (m_window)
        m_window->ShowProgress(m_action, snapshot);
}

void CRunWindows::CloseRunWindows()
{
    if (m_window)
        m_window->Finish();
    m_window = nullptr;
}

void CRunWindows::ShowSummary(const std::string& text, int action)
{
    QMessageBox box(QMessageBox::Information, ActionTitle(action) + QStringLiteral(" Summary - Korvane"),
        Q(text).trimmed(), QMessageBox::Ok, m_owner);
    box.setObjectName(QStringLiteral("summaryBox"));
    // The counts line up in columns.
    box.setStyleSheet(QStringLiteral("QLabel { font-family: monospace; }"));
    box.exec();
}

void CRunWindows::ShowError(const std::string& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Korvane"), Q(text), QMessageBox::Ok, m_owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
