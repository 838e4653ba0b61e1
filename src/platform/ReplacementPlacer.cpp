#include "platform/ReplacementPlacer.h"

#include "platform/Together.h"

CReplacementPlacer::~CReplacementPlacer()
{
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_pending; });
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void CReplacementPlacer::Submit(std::vector<CStagedCopy> batch)
{
    Collect();
    {
        std::lock_guard lock(m_mutex);
        m_batch = std::move(batch);
        m_pending = true;
        m_placing.store(true);
        m_uncollected = true;
    }
    // Started with the first batch: most runs replace nothing.
    if (!m_thread.joinable())
        m_thread = std::thread(&CReplacementPlacer::Run, this);
    m_wake.notify_all();
}

std::vector<CReplacementPlacer::Placed> CReplacementPlacer::Collect()
{
    std::unique_lock lock(m_mutex);
    if (!m_uncollected)
        return {};
    m_wake.wait(lock, [this] { return !m_pending; });
    m_uncollected = false;
    return std::move(m_placed);
}

void CReplacementPlacer::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_pending; });
        if (!m_pending)
            return;
        std::vector<CStagedCopy> batch = std::move(m_batch);
        lock.unlock();
        std::vector<Placed> placed = PlaceNow(batch);
        lock.lock();
        m_placed = std::move(placed);
        m_pending = false;
        m_placing.store(false);
        m_wake.notify_all();
    }
}

std::vector<CReplacementPlacer::Placed> CReplacementPlacer::PlaceNow(std::vector<CStagedCopy>& batch)
{
    for (const CStagedCopy& copy : batch)
        copy.StartWriteback();
    std::vector<Placed> placed;
    placed.reserve(batch.size());
    for (const CStagedCopy& copy : batch)
        placed.push_back({ copy.From(), copy.To(), 0 });
    // Every copy is made durable first, from several threads at once, and
    // only then are they renamed: fsyncs made together share the device's
    // cache flushes, where a rename between two of them would make the
    // second wait for a flush of its own. Renames over old files go together
    // too: on a file system that discards freed blocks each waits for its
    // old file's blocks. A copy is renamed only after its own fsync
    // succeeded, so a crash leaves each target old or new, never torn.
    ForEachTogether(
        batch.size(), kSyncThreads, [&](std::size_t i) { placed[i].error = batch[i].Sync(); },
        [&](std::size_t i) {
            CStagedCopy& copy = batch[i];
            int& error = placed[i].error;
            if (error == 0)
                error = copy.Rename();
            if (error != 0)
                copy = CStagedCopy(); // removed; the target keeps its old file
        });
    batch.clear();
    return placed;
}
