#pragma once

#include "log/LogFilter.h"
#include "ui/MyDialog.h"

#include <array>
#include <string>

class CClock;
class CLogListModel;
class CLogLoad;
class CPrompter;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QTableView;

// The "View Log" window: the records of the activity log, newest first,
// filtered by event type, action and age. The log is read on a thread of
// its own while a small progress window waits with Cancel; the rows show
// as they arrive. The filter is kept under Settings\View Log.
class CViewLogDlg : public CMyDialog {
    Q_OBJECT

public:
    // The filter as stored: the check boxes 0 or 1, the number combo's
    // index (shown number - 1) and the unit combo's index.
    struct FilterState {
        int Error = 1;
        int User = 1;
        int Scheduled = 1;
        int Backup = 1;
        int Restore = 1;
        int Display = 0;
        int Number = 6;
        int Unit = 1;
    };

    static constexpr int kDesignWidth = 529;
    static constexpr int kDesignHeight = 511;

    // fileName is LogFileName; gridLines GridlinesList. The age filter
    // counts back from clock's now at each change of the filter.
    CViewLogDlg(
        std::string fileName, bool gridLines, CPrompter& prompter, const CClock& clock, QWidget* parent = nullptr);
    ~CViewLogDlg() override;

    static FilterState LoadFilterState();
    static void SaveFilterState(const FilterState& state);

    // Reads the log again (the first time when the window is shown).
    void Refresh();
    bool Loading() const;
    // How the last read ended (damaged lines it passed over included).
    const LogReadSummary& Summary() const;

    // Parts the tests and the pictures reach.
    QTableView* List() const { return m_list; }
    CLogListModel* Model() const { return m_model; }
    QCheckBox* Check(int index) const { return m_checks[static_cast<std::size_t>(index)]; }
    QComboBox* NumberCombo() const { return m_number; }
    QComboBox* UnitCombo() const { return m_unit; }
    FilterState State() const;

    // The check boxes in order.
    enum CheckBox { Errors, User, Scheduled, Backup, Restore, DisplayLast, CheckCount };

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void ApplyState(const FilterState& state);
    void OnFilterChanged();
    void OnProgressDone(bool ended);
    LogFilter FilterOf(const FilterState& state) const;

    std::string m_fileName;
    CPrompter& m_prompter;
    const CClock& m_clock;
    QGroupBox* m_filterGroup = nullptr;
    std::array<QCheckBox*, CheckCount> m_checks {};
    QComboBox* m_number = nullptr;
    QComboBox* m_unit = nullptr;
    QGroupBox* m_eventsGroup = nullptr;
    QTableView* m_list = nullptr;
    QPushButton* m_ok = nullptr;
    CLogListModel* m_model = nullptr;
    CLogLoad* m_load = nullptr;
    bool m_refreshed = false;
};
