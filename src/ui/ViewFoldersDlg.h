#pragma once

#include "scan/FileRecordArray.h"
#include "ui/MyDialog.h"

#include <functional>

class CFileListModel;
class QGroupBox;
class QPushButton;
class QTableView;

// The "View Folders" window: a sortable list of files and folders given by
// its caller, Name, Size and Date Modified; a double click opens the item
// with the desktop's default program. The list is an item model, so even a
// six-figure list opens at once.
class CViewFoldersDlg : public CMyDialog {
    Q_OBJECT

public:
    // Opens a path with the desktop; false when that failed.
    using Opener = std::function<bool(const QString& path)>;

    CViewFoldersDlg(const CFileRecordArray& records, const QString& title, bool gridLines, QWidget* parent = nullptr);

    void SetOpener(Opener opener) { m_opener = std::move(opener); }
    // Opens the item of a row as a double click does.
    void OpenRow(int row);

    QTableView* List() const { return m_list; }
    CFileListModel* Model() const { return m_model; }

private:
    CFileListModel* m_model;
    QTableView* m_list;
    QGroupBox* m_group;
    QPushButton* m_ok;
    Opener m_opener;
};
