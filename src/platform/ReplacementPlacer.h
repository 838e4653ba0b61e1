#pragma once

#include "platform/StagedCopy.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Makes batches of staged replacements durable and renames them over their
// targets on a thread of its own, so that the copier goes on with the next
// batch while the disk writes this one. One batch is placed at a time; what
// became of each copy is collected by the thread that submitted it, which
// alone reports errors.
class CReplacementPlacer {
public:
    struct Placed {
        std::string from;
        std::string to;
        int error; // 0, or the errno that left the old file in place
    };

    CReplacementPlacer() = default;
    // Waits for the batch in flight: its copies are whole and get their names.
    ~CReplacementPlacer();
    CReplacementPlacer(const CReplacementPlacer&) = delete;
    CReplacementPlacer& operator=(const CReplacementPlacer&) = delete;

    // Starts placing batch in the background; the batch before is collected
    // first if it was not.
    void Submit(std::vector<CStagedCopy> batch);
    // Waits until the submitted batch is placed and returns its copies in
    // the order given; empty when nothing was submitted.
    std::vector<Placed> Collect();
    // No batch is being placed: one handed over now starts at once.
    bool Idle() const { return !m_placing.load(std::memory_order_relaxed); }

    // Places batch from the calling thread and helpers of its own: every
    // copy's writeback starts first, so the disk sees the whole batch
    // together; then each is made durable and renamed. The results come
    // back in the batch's order.
    static std::vector<Placed> PlaceNow(std::vector<CStagedCopy>& batch);

private:
    void Run();

    static constexpr std::size_t kSyncThreads = 16;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<CStagedCopy> m_batch;
    std::vector<Placed> m_placed;
    bool m_pending = false; // submitted, not yet placed
    bool m_uncollected = false; // submitted, not yet collected
    bool m_stop = false;
    std::atomic<bool> m_placing { false };
    std::thread m_thread;
};
