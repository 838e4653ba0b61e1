#pragma once

#include "ui/MyDialog.h"
#include "ui/RunView.h"

#include <QPointer>
#include <atomic>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

// The plain modal window shown while an action runs: what the run is doing,
// its counts, a bar, and Cancel, which sets the action's cancel flag. It
// closes when the run ends; Escape and the window's close button cancel.
class CWorkingDlg : public CMyDialog {
public:
    CWorkingDlg(std::atomic<std::int32_t>& cancel, QWidget* parent = nullptr);

    void ShowInformation(int action, const InformationSnapshot& snapshot);
    void ShowProgress(int action, const ProgressSnapshot& snapshot);
    void Cancel();
    // Closes for good (the run ended).
    void Finish();

    QString PhaseText() const;
    QString DetailText() const;
    QPushButton* CancelButton() const { return m_cancelButton; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::atomic<std::int32_t>& m_cancel;
    QLabel* m_phase;
    QLabel* m_detail;
    QProgressBar* m_bar;
    QPushButton* m_cancelButton;
    bool m_finished = false;
};

// The run view of the windowed program until the real action windows
// exist: one working window per run, the summary and errors in message
// boxes.
class CRunWindows : public QObject, public CRunView {
    Q_OBJECT

public:
    CRunWindows(std::atomic<std::int32_t>& cancel, QWidget* owner);
    ~CRunWindows() override;

    void OpenInformation(int action) override;
    void UpdateInformation(const InformationSnapshot& snapshot) override;
    void OpenProgress(int action, const CRunDisplay::Totals& totals) override;
    void UpdateProgress(const ProgressSnapshot& snapshot) override;
    void CloseRunWindows() override;
    void ShowSummary(const std::string& text, int action) override;
    void ShowError(const std::string& text) override;

    CWorkingDlg* Window() const { return m_window; }

private:
    CWorkingDlg* Open();

    std::atomic<std::int32_t>& m_cancel;
    QPointer<QWidget> m_owner;
    QPointer<CWorkingDlg> m_window;
    int m_action = 0;
};
