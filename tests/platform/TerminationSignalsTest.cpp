#include "platform/TerminationSignals.h"

#include <chrono>
#include <csignal>
#include <future>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(TerminationSignalsTest, SignalsToTheProcessReachTheCallbackNotTheDefaultAction)
{
    std::promise<int> first;
    std::promise<int> second;
    int calls = 0;
    {
        CTerminationSignals signals([&](int signal) {
            if (++calls == 1)
                first.set_value(signal);
            else if (calls == 2)
                second.set_value(signal);
        });
        kill(getpid(), SIGTERM);
        auto got = first.get_future();
        ASSERT_EQ(got.wait_for(std::chrono::seconds(30)), std::future_status::ready);
        EXPECT_EQ(got.get(), SIGTERM);
        kill(getpid(), SIGINT);
        auto next = second.get_future();
        ASSERT_EQ(next.wait_for(std::chrono::seconds(30)), std::future_status::ready);
        EXPECT_EQ(next.get(), SIGINT);
        EXPECT_EQ(signals.Received(), SIGINT);
    }
    EXPECT_EQ(calls, 2) << "closing the watcher does not call back";
}

} // namespace
