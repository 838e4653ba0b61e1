#include "platform/Together.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

void ForEachTogether(std::size_t count, std::size_t threads, const std::function<void(std::size_t)>& work)
{
    std::atomic<std::size_t> next { 0 };
    auto run = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
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
