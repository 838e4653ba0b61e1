#pragma once

#include "ui/RunView.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

class CActionSummaryDlg;
class CGetInfoDlg;
class CProgressDlg;
class CQuestionGate;
class QWidget;

// The run view of the windowed program: the file information window, the
// progress window and the summary over the owner window, and failures in a
// message box. Every window opens without blocking the interface thread;
// the run waits on its own thread until a window has closed. Its gate keeps
// the windows from opening over a question (the prompter's, or a failure
// shown here) and puts those over the run's topmost window.
class CRunWindows : public QObject, public CRunView {
    Q_OBJECT

public:
    CRunWindows(std::atomic<std::int32_t>& cancel, QWidget* owner);
    ~CRunWindows() override;

    void OpenInformation(int action, const CRunDisplay::WindowRules& rules, CInformationHandle handle) override;
    void ShowPlan(CRunPlan plan) override;
    void OpenProgress(int action, const CRunDisplay::WindowRules& rules, CProgressHandle handle) override;
    void CloseRunWindows() override;
    void ShowSummary(const ActionSummaryData& summary, CSummaryHandle handle) override;
    void ShowError(const std::string& text) override;

    // GridlinesList, read when a list opens.
    void SetGridLines(std::function<bool()> gridLines) { m_gridLines = std::move(gridLines); }

    CGetInfoDlg* Information() const;
    CProgressDlg* Progress() const;
    // The summary while it is open.
    CActionSummaryDlg* Summary() const;
    CQuestionGate& Gate() const { return *m_gate; }

private:
    std::vector<QWidget*> Shown() const;

    std::atomic<std::int32_t>& m_cancel;
    QPointer<QWidget> m_owner;
    CQuestionGate* m_gate;
    QPointer<CGetInfoDlg> m_information;
    QPointer<CProgressDlg> m_progress;
    QPointer<CActionSummaryDlg> m_summary;
    std::function<bool()> m_gridLines;
};
