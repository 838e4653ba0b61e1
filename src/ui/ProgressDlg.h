#pragma once

#include "ui/MyDialog.h"
#include "ui/RunView.h"
#include "ui/TransferRate.h"

#include <QTimer>
#include <atomic>
#include <cstdint>

class CClock;
class CQuestionGate;
class QLabel;
class QProgressBar;
class QPushButton;

// The action progress window while the copy worker runs: folders and files
// processed against the scan's totals, with bars, the elapsed time and the
// item in hand and the bytes copied at what pace, read from the monitor the
// run publishes to. It closes by itself when the worker has ended; Cancel
// sets the action cancel flag and shows the waiting window until the worker
// has let go. Through the gate its waiting windows never open over a
// question.
class CProgressDlg : public CMyDialog {
public:
    CProgressDlg(int action, const CRunDisplay::WindowRules& rules, CProgressHandle handle,
        std::atomic<std::int32_t>& cancel, QWidget* parent = nullptr, CQuestionGate* gate = nullptr);

    // The clock the pace of the copy is taken on (the system's by default).
    void SetClock(const CClock& clock) { m_clock = &clock; }

    // Opens without blocking (behind the deletion window of a backup that
    // deletes first).
    void Start();
    void Finish();
    void Cancel();
    // One look at the monitor, as the timer takes it.
    void Tick();

    enum Text { Folders, Files, Elapsed, CurrentFile, CurrentFolder, CurrentSize, Transfer };
    QString TextOf(Text text) const;
    int FolderBar() const;
    int FileBar() const;
    QPushButton* CancelButton() const { return m_cancelButton; }

protected:
    void reject() override;

private:
    void CloseAs(bool proceed);
    void WaitFor(int message, std::function<bool()> busy, std::function<void(bool ended)> done);

    int m_action;
    CRunDisplay::WindowRules m_rules;
    CProgressHandle m_handle;
    std::atomic<std::int32_t>& m_cancel;
    CQuestionGate* m_gate;
    const CClock* m_clock;
    CTransferRate m_rate;
    QLabel* m_texts[7] {};
    QProgressBar* m_folderBar;
    QProgressBar* m_fileBar;
    QPushButton* m_cancelButton;
    QTimer m_timer;
    int m_percent = -1;
    bool m_cancelling = false;
};
