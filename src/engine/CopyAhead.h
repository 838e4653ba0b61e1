#pragma once

#include "platform/FileCopier.h"
#include "platform/StagedCopy.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// Copies files of a list of jobs on a second thread, a little ahead of the
// worker, which copies the others itself and takes the second thread's
// results as it reaches them: both cores copy, while the worker alone still
// decides, prompts, counts and records everything in list order.
//
// Each job is claimed once, by whichever thread comes first; results are
// published per job through its state. The worker never waits idle for a
// job the second thread is still copying: it copies one further ahead. Large files are left to the worker:
// two of them copied at once would only make the disk seek between them.
class CCopyAhead {
public:
    // A first copy has one per file: 16 bytes.
    struct Job {
        std::uint64_t size;
        std::uint32_t index; // in the record list, whose counts are 32-bit
        bool shared; // the second thread may copy it
        bool replace; // an existing file is replaced, else a new one made
    };
    // What the second thread made of a job: 0 or an errno, and the
    // replacement it left waiting, if any.
    struct Result {
        int error = 0;
        CStagedCopy staged;
    };
    // Copies job's file with the given copier; called on both threads, it
    // may only read what stays unchanged while the worker runs. to is a
    // buffer for the target's path.
    using Copy = std::function<int(CFileCopier& copier, const Job& job, std::string& to)>;

    // jobs: kept by the caller while this lives. copier: the worker's,
    // whose settings the copiers of this class take.
    CCopyAhead(
        const std::vector<Job>& jobs, Copy copy, const CFileCopier& copier, const std::atomic<std::int32_t>& cancel);
    ~CCopyAhead();
    CCopyAhead(const CCopyAhead&) = delete;
    CCopyAhead& operator=(const CCopyAhead&) = delete;

    const std::vector<Job>& Jobs() const { return m_jobs; }
    // The worker has reached job n (in order): true with the second
    // thread's result when it copied it; false when the worker is to handle
    // it itself, which the second thread then leaves alone.
    bool Take(std::size_t n, Result& result);
    // Stops the second thread. Returns the record indices of the new copies
    // made that were never taken: they lie past where the worker stopped
    // and are to go again. Replacements never taken are dropped, their old
    // files kept.
    std::vector<std::size_t> Finish();

    // Files at least this large are copied by the worker only.
    static constexpr std::uint64_t kLargeFile = 4u << 20;

private:
    enum State : std::uint8_t { Open, Claimed, Published, Worker, Taken };
    // What a copy made of a job, kept until the worker takes it.
    struct Outcome {
        int error = 0;
        std::unique_ptr<CStagedCopy> staged;
    };
    void Run();
    static bool Shared(const Job& job);
    void CopyJob(CFileCopier& copier, std::size_t n, std::string& to);
    bool CopyWhileWaiting(std::size_t n);

    // How many jobs the second thread may run ahead of the worker: the
    // copies it holds keep descriptors open and are undone on a stop.
    static constexpr std::size_t kAhead = 64;
    // Every job copied and not yet taken lies between the one the worker is
    // at and kAhead beyond it, so their outcomes share a ring: a first copy
    // keeps a byte per job, not a result.
    static constexpr std::size_t kOutcomes = 2 * kAhead;
    Outcome& OutcomeOf(std::size_t n) { return m_outcomes[n % kOutcomes]; }
    const std::vector<Job>& m_jobs;
    std::unique_ptr<std::atomic<std::uint8_t>[]> m_states; // a State per job
    std::array<Outcome, kOutcomes> m_outcomes;
    Copy m_copy;
    CFileCopier m_copier; // the second thread's
    // The worker's, for the jobs it copies while it waits.
    CFileCopier m_waitingCopier;
    std::string m_waitingTo;
    const std::atomic<std::int32_t>& m_cancel;
    // The job the worker is at; the second thread never claims one before it.
    std::atomic<std::size_t> m_reached { 0 };
    std::atomic<bool> m_stop { false };
    std::thread m_thread;
};
