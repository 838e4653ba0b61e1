#pragma once

#include "log/LogReader.h"

#include <QObject>
#include <atomic>
#include <memory>
#include <string>

// Reads the activity log on a thread of its own (just below normal
// priority) and hands each stretch of records to the interface thread as a
// value, by queued calls. The interface thread never waits for the thread:
// cancelling, or destroying this object, only tells the thread to stop and
// to post nothing more; the thread ends on its own.
class CLogLoad : public QObject {
    Q_OBJECT

public:
    explicit CLogLoad(QObject* parent = nullptr);
    ~CLogLoad() override;

    // Starts reading fileName; chunk sizes as CLogReader's (0 keeps its own).
    void Start(const std::string& fileName, std::size_t firstChunk = 0, std::size_t chunk = 0);
    // Asks the thread to stop; Finished still comes, with Cancelled.
    void Cancel();
    // True from Start until Finished has been delivered.
    bool Running() const { return m_running; }
    const LogReadSummary& Summary() const { return m_summary; }

    // Reading threads of every load that have not ended yet (tests wait for
    // 0 before they remove the files).
    static int ThreadsAlive();

Q_SIGNALS:
    void BatchRead(std::shared_ptr<const LogBatch> batch);
    void Finished(LogReadSummary summary);

private:
    struct Shared;

    // Tells the thread to stop and to post nothing more.
    void Detach();
    bool Current(const std::shared_ptr<Shared>& shared) const;
    void OnFinished(const LogReadSummary& summary);

    std::shared_ptr<Shared> m_shared;
    bool m_running = false;
    LogReadSummary m_summary;
};
