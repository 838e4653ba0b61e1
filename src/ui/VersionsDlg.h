#pragma once

#include "core/Backup.h"
#include "engine/VersionList.h"
#include "ui/MyDialog.h"

#include <ctime>
#include <memory>
#include <string>
#include <vector>

class CVersionListModel;
class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

// The versions of one folder entry's files, from the version area its
// backups set them aside in: filtered by name and by the time they were set aside, and put back
// to their places in the source folder ("Restore") or below a folder the
// user chooses ("Restore to..."). The area is read, and versions copied, on
// threads of their own, which hand their results back by queued calls with
// values; the window never waits for them, and once it has gone they post
// nothing more.
class CVersionsDlg : public CMyDialog {
    Q_OBJECT

public:
    // now: when the entry's path tags are expanded.
    CVersionsDlg(const CBackup& entry, std::time_t now, bool gridLines, QWidget* parent = nullptr);
    ~CVersionsDlg() override;

    CVersionListModel& Model() const { return *m_model; }
    // Reading the area or restoring.
    bool Busy() const { return m_reading || m_restoring; }
    // Threads of every versions window that have not ended yet (tests wait
    // for 0 before they remove the files).
    static int ThreadsAlive();

Q_SIGNALS:
    void RestoreDone(int failures);

private:
    struct Shared;

    void Read();
    void ApplyFilter();
    void RestoreSelected(const std::string& targetFolder);
    void ChooseFolderAndRestore();
    void OnRead(int error, std::vector<VersionItem> versions);
    void OnRestored(const std::vector<std::string>& failures);
    void ShowError(const std::string& text);
    void UpdateControls();
    // Runs work on a thread of its own and then done, by a queued call, here.
    template <typename Result, typename Work, typename Done> void RunAside(Work work, Done done);

    VersionArea m_area;
    std::string m_sourceFolder;
    std::shared_ptr<Shared> m_shared;
    bool m_reading = false;
    bool m_restoring = false;

    CVersionListModel* m_model;
    QTableView* m_list;
    QLineEdit* m_name;
    QCheckBox* m_before;
    QDateTimeEdit* m_at;
    QLabel* m_status;
    QPushButton* m_restore;
    QPushButton* m_restoreTo;
    QPushButton* m_close;
};
