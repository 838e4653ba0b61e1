#pragma once

#include "ui/MyDialog.h"
#include "ui/RunView.h"

#include <QTimer>
#include <atomic>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

// The "File Information" window while both sides of an action are scanned:
// files, folders, total size and status per side, read from the monitor the
// run publishes to. Continue lets the run go on to the copy; Cancel sets the
// action cancel flag and, while a scan still runs, shows the waiting window
// until both have stopped.
class CGetInfoDlg : public CMyDialog {
public:
    CGetInfoDlg(const CRunDisplay::WindowRules& rules, CInformationHandle handle, std::atomic<std::int32_t>& cancel,
        QWidget* parent = nullptr);

    // Opens without blocking.
    void Start();
    // The run ended without the window: it closes as cancelled.
    void Finish();

    void Continue();
    void Cancel();

    // The texts of one side (0 source, 1 backup): files, folders, size, status.
    QString Value(int side, int row) const;
    QPushButton* ContinueButton() const { return m_continue; }
    QPushButton* CancelButton() const { return m_cancelButton; }

protected:
    void reject() override;

private:
    void Tick();
    void CloseAs(bool proceed);
    bool ScansRunning() const;

    CRunDisplay::WindowRules m_rules;
    CInformationHandle m_handle;
    std::atomic<std::int32_t>& m_cancel;
    QLabel* m_values[2][4] {};
    QProgressBar* m_animation;
    QPushButton* m_continue;
    QPushButton* m_cancelButton;
    QTimer m_timer;
    bool m_cancelling = false;
};
