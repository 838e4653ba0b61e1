#include "scheduler/SchedulerThread.h"

#include "TimeZone.h"
#include "common/FakeClock.h"
#include "common/ScriptedPrompter.h"
#include "core/Session.h"
#include "core/SettingsHolder.h"
#include "platform/MyRegistry.h"
#include "scheduler/ActionFlags.h"

#include <filesystem>
#include <future>
#include <gtest/gtest.h>

namespace {

struct RunRecord {
    std::string set;
    std::time_t at;
    int scheduledFlag;
};

class SchedulerThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::remove(CMyRegistry::FilePath());
        settings.SchedulerActive = true;
        session.Sets.clear();
    }

    CSet& AddHourly(const std::string& name, int minute)
    {
        CSet& set = session.Sets.emplace_back();
        set.Name = name;
        set.Schedule.Active = 1;
        set.Schedule.Condition = 0;
        set.Schedule.HourlyMinutes = minute;
        return set;
    }

    // The scheduler acts by the holder, which starts out with settings.
    CSchedulerThread Make()
    {
        holder.Replace(settings);
        return CSchedulerThread(session, holder, flags, prompter, clock, [this](const CSet& set) {
            runs.push_back({ set.Name, clock.Now(), flags.ScheduledEvent.load() });
            clock.Advance(runSeconds);
        });
    }

    static std::time_t At(int hour, int minute, int second = 0)
    {
        return TimeZone::Local(2026, 6, 10, hour, minute, second);
    }

    TimeZone zone { kCentralEurope };
    CSession session;
    SettingsRecord settings;
    CSettingsHolder holder;
    CActionFlags flags;
    ScriptedPrompter prompter;
    FakeClock clock { At(10, 29, 58) };
    std::vector<RunRecord> runs;
    std::time_t runSeconds = 0;
};

TEST_F(SchedulerThreadTest, SetsDueInTheSameMinuteRunInSetOrderOnce)
{
    AddHourly("First", 30);
    AddHourly("Off", 30).Schedule.Active = 0;
    AddHourly("Second", 30);
    auto scheduler = Make();
    scheduler.Startup();
    EXPECT_TRUE(runs.empty());

    clock.Set(At(10, 30, 0));
    scheduler.Poll();
    scheduler.Poll(); // the second pass of the same second
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].set, "First");
    EXPECT_EQ(runs[1].set, "Second");
    EXPECT_EQ(runs[0].scheduledFlag, 1);
    EXPECT_EQ(flags.ScheduledEvent, 0);
    EXPECT_EQ(session.Sets[0].Schedule.NextDue, At(11, 30));
    EXPECT_EQ(CSchedulerThread::ReadLastEvent(), At(10, 30, 1));
}

TEST_F(SchedulerThreadTest, LongRunDelaysTheNextSetAndDueChecksOnlyAtSecondZero)
{
    AddHourly("Slow", 30);
    AddHourly("Later", 31);
    runSeconds = 90; // the first run ends at 10:31:30
    auto scheduler = Make();
    scheduler.Startup();
    clock.Set(At(10, 30, 0));
    scheduler.Poll();
    ASSERT_EQ(runs.size(), 1u);

    scheduler.Poll(); // 10:31:30: not second 0
    EXPECT_EQ(runs.size(), 1u);
    clock.Set(At(10, 32, 0));
    scheduler.Poll();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].set, "Later");
}

TEST_F(SchedulerThreadTest, NothingRunsWhileAnActionRunsOrTheSchedulerIsOff)
{
    AddHourly("Set", 30);
    auto scheduler = Make();
    scheduler.Startup();
    clock.Set(At(10, 30, 0));
    flags.ActionRunning = 1;
    scheduler.Poll();
    flags.ActionRunning = 0;
    holder.Update([](SettingsRecord& s) { s.SchedulerActive = false; });
    clock.Set(At(10, 31, 0));
    scheduler.Poll();
    EXPECT_TRUE(runs.empty());

    holder.Update([](SettingsRecord& s) { s.SchedulerActive = true; });
    clock.Set(At(10, 32, 0));
    scheduler.Poll();
    EXPECT_EQ(runs.size(), 1u) << "an event still due is taken at the next minute";
}

TEST_F(SchedulerThreadTest, ARunThatRemovesSetsEndsThePassSafely)
{
    AddHourly("A", 30);
    AddHourly("B", 30);
    holder.Replace(settings);
    auto scheduler = CSchedulerThread(session, holder, flags, prompter, clock, [this](const CSet& set) {
        runs.push_back({ set.Name, clock.Now(), 1 });
        session.Edit([](CSession& s) { s.Sets.clear(); });
    });
    scheduler.Startup();
    clock.Set(At(10, 30, 0));
    scheduler.Poll();
    EXPECT_EQ(runs.size(), 1u);
}

TEST_F(SchedulerThreadTest, ASetRemovedBeforeTheRunSetDuringTheRunDoesNotMakeItRunAgain)
{
    AddHourly("Early", 10);
    AddHourly("Due", 30);
    AddHourly("Later", 45);
    holder.Replace(settings);
    auto scheduler = CSchedulerThread(session, holder, flags, prompter, clock, [this](const CSet& set) {
        runs.push_back({ set.Name, clock.Now(), 1 });
        session.Edit([](CSession& s) { s.Sets.pop_front(); });
    });
    scheduler.Startup();
    clock.Set(At(10, 30, 0));
    scheduler.Poll();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(session.Sets[0].Schedule.NextDue, At(11, 30)) << "the run set's times moved on";
    EXPECT_EQ(session.Sets[1].Schedule.NextDue, At(10, 45));
    clock.Set(At(10, 31, 0));
    scheduler.Poll();
    EXPECT_EQ(runs.size(), 1u);
}

// A set that arrives after the start (a session opened meanwhile) is not
// run at the next minute boundary; it runs at its own time.
TEST_F(SchedulerThreadTest, ASetLoadedAfterTheStartRunsAtItsTimeNotAtOnce)
{
    auto scheduler = Make();
    scheduler.Startup();
    clock.Set(At(10, 10, 30));
    session.Edit([this](CSession&) { AddHourly("Loaded", 30); });
    EXPECT_EQ(session.Sets[0].Schedule.NextDue, CScheduler::InitialDueTime());
    clock.Set(At(10, 11, 0));
    scheduler.Poll();
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(session.Sets[0].Schedule.NextDue, At(10, 30));
    clock.Set(At(10, 30, 0));
    scheduler.Poll();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].set, "Loaded");
    EXPECT_EQ(session.Sets[0].Schedule.NextDue, At(11, 30));
}

class MissedEventsTest : public SchedulerThreadTest {
protected:
    void PrepareMissed(int policy)
    {
        settings.Scheduler.MissedEvents = policy;
        AddHourly("Missed", 15); // previous occurrence 10:15, after LastEvent
        AddHourly("NotMissed", 5); // previous occurrence 10:05, before LastEvent
        CSchedulerThread::WriteLastEvent(At(10, 10));
        clock.Set(At(10, 20));
    }
};

TEST_F(MissedEventsTest, IgnoredWritesNothingAndRunsNothing)
{
    PrepareMissed(0);
    Make().Startup();
    EXPECT_TRUE(runs.empty());
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_EQ(CSchedulerThread::ReadLastEvent(), At(10, 10));
}

TEST_F(MissedEventsTest, NotifyAsksPerSetAndRunsOnOk)
{
    PrepareMissed(1);
    AddHourly("AlsoMissed", 16);
    prompter.Answer(IdCancel);
    prompter.Answer(IdOk);
    Make().Startup();
    ASSERT_EQ(prompter.asked.size(), 2u);
    EXPECT_EQ(
        prompter.asked[0].text, "The scheduled event for set 'Missed' was missed.\nDo you want to execute it now?");
    EXPECT_EQ(prompter.asked[0].style, unsigned(MbOkCancel | MbIconQuestion));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].set, "AlsoMissed");
    EXPECT_EQ(runs[0].scheduledFlag, 1);
    EXPECT_EQ(CSchedulerThread::ReadLastEvent(), At(10, 20, 1));
}

TEST_F(MissedEventsTest, ExecuteRunsWithoutAsking)
{
    PrepareMissed(2);
    Make().Startup();
    EXPECT_TRUE(prompter.asked.empty());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].set, "Missed");
    EXPECT_EQ(CSchedulerThread::ReadLastEvent(), At(10, 20, 1));
}

TEST_F(MissedEventsTest, AbsentLastEventMissesNothingAndNoneWhileInactive)
{
    settings.Scheduler.MissedEvents = 2;
    AddHourly("Set", 15);
    clock.Set(At(10, 20));
    Make().Startup();
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(CSchedulerThread::ReadLastEvent(), At(10, 20, 1));

    PrepareMissed(2);
    settings.SchedulerActive = false;
    Make().Startup();
    EXPECT_TRUE(runs.empty());
}

TEST_F(SchedulerThreadTest, LastEventIsReadWithSignExtension)
{
    CMyRegistry registry;
    registry.CreateKey("Settings\\Scheduler");
    registry.WriteNumber("LastEvent", 0xFFFFFFFEu);
    EXPECT_EQ(CSchedulerThread::ReadLastEvent(), -2);
}

TEST_F(SchedulerThreadTest, ThreadPollsTwiceASecondAndStops)
{
    AddHourly("Set", 30);
    auto scheduler = Make();
    int passes = 0;
    std::promise<void> done;
    // Every second pause moves the clock one second: two passes per second.
    scheduler.SetWait([&](std::chrono::milliseconds pause) {
        EXPECT_EQ(pause.count(), 500);
        if (++passes % 2 == 0)
            clock.Advance(1);
        if (passes == 20) {
            scheduler.Stop();
            done.set_value();
        }
    });
    scheduler.Start();
    done.get_future().wait();
    scheduler.Stop();
    EXPECT_TRUE(scheduler.Stopping());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].at, At(10, 30, 0));
}

} // namespace
