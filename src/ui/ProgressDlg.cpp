#include "ui/ProgressDlg.h"

#include "platform/Clock.h"
#include "scan/PathFormat.h"
#include "scheduler/ActionRunner.h"
#include "ui/GeneralProgress.h"
#include "ui/Icons.h"
#include "ui/QuestionGate.h"
#include "ui/UiText.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr int kTickMs = 100;

QString BaseTitle(int action)
{
    return action == 1 ? QStringLiteral("Restore Progress") : QStringLiteral("Backup Progress");
}

} // namespace

CProgressDlg::CProgressDlg(int action, const CRunDisplay::WindowRules& rules, CProgressHandle handle,
    std::atomic<std::int32_t>& cancel, QWidget* parent, CQuestionGate* gate)
    : CMyDialog(parent)
    , m_action(action)
    , m_rules(rules)
    , m_handle(std::move(handle))
    , m_cancel(cancel)
    , m_gate(gate)
    , m_clock(&CClock::System())
{
    setObjectName(QStringLiteral("progressDlg"));
    setWindowTitle(BaseTitle(action));
    setWindowIcon(CIcons::Application());
    setWindowModality(Qt::ApplicationModal);
    for (QLabel*& text : m_texts) {
        text = new QLabel(this);
        text->setTextFormat(Qt::PlainText);
    }
    const auto barGroup = [this](const QString& title, int top, Text text) {
        auto* group = new QGroupBox(title, this);
        Place(group, 8, top, 320, 48);
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 100);
        bar->setTextVisible(false);
        Place(bar, 16, top + 22, 200, 14);
        Place(m_texts[text], 224, top + 21, 98, 16);
        m_texts[text]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return bar;
    };
    m_folderBar = barGroup(QStringLiteral("Folders Processed"), 6, Folders);
    m_fileBar = barGroup(QStringLiteral("Files Processed"), 60, Files);
    auto* status = new QGroupBox(QStringLiteral("Status"), this);
    Place(status, 8, 114, 320, 124);
    const char* const captions[4] = { "Elapsed:", "File:", "Folder:", "Size:" };
    const Text rows[4] = { Elapsed, CurrentFile, CurrentFolder, CurrentSize };
    for (int row = 0; row < 4; ++row) {
        auto* caption = new QLabel(QString::fromLatin1(captions[row]), this);
        Place(caption, 16, 134 + row * 20, 56, 16);
        Place(m_texts[rows[row]], 74, 134 + row * 20, 248, 16);
    }
    // The bytes line takes the group's whole width: it is the longest.
    m_texts[Transfer]->setObjectName(QStringLiteral("transfer"));
    Place(m_texts[Transfer], 16, 214, 306, 16);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    Place(m_cancelButton, 256, 246, 72, 24);
    SizeToDesign(336, 278);
    SetUpDialog();
    connect(m_cancelButton, &QPushButton::clicked, this, &CProgressDlg::Cancel);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CProgressDlg::Tick);
}

void CProgressDlg::Start()
{
    setAttribute(Qt::WA_DeleteOnClose);
    open();
    m_timer.start();
    if (m_action != 0 || !m_rules.DeleteFirst)
        return;
    CProgressMonitor* monitor = &m_handle->Monitor();
    WaitFor(
        57710,
        [monitor] {
            const ProgressSnapshot s = monitor->Latest();
            return s.Running && s.Deleting;
        },
        [this](bool ended) {
            if (ended)
                return;
            m_cancel = 1;
            CloseAs(false);
        });
}

// A waiting window is modal: while a question is open it waits for the
// answer, and does not open at all when the work ended meanwhile.
void CProgressDlg::WaitFor(int message, std::function<bool()> busy, std::function<void(bool ended)> done)
{
    auto open = [this, message, busy = std::move(busy), done = std::move(done)]() mutable {
        if (!busy()) {
            done(true);
            return;
        }
        auto* waiting = new CGeneralProgress(LoadQString(message), std::move(busy), this, this);
        waiting->Start(std::move(done));
    };
    if (m_gate)
        m_gate->WhenFree(this, std::move(open));
    else
        open();
}

void CProgressDlg::Finish()
{
    CloseAs(false);
}

void CProgressDlg::Tick()
{
    const ProgressSnapshot s = m_handle->Monitor().Latest();
    if (!s.Running && !m_cancelling) {
        CloseAs(m_cancel == 0);
        return;
    }
    const int files = m_action == 1 ? s.Totals.DestinationFiles : s.Totals.SourceFiles;
    const int folders = m_action == 1 ? s.Totals.DestinationFolders : s.Totals.SourceFolders;
    m_texts[Elapsed]->setText(ToQ(CActionRunner::FormatElapsed(s.Elapsed)) + QStringLiteral(" elapsed"));
    m_texts[Folders]->setText(QStringLiteral("%1 of %2").arg(s.FoldersDone).arg(folders));
    m_texts[Files]->setText(QStringLiteral("%1 of %2").arg(s.FilesDone).arg(files));
    const bool inFolders = s.FoldersDone != 0 && s.FoldersDone != folders;
    const bool inFiles = s.FilesDone != 0 && s.FilesDone != files;
    // The folders are all made before the first file is copied: the row
    // follows the copies' folder too, else it would stay empty through
    // nearly all of a run.
    m_texts[CurrentFolder]->setText(inFolders || inFiles ? ToQ(ShortenText(s.CurrentFolder, 40)) : QString());
    m_texts[CurrentFile]->setText(inFiles ? ToQ(ShortenText(s.CurrentFile, 30)) : QString());
    m_texts[CurrentSize]->setText(inFiles ? ToQ(FormatSize(s.CurrentFileSize)) : QString());
    m_rate.Add(m_clock->TickCount(), s.BytesDone);
    m_texts[Transfer]->setText(ToQ(m_rate.Text(s.BytesDone, s.BytesTotal)));
    // The totals grow by one, so a bar reaches 100 only once the run is over.
    m_folderBar->setValue(static_cast<int>(std::int64_t { s.FoldersDone } * 100 / (folders + 1)));
    m_fileBar->setValue(static_cast<int>(std::int64_t { s.FilesDone } * 100 / (files + 1)));
    const int percent = static_cast<int>(std::int64_t { s.FilesDone + s.FoldersDone } * 100 / (files + folders + 1));
    if (percent != m_percent) {
        m_percent = percent;
        setWindowTitle(BaseTitle(m_action) + QStringLiteral(" [%1%]").arg(percent));
    }
}

void CProgressDlg::Cancel()
{
    if (m_cancelling)
        return;
    m_cancel = 1;
    m_cancelling = true;
    m_cancelButton->setEnabled(false);
    CProgressMonitor* monitor = &m_handle->Monitor();
    WaitFor(
        57700, [monitor] { return monitor->Latest().Running; }, [this](bool) { CloseAs(false); });
}

void CProgressDlg::reject()
{
    Cancel();
}

QString CProgressDlg::TextOf(Text text) const
{
    return m_texts[text]->text();
}

int CProgressDlg::FolderBar() const
{
    return m_folderBar->value();
}

int CProgressDlg::FileBar() const
{
    return m_fileBar->value();
}

void CProgressDlg::CloseAs(bool proceed)
{
    m_timer.stop();
    m_handle->Monitor().Close(proceed);
    if (isVisible())
        done(proceed ? Accepted : Rejected);
}
