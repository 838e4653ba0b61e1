#pragma once

#include "platform/FileCopier.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Copies the new files at the odd positions of a record list on a second
// thread, a little ahead of the worker, which copies the others itself and
// takes these results as it reaches them: both cores copy, while the worker
// alone still decides, prompts and records everything in list order.
//
// The second thread reads only the records at odd positions, and the worker
// moves such a record only after Take has returned for it.
class CCopyAhead {
public:
    // Whether the record at index is a new file to copy, and its paths;
    // called on the second thread, it may only read what stays unchanged.
    using Pick = std::function<bool(std::size_t index, std::string& from, std::string& to)>;
    using Copy = std::function<int(CFileCopier& copier, const std::string& from, const std::string& to)>;

    CCopyAhead(std::size_t count, Pick pick, Copy copy, const std::atomic<std::int32_t>& cancel);
    ~CCopyAhead();
    CCopyAhead(const CCopyAhead&) = delete;
    CCopyAhead& operator=(const CCopyAhead&) = delete;

    static bool IsShared(std::size_t index) { return index % 2 == 1; }

    // For a shared index: waits until the second thread has dealt with it.
    // True with the copy's result (0 or an errno) when it copied the file;
    // false when the worker is to handle the record itself.
    bool Take(std::size_t index, int& error);
    // Stops the second thread. Returns the targets it copied that were never
    // taken: they lie past where the worker stopped and are to go again.
    std::vector<std::string> Finish();

private:
    struct Result {
        bool copied;
        int error;
        std::string to;
    };

    void Run();

    // How far the second thread may run ahead of the worker.
    static constexpr std::size_t kAhead = 64;
    const std::size_t m_count;
    Pick m_pick;
    Copy m_copy;
    CFileCopier m_copier;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<std::size_t, Result> m_results;
    std::size_t m_reached = 0;
    bool m_stop = false;
    bool m_ended = false;
    std::thread m_thread;
};
