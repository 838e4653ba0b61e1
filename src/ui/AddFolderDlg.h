#pragma once

#include "ui/FolderDrop.h"
#include "ui/FolderEntryEdit.h"
#include "ui/MyDialog.h"

#include <string>
#include <vector>

class CClock;
class CPrompter;
class CSet;
class QCheckBox;
class CMyComboBox;
class QComboBox;
class QPushButton;

// The Add Folder / Edit Folder dialog: one folder entry's source and backup
// folders, masks and recursion, checked on OK. It reads what it needs from
// the set when it is made and hands the accepted values back by Result().
class CAddFolderDlg : public CMyDialog {
    Q_OBJECT
public:
    // entryIndex: the edited entry (edit), ignored when adding.
    CAddFolderDlg(const CSet& set, int entryIndex, bool edit, CPrompter& prompter, QWidget* parent = nullptr);
    ~CAddFolderDlg() override;

    // Source and include list of files or a folder dropped elsewhere;
    // "Recursive" is cleared for files.
    void SetPreset(const FolderDrop& drop);
    // OK runs as soon as the dialog is executed; it shows only when a check fails.
    void SetImmediateConfirm(bool on) { m_immediateConfirm = on; }
    // The clock the path tags are expanded with (the system clock by default).
    void SetClock(const CClock& clock) { m_clock = &clock; }

    int exec() override;
    void accept() override;

    const FolderEntryEdit& Result() const { return m_result; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Texts {
        std::string source, backup, excludeFolders, include, excludeFiles;
    };

    void BuildLayout();
    void LoadHistories();
    void SaveHistories(const Texts& texts);
    void Browse(QComboBox* target, const QString& title, const QString& prompt);
    void AddTag(QComboBox* target, QComboBox* tags, int index);

    bool Confirm();
    Texts ReadTexts() const;
    void ShowTexts(const Texts& texts);
    bool CheckDisplayName(const std::string& source);
    bool CheckFolders(const std::string& source, const std::string& backup);
    bool CheckMasks(Texts& texts);

    CPrompter& m_prompter;
    const CClock* m_clock;
    bool m_edit;
    bool m_immediateConfirm = false;
    int m_entryIndex;
    std::vector<std::string> m_otherSources; // SourceFolder of every other entry
    FolderEntryEdit m_result;

    CMyComboBox* m_source = nullptr;
    QCheckBox* m_recursive = nullptr;
    QComboBox* m_sourceTag = nullptr;
    QPushButton* m_sourceBrowse = nullptr;
    CMyComboBox* m_backup = nullptr;
    QCheckBox* m_changeAll = nullptr;
    QComboBox* m_backupTag = nullptr;
    QPushButton* m_backupBrowse = nullptr;
    CMyComboBox* m_excludeFolders = nullptr;
    CMyComboBox* m_includeFiles = nullptr;
    CMyComboBox* m_excludeFiles = nullptr;
};
