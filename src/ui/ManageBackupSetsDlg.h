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
// handed back by Sets() after OK.
class CManageBackupSetsDlg : public CMyDialog {
    Q_OBJECT
public:
    // sets: a copy of the working session's sets; their names as given here
    // are the names New and Duplicate refuse.
    CManageBackupSetsDlg(std::deque<CSet> sets, bool gridlines, CPrompter& prompter, QWidget* parent = nullptr);

    void accept() override;

    const std::deque<CSet>& Sets() const { return m_sets; }
    std::deque<CSet> TakeSets() { return std::move(m_sets); }

protected:
    // Delete in the list deletes the selected set.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Command { New, Duplicate, Rename };

    void Fill(int selectRow);
    int SelectedRow() const;
    void UpdateButtons();
    void AskName(Command command);
    void NameChosen(Command command, int row, const std::string& name);
    void Delete();
    void EditVersions();

    CPrompter& m_prompter;
    std::deque<CSet> m_sets;
    std::vector<std::string> m_workingNames; // the names when the dialog opened
    CMyListCtrl* m_list = nullptr;
    QPushButton* m_new = nullptr;
    QPushButton* m_duplicate = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_versions = nullptr;
};
