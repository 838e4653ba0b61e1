#include "engine/CopyAhead.h"

#include <algorithm>
#include <utility>

static_assert(sizeof(CCopyAhead::Job) == 16, "a first copy holds a job per file");

CCopyAhead::CCopyAhead(
    const std::vector<Job>& jobs, Copy copy, const CFileCopier& copier, const std::atomic<std::int32_t>& cancel)
    : m_jobs(jobs)
    , m_states(std::make_unique<std::atomic<std::uint8_t>[]>(m_jobs.size()))
    , m_copy(std::move(copy))
    , m_cancel(cancel)
{
    for (CFileCopier* own : { &m_copier, &m_waitingCopier }) {
        own->SetCancelFlag(&cancel);
        own->SetReplaceReadOnly(copier.ReplacesReadOnly());
        own->SetHardLinks(copier.HardLinks());
        own->SetBatchReplacements(true);
    }
    m_thread = std::thread(&CCopyAhead::Run, this);
}

CCopyAhead::~CCopyAhead()
{
    Finish();
}

void CCopyAhead::Run()
{
    std::string to;
    for (std::size_t n = 0; n < m_jobs.size(); ++n) {
        std::size_t reached = m_reached.load(std::memory_order_acquire);
        while (n > reached + kAhead && !m_stop.load()) {
            m_reached.wait(reached);
            reached = m_reached.load(std::memory_order_acquire);
        }
        if (m_stop.load() || m_cancel.load() != 0)
            return;
        // Behind the worker: what it reached is its own.
        n = std::max(n, reached);
        if (n >= m_jobs.size())
            return;
        if (!Shared(m_jobs[n]))
            continue;
        std::uint8_t open = Open;
        if (m_states[n].compare_exchange_strong(open, Claimed))
            CopyJob(m_copier, n, to);
    }
}

bool CCopyAhead::Shared(const Job& job)
{
    return job.shared && job.size < kLargeFile;
}

// Publishes the job's result; the replacement the copy left waiting, if
// any, goes with it.
void CCopyAhead::CopyJob(CFileCopier& copier, std::size_t n, std::string& to)
{
    Outcome& outcome = OutcomeOf(n);
    to.clear();
    outcome.error = m_copy(copier, m_jobs[n], to);
    std::vector<CStagedCopy> staged = copier.TakeWaiting();
    if (!staged.empty())
        outcome.staged = std::make_unique<CStagedCopy>(std::move(staged.front()));
    m_states[n].store(Published, std::memory_order_release);
    m_states[n].notify_one();
}

// While the second thread copies the job the worker needs, the worker
// copies one from the far end of the window rather than wait: the second
// thread takes them from the near end, so the two seldom meet.
bool CCopyAhead::CopyWhileWaiting(std::size_t n)
{
    const std::size_t last = std::min(m_jobs.size(), n + 1 + kAhead);
    for (std::size_t m = last; m-- > n + 1;) {
        if (!Shared(m_jobs[m]) || m_states[m].load(std::memory_order_relaxed) != Open)
            continue;
        std::uint8_t open = Open;
        if (!m_states[m].compare_exchange_strong(open, Claimed))
            continue;
        CopyJob(m_waitingCopier, m, m_waitingTo);
        return true;
    }
    return false;
}

bool CCopyAhead::Take(std::size_t n, Result& result)
{
    m_reached.store(n, std::memory_order_release);
    m_reached.notify_one();
    std::atomic<std::uint8_t>& state = m_states[n];
    std::uint8_t now = Open;
    if (state.compare_exchange_strong(now, Worker))
        return false;
    while (now == Claimed) {
        if (!CopyWhileWaiting(n))
            state.wait(Claimed, std::memory_order_acquire);
        now = state.load(std::memory_order_acquire);
    }
    Outcome& outcome = OutcomeOf(n);
    result.error = outcome.error;
    if (outcome.staged)
        result.staged = std::move(*std::exchange(outcome.staged, nullptr));
    state.store(Taken, std::memory_order_relaxed);
    return true;
}

std::vector<std::size_t> CCopyAhead::Finish()
{
    m_stop.store(true);
    m_reached.store(m_jobs.size() + kAhead, std::memory_order_release);
    m_reached.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    std::vector<std::size_t> untaken;
    for (std::size_t n = 0; n < m_jobs.size(); ++n) {
        if (m_states[n].load() != Published)
            continue;
        m_states[n].store(Taken);
        // A replacement still waiting is removed with its outcome; one
        // placed at once found nothing to replace, and goes like a new copy.
        Outcome& outcome = OutcomeOf(n);
        const bool placed = outcome.error == 0 && !outcome.staged;
        outcome.staged.reset();
        if (placed)
            untaken.push_back(m_jobs[n].index);
    }
    return untaken;
}
