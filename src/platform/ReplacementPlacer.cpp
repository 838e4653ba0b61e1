#include "platform/ReplacementPlacer.h"

#include <algorithm>
#include <atomic>
#include <system_error>

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
    const std::vector<int> durable = MakeDurable(batch);
    std::vector<Placed> placed;
    placed.reserve(batch.size());
    for (std::size_t i = 0; i < batch.size(); ++i) {
        CStagedCopy& copy = batch[i];
        std::string from = copy.From();
        std::string to = copy.To();
        const int error = durable[i] != 0 ? durable[i] : copy.Rename();
        if (error != 0)
            copy = CStagedCopy(); // removed; the target keeps its old file
        placed.push_back({ std::move(from), std::move(to), error });
    }
    batch.clear();
    return placed;
}

// The fsyncs of a batch are issued from several threads at once: one after
// another, each waits for its own cache flush, while flushes asked for
// together are merged by the block layer into few. The threads wait on the
// disk, not on the processor.
std::vector<int> CReplacementPlacer::MakeDurable(std::vector<CStagedCopy>& batch)
{
    std::vector<int> errors(batch.size(), 0);
    std::atomic<std::size_t> next { 0 };
    auto work = [&] {
        for (std::size_t i = next++; i < batch.size(); i = next++)
            errors[i] = batch[i].Sync();
    };
    std::vector<std::jthread> helpers;
    const std::size_t count = std::min(kSyncThreads, batch.size() / 2);
    for (std::size_t n = 1; n < count; ++n) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // fewer threads: the same work, only slower
        }
    }
    work();
    return errors;
}
