#pragma once

#include "engine/RunPlan.h"
#include "ui/MyDialog.h"
#include "ui/RunView.h"

#include <QTimer>
#include <atomic>
#include <cstdint>

class CPlanListModel;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

// The "File Information" window while both sides of an action are scanned:
// files, folders, total size and status per side, read from the monitor the
// run publishes to. Continue lets the run go on to the copy; Cancel sets the
// action cancel flag and, while a scan still runs, shows the waiting window
// until both have stopped.
//
// Once the scans are over, the run hands over its plan: Details then lists
// every item the action would add, replace, delete or bring back, with the
// bytes to copy and to remove above the list. Before a restore the window
// says in words what it will do to the source, and Continue waits for that.
class CGetInfoDlg : public CMyDialog {
public:
    CGetInfoDlg(const CRunDisplay::WindowRules& rules, CInformationHandle handle, std::atomic<std::int32_t>& cancel,
        QWidget* parent = nullptr);

    // The action the window is about (0 backup, 1 restore); set before Start.
    void SetAction(int action);
    // Opens without blocking.
    void Start();
    // The run ended without the window: it closes as cancelled.
    void Finish();
    // The run's plan, taken over whole.
    void SetPlan(CRunPlan plan);

    void Continue();
    void Cancel();
    void ShowDetails(bool shown);
    // Shows only the kinds of CPlanListModel::KindBit.
    void FilterKinds(unsigned kinds);

    // The texts of one side (0 source, 1 backup): files, folders, size, status.
    QString Value(int side, int row) const;
    QString Sentence() const;
    // The sentence has the warning look: a newer source file is replaced.
    bool Warns() const { return m_warns; }
    QString Totals() const;
    bool DetailsShown() const;
    QPushButton* ContinueButton() const { return m_continue; }
    QPushButton* CancelButton() const { return m_cancelButton; }
    QPushButton* DetailsButton() const { return m_detailsButton; }
    QComboBox* KindFilter() const { return m_filter; }
    QTableView* DetailsList() const { return m_list; }
    CPlanListModel* DetailsModel() const { return m_model; }

protected:
    void reject() override;

private:
    void CreateDetails();
    void LayOut();
    void Tick();
    void ShowPlanTexts();
    void CloseAs(bool proceed);
    bool ScansRunning() const;
    bool WaitsForPlan(const InformationSnapshot& snapshot) const;

    CRunDisplay::WindowRules m_rules;
    CInformationHandle m_handle;
    std::atomic<std::int32_t>& m_cancel;
    int m_action = 0;
    QLabel* m_values[2][4] {};
    QLabel* m_captions[2][4] {};
    QWidget* m_groups[2] {};
    QProgressBar* m_animation;
    QPushButton* m_continue;
    QPushButton* m_cancelButton;
    QPushButton* m_detailsButton;
    QLabel* m_sentenceIcon;
    QLabel* m_sentence;
    QLabel* m_totals;
    QComboBox* m_filter;
    QTableView* m_list;
    CPlanListModel* m_model;
    QTimer m_timer;
    bool m_cancelling = false;
    bool m_planShown = false;
    bool m_warns = false;
};
