#pragma once

#include "core/Set.h"
#include "ui/MyDialog.h"

#include <deque>
#include <string>
#include <vector>

class CPrompter;
class CMyListCtrl;
class CNewBackupSetDlg;
class QPushButton;

// The Manage Backup Sets dialog: new, duplicate, rename and delete sets, and
// each set's version settings, on a copy of the working session's sets,
// handed back by Sets() after OK. No two sets end up with one name, letter
// case ignored.
class CManageBackupSetsDlg : public CMyDialog {
    Q_OBJECT
public:
    // sets: a copy of the working session's sets.
    CManageBackupSetsDlg(std::deque<CSet> sets, bool gridlines, CPrompter& prompter, QWidget* parent = nullptr);

    void accept() override;

    const std::deque<CSet>& Sets() const { return m_sets; }
    std::deque<CSet> TakeSets() { return std::move(m_sets); }
    // The row of the set New or Duplicate made last, if it is still there;
    // else -1. The main window makes it the active set.
    int NewSetRow() const { return m_newSetRow; }

protected:
    // Delete in the list deletes the selected set.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Command { New, Duplicate, Rename };

    void Fill(int selectRow);
    int SelectedRow() const;
    void UpdateButtons();
    void AskName(Command command);
    // The names a set at row may not take: every other set's.
    std::vector<std::string> NamesBesides(int row) const;
    void NameChosen(Command command, int row, const std::string& name);
    void Delete();
    void EditVersions();

    CPrompter& m_prompter;
    std::deque<CSet> m_sets;
    int m_newSetRow = -1;
    CMyListCtrl* m_list = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_duplicate = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_versions = nullptr;
};
