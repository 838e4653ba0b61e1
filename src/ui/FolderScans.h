#pragma once

#include "core/FolderStatistics.h"

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class CBackup;

// The folder statistics of the main window's rows, one CFolderStatistics per
// row (set index, entry index). A pass works on its own copy of the entry, so
// an entry can be edited, removed or copied for a run while its pass is still
// running: the window cancels the pass and forgets it, and the forgotten
// statistics are dropped once their thread has ended, so the interface thread
// never waits for one.
class CFolderScans : public QObject {
    Q_OBJECT

public:
    using Key = std::pair<int, int>; // set index, entry index

    explicit CFolderScans(QObject* parent = nullptr);
    ~CFolderScans() override;

    // Starts a pass over entry; a pass of the same row is cancelled first.
    void Start(Key key, const CBackup& entry, std::uint64_t clusterBytes, std::time_t now);
    // The figures of a row; all 0 when it has none.
    FolderFigures Figures(Key key) const;
    bool Has(Key key) const;
    bool Running(Key key) const;
    bool AnyRunning(int set) const;
    // The file list of a row's last complete pass.
    std::shared_ptr<const CFileRecordArray> SourceList(Key key) const;
    // Cancels one row's pass; its figures are dropped.
    void Cancel(Key key);
    // Cancels every pass of set (every set for -1) and returns a "still
    // running" test for each, so a thread other than the interface thread can
    // wait until they have ended.
    std::vector<std::function<bool()>> CancelAll(int set = -1);

    // Waits until every pass has ended (tests, the end of the program).
    void WaitAll();
    // Runs at the start of every later pass on its thread (tests hold a pass).
    void SetPassStartHook(std::function<void()> hook) { m_passStartHook = std::move(hook); }

private:
    void Retire(std::shared_ptr<CFolderStatistics> statistics);
    void Reap();

    std::map<Key, std::shared_ptr<CFolderStatistics>> m_rows;
    std::vector<std::shared_ptr<CFolderStatistics>> m_retired;
    QTimer m_reaper;
    std::function<void()> m_passStartHook;
};
