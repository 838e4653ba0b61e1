#include "platform/Together.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

void ForEachTogether(std::size_t count, std::size_t threads, const std::function<void(std::size_t)>& work)
{
    ForEachTogether(count, threads, work, nullptr);
}

void ForEachTogether(std::size_t count, std::size_t threads, const std::function<void(std::size_t)>& first,
    const std::function<void(std::size_t)>& second)
{
    std::atomic<std::size_t> next { 0 };
    std::atomic<std::size_t> firstDone { 0 };
    std::atomic<std::size_t> nextSecond { 0 };
    auto run = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            first(i);
            if (++firstDone == count)
                firstDone.notify_all();
        }
        if (!second)
            return;
        // The threads are kept for the second pass: starting them again
        // would cost as much as some of the calls they make.
        for (std::size_t done = firstDone.load(); done < count; done = firstDone.load())
            firstDone.wait(done);
        for (std::size_t i = nextSecond++; i < count; i = nextSecond++)
            second(i);
    };
    std::vector<std::jthread> helpers;
    // Two items at least per thread, or a thread costs more than it saves.
    const std::size_t wanted = std::min(threads, count / 2);
    for (std::size_t n = 1; n < wanted; ++n) {
        try {
            helpers.emplace_back(run);
        } catch (const std::system_error&) {
            break; // fewer threads: the same work, only slower
        }
    }
    run();
}
