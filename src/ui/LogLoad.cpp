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
    // Counted up before each post and read where the post arrives: the
    // queued call orders the two already, but inside Qt, which Debian does
    // not build with ThreadSanitizer; this states the order where the
    // thread checker sees it.
    std::atomic<unsigned> Posted { 0 };
};

CLogLoad::CLogLoad(QObject* parent)
    : QObject(parent)
{
}

CLogLoad::~CLogLoad()
{
    Detach();
}

void CLogLoad::Detach()
{
    if (!m_shared)
        return;
    m_shared->Cancel = true;
    // Held only while the thread posts an event, never while it reads.
    const std::lock_guard<std::mutex> lock(m_shared->Mutex);
    m_shared->Detached = true;
}

// Whether what shared's thread posted still belongs to the current read
// (a later Start drops what an earlier read posted).
bool CLogLoad::Current(const std::shared_ptr<Shared>& shared) const
{
    static_cast<void>(shared->Posted.load(std::memory_order_acquire));
    return m_shared == shared;
}

int CLogLoad::ThreadsAlive()
{
    return g_threadsAlive.load();
}

void CLogLoad::Start(const std::string& fileName, std::size_t firstChunk, std::size_t chunk)
{
    Detach();
    m_shared = std::make_shared<Shared>();
    m_running = true;
    m_summary = {};
    CLogReader reader(fileName);
    if (firstChunk != 0 && chunk != 0)
        reader.SetChunkSizes(firstChunk, chunk);
    ++g_threadsAlive;
    std::thread([shared = m_shared, reader = std::move(reader), receiver = this] {
        CThreadPriority::LowerCurrentThread();
        const auto post = [&shared, receiver](auto call) {
            const std::lock_guard<std::mutex> lock(shared->Mutex);
            if (shared->Detached)
                return;
            shared->Posted.fetch_add(1, std::memory_order_release);
            QMetaObject::invokeMethod(receiver, std::move(call), Qt::QueuedConnection);
        };
        const LogReadSummary summary = reader.Read(shared->Cancel, [&post, &shared, receiver](LogBatch&& batch) {
            post([receiver, shared, batch = std::make_shared<const LogBatch>(std::move(batch))] {
                if (receiver->Current(shared))
                    Q_EMIT receiver->BatchRead(batch);
            });
        });
        post([receiver, shared, summary] {
            if (receiver->Current(shared))
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
