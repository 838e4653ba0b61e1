#include "ui/LogLoad.h"

#include "platform/ThreadPriority.h"

#include <mutex>
#include <thread>

namespace {

std::atomic<int> g_threadsAlive { 0 };

} // namespace

// What the thread and the object share. Once Detached is set the thread
// posts nothing more, so it never reaches an object that has gone.
struct CLogLoad::Shared {
    std::mutex Mutex;
    bool Detached = false;
    std::atomic<bool> Cancel { false };
};

CLogLoad::CLogLoad(QObject* parent)
    : QObject(parent)
{
}

CLogLoad::~CLogLoad()
{
    if (!m_shared)
        return;
    m_shared->Cancel = true;
    // Held only while the thread posts an event, never while it reads.
    const std::lock_guard<std::mutex> lock(m_shared->Mutex);
    m_shared->Detached = true;
}

int CLogLoad::ThreadsAlive()
{
    return g_threadsAlive.load();
}

void CLogLoad::Start(const std::string& fileName, std::size_t firstChunk, std::size_t chunk)
{
    if (m_shared) {
        m_shared->Cancel = true;
        const std::lock_guard<std::mutex> lock(m_shared->Mutex);
        m_shared->Detached = true;
    }
    m_shared = std::make_shared<Shared>();
    m_running = true;
    m_summary = {};
    CLogReader reader(fileName);
    if (firstChunk != 0 && chunk != 0)
        reader.SetChunkSizes(firstChunk, chunk);
    ++g_threadsAlive;
    std::thread([shared = m_shared, reader = std::move(reader), receiver = this] {
        CThreadPriority::LowerCurrentThread();
        // A later Start on the same object drops what an earlier read posted.
        const auto post = [&shared, receiver](auto call) {
            const std::lock_guard<std::mutex> lock(shared->Mutex);
            if (!shared->Detached)
                QMetaObject::invokeMethod(receiver, std::move(call), Qt::QueuedConnection);
        };
        const LogReadSummary summary = reader.Read(shared->Cancel, [&post, &shared, receiver](LogBatch&& batch) {
            post([receiver, shared, batch = std::make_shared<const LogBatch>(std::move(batch))] {
                if (receiver->m_shared == shared)
                    Q_EMIT receiver->BatchRead(batch);
            });
        });
        post([receiver, shared, summary] {
            if (receiver->m_shared == shared)
                receiver->OnFinished(summary);
        });
        --g_threadsAlive;
    }).detach();
}

void CLogLoad::Cancel()
{
    if (m_shared)
        m_shared->Cancel = true;
}

void CLogLoad::OnFinished(const LogReadSummary& summary)
{
    m_running = false;
    m_summary = summary;
    Q_EMIT Finished(summary);
}
