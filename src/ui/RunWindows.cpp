#include "ui/RunWindows.h"

#include "ui/ActionSummaryDlg.h"
#include "ui/GetInfoDlg.h"
#include "ui/ProgressDlg.h"
#include "ui/UiText.h"

#include <QMessageBox>

CRunWindows::CRunWindows(std::atomic<std::int32_t>& cancel, QWidget* owner)
    : QObject(owner)
    , m_cancel(cancel)
    , m_owner(owner)
{
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
    m_information = new CGetInfoDlg(rules, std::move(handle), m_cancel, m_owner);
    m_information->SetAction(action);
    m_information->Start();
}

void CRunWindows::ShowPlan(CRunPlan plan)
{
    if (m_information)
        m_information->SetPlan(std::move(plan));
}

void CRunWindows::OpenProgress(int action, const CRunDisplay::WindowRules& rules, CProgressHandle handle)
{
    delete m_progress;
    m_progress = new CProgressDlg(action, rules, std::move(handle), m_cancel, m_owner);
    m_progress->Start();
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
    dialog->open();
}

void CRunWindows::ShowError(const std::string& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Korvane"), ToQ(text), QMessageBox::Ok, m_owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
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
