#include "ui/RunWindows.h"

#include "ui/ActionSummaryDlg.h"
#include "ui/GetInfoDlg.h"
#include "ui/ProgressDlg.h"
#include "ui/QuestionGate.h"
#include "ui/UiText.h"

#include <QMessageBox>

namespace {

// A window held back by a question that the run closed meanwhile never
// shows.
template <class Dialog, class Snapshot>
void OpenWhenFree(CQuestionGate& gate, Dialog* dialog, const CRunMonitor<Snapshot>* monitor)
{
    gate.WhenFree(dialog, [dialog, monitor] {
        if (monitor->Closed())
            dialog->deleteLater();
        else
            dialog->Start();
    });
}

} // namespace

CRunWindows::CRunWindows(std::atomic<std::int32_t>& cancel, QWidget* owner)
    : QObject(owner)
    , m_cancel(cancel)
    , m_owner(owner)
    , m_gate(new CQuestionGate(owner))
{
    m_gate->setParent(this);
    m_gate->SetRunWindows([this] { return Shown(); });
}

std::vector<QWidget*> CRunWindows::Shown() const
{
    return { m_information.data(), m_progress.data(), m_summary.data() };
}

CRunWindows::~CRunWindows()
{
    delete m_information;
    delete m_progress;
    delete m_summary;
}

void CRunWindows::OpenInformation(int action, const CRunDisplay::WindowRules& rules, CInformationHandle handle)
{
    delete m_information;
    CInformationMonitor* monitor = &handle->Monitor();
    CGetInfoDlg* dialog = new CGetInfoDlg(rules, std::move(handle), m_cancel, m_owner);
    m_information = dialog;
    dialog->SetAction(action);
    OpenWhenFree(*m_gate, dialog, monitor);
}

void CRunWindows::ShowPlan(CRunPlan plan)
{
    if (m_information)
        m_information->SetPlan(std::move(plan));
}

void CRunWindows::OpenProgress(int action, const CRunDisplay::WindowRules& rules, CProgressHandle handle)
{
    delete m_progress;
    CProgressMonitor* monitor = &handle->Monitor();
    CProgressDlg* dialog = new CProgressDlg(action, rules, std::move(handle), m_cancel, m_owner, m_gate);
    m_progress = dialog;
    OpenWhenFree(*m_gate, dialog, monitor);
}

void CRunWindows::CloseRunWindows()
{
    if (m_information)
        m_information->Finish();
    if (m_progress)
        m_progress->Finish();
}

void CRunWindows::ShowSummary(const ActionSummaryData& summary, CSummaryHandle handle)
{
    auto* dialog = new CActionSummaryDlg(summary, m_gridLines && m_gridLines(), m_owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    // The run goes on once the window is gone.
    connect(dialog, &QDialog::finished, dialog, [handle = std::move(handle)]() mutable { handle.reset(); });
    m_summary = dialog;
    m_gate->WhenFree(dialog, [dialog] { dialog->open(); });
}

void CRunWindows::ShowError(const std::string& text)
{
    auto* box
        = new QMessageBox(QMessageBox::Warning, QStringLiteral("Korvane"), ToQ(text), QMessageBox::Ok, m_gate->Top());
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_gate->Hold(box);
    box->open();
}

CGetInfoDlg* CRunWindows::Information() const
{
    return m_information;
}

CProgressDlg* CRunWindows::Progress() const
{
    return m_progress;
}

CActionSummaryDlg* CRunWindows::Summary() const
{
    return m_summary;
}
