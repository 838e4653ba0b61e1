#include "core/Session.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace {

CSession TwoSets()
{
    CSession session;
    session.Sets.emplace_back().Name = "First";
    session.Sets.emplace_back().Name = "Second";
    session.Sets[1].Entries.emplace_back().SourceFolder = "/src";
    return session;
}

TEST(SessionThreads, CopiesOfASetAreIndependentAndOutOfRangeGivesNone)
{
    CSession session = TwoSets();
    session.ActiveSet = 1;
    std::optional<CSet> copy = session.CopyActiveSet();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->Name, "Second");
    session.Edit([](CSession& s) { s.Sets[1].Entries[0].SourceFolder = "/changed"; });
    EXPECT_EQ(copy->Entries[0].SourceFolder, "/src");

    EXPECT_EQ(session.CopySet(0)->Name, "First");
    EXPECT_FALSE(session.CopySet(2));
    EXPECT_FALSE(session.CopySet(-1));
    session.ActiveSet = 5;
    EXPECT_FALSE(session.CopyActiveSet());
    EXPECT_EQ(session.Read([](const CSession& s) { return s.Sets.size(); }), 2u);
}

// A set named "n" holds n entries after every edit; a reader on another
// thread must never see a set between its rename and its new entry.
TEST(SessionThreads, ReadersOnOtherThreadsNeverSeeHalfAnEdit)
{
    CSession session;
    session.Sets.emplace_back().Name = "0";
    std::atomic<bool> done { false };
    std::atomic<int> torn { 0 };
    std::thread reader([&] {
        while (!done) {
            const std::optional<CSet> set = session.CopySet(0);
            if (!set || set->Name != std::to_string(set->Entries.size()))
                ++torn;
            session.Read([&](const CSession& s) {
                if (s.Sets.size() != 1)
                    ++torn;
            });
        }
    });
    for (int i = 1; i <= 300; ++i) {
        session.Edit([i](CSession& s) {
            s.Sets[0].Name = std::to_string(i);
            s.Sets[0].Entries.emplace_back().SourceFolder = "/f" + std::to_string(i);
        });
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(session.Sets[0].Entries.size(), 300u);
}

} // namespace
