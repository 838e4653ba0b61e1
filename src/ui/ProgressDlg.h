#pragma once

#include "ui/MyDialog.h"
#include "ui/RunView.h"

#include <QTimer>
#include <atomic>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

// The action progress window while the copy worker runs: folders and files
// processed against the scan's totals, with bars, the elapsed time and the
// item in hand, read from the monitor the run publishes to. It closes by
// itself when the worker has ended; Cancel sets the action cancel flag and
// shows the waiting window until the worker has let go.
class CProgressDlg : public CMyDialog {
public:
    CProgressDlg(int action, const CRunDisplay::WindowRules& rules, CProgressHandle handle,
        std::atomic<std::int32_t>& cancel, QWidget* parent = nullptr);

    // Opens without blocking (behind the deletion window of a backup that
    // deletes first).
    void Start();
    void Finish();
    void Cancel();
    // One look at the monitor, as the timer takes it.
    void Tick();

    enum Text { Folders, Files, Elapsed, CurrentFile, CurrentFolder, CurrentSize };
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
    QLabel* m_texts[6] {};
    QProgressBar* m_folderBar;
    QProgressBar* m_fileBar;
    QPushButton* m_cancelButton;
    QTimer m_timer;
    int m_percent = -1;
    bool m_cancelling = false;
};
