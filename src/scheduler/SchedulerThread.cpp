#include "scheduler/SchedulerThread.h"

#include "StringTable.h"
#include "core/Prompter.h"
#include "core/Session.h"
#include "core/SettingsHolder.h"
#include "platform/Clock.h"
#include "platform/MyRegistry.h"
#include "platform/ThreadPriority.h"
#include "scheduler/ActionFlags.h"
#include "scheduler/DueTimes.h"

namespace {

constexpr auto kPass = std::chrono::milliseconds(500);
const char* const kSchedulerKey = "Settings\\Scheduler";

int SecondOf(std::time_t when)
{
    std::tm fields {};
    localtime_r(&when, &fields);
    return fields.tm_sec;
}

} // namespace

CSchedulerThread::CSchedulerThread(CSession& session, const CSettingsHolder& settings, CActionFlags& flags,
    CPrompter& prompter, const CClock& clock, RunFunction run)
    : m_session(session)
    , m_settings(settings)
    , m_flags(flags)
    , m_prompter(prompter)
    , m_clock(clock)
    , m_run(std::move(run))
{
}

CSchedulerThread::~CSchedulerThread()
{
    Stop();
}

void CSchedulerThread::Start()
{
    std::lock_guard lock(m_handleMutex);
    if (m_thread.joinable())
        return;
    m_stop = false;
    m_finished = false;
    m_loopId = std::thread::id();
    m_thread = std::thread([this] {
        m_loopId = std::this_thread::get_id();
        Loop();
        m_finished = true;
    });
}

void CSchedulerThread::RequestStop()
{
    {
        std::lock_guard lock(m_wakeMutex);
        m_stop = true;
    }
    m_wake.notify_all();
}

void CSchedulerThread::Stop()
{
    RequestStop();
    if (m_loopId.load() == std::this_thread::get_id())
        return;
    std::lock_guard lock(m_handleMutex);
    if (m_thread.joinable())
        m_thread.join();
}

void CSchedulerThread::Loop()
{
    CThreadPriority::LowerCurrentThread();
    Startup();
    while (!m_stop) {
        PauseBetweenPasses();
        if (!m_stop)
            Poll();
    }
}

void CSchedulerThread::PauseBetweenPasses()
{
    if (m_wait) {
        m_wait(kPass);
        return;
    }
    std::unique_lock lock(m_wakeMutex);
    m_wake.wait_for(lock, kPass, [this] { return m_stop.load(); });
}

std::int64_t CSchedulerThread::ReadLastEvent()
{
    CMyRegistry registry;
    if (registry.OpenKey(kSchedulerKey) != 0)
        return 0;
    // Stored as a 32-bit number and read back with sign extension.
    return static_cast<std::int32_t>(registry.ReadNumber("LastEvent", 0));
}

void CSchedulerThread::WriteLastEvent(std::time_t when)
{
    CMyRegistry registry;
    if (registry.CreateKey(kSchedulerKey) == 0)
        registry.WriteNumber("LastEvent", static_cast<std::uint32_t>(when));
}

void CSchedulerThread::Startup()
{
    const std::time_t now = m_clock.Now();
    std::int64_t lastEvent = ReadLastEvent();
    if (lastEvent == 0)
        lastEvent = now;
    ComputeAll(now);
    const auto settings = m_settings.Get();
    if (!settings->SchedulerActive || settings->Scheduler.MissedEvents == 0)
        return;
    HandleMissed(lastEvent, settings->Scheduler.MissedEvents);
    WriteLastEvent(m_clock.Now() + 1);
}

void CSchedulerThread::ComputeAll(std::time_t now)
{
    m_session.Edit([now](CSession& session) {
        for (CSet& set : session.Sets) {
            if (set.Schedule.Active)
                ComputeDueTimes(set.Schedule, now);
        }
    });
}

// A set that came in after the start (a session opened meanwhile) still has
// the initial due times: it gets its times now, and runs at its next
// occurrence rather than never.
void CSchedulerThread::ComputeUncomputed(std::time_t now)
{
    const std::int64_t initial = CScheduler::InitialDueTime();
    m_session.Edit([now, initial](CSession& session) {
        for (CSet& set : session.Sets) {
            if (set.Schedule.Active && set.Schedule.NextDue == initial)
                ComputeDueTimes(set.Schedule, now);
        }
    });
}

void CSchedulerThread::HandleMissed(std::int64_t lastEvent, std::int32_t policy)
{
    const auto missed = [lastEvent](const CScheduler& s) { return s.PreviousDue >= lastEvent; };
    CSet copy;
    for (std::size_t i = 0; !m_stop; ++i) {
        const Pick pick = PickSet(i, missed, copy);
        if (pick == Pick::End)
            return;
        if (pick == Pick::Skip)
            continue;
        if (policy == 1) {
            const std::string text = FormatString(LoadString(57729).c_str(), copy.Name.c_str());
            if (m_prompter.MessageBox(text, MbOkCancel | MbIconQuestion) != IdOk)
                continue;
        }
        RunEvent(i, copy);
    }
}

// The sets are read under the session lock and the set to run is copied out,
// so an edit of the working session during a run never meets a half-read set.
CSchedulerThread::Pick CSchedulerThread::PickSet(
    std::size_t index, const std::function<bool(const CScheduler&)>& when, CSet& copy)
{
    return m_session.Read([&](const CSession& session) {
        if (index >= session.Sets.size())
            return Pick::End;
        const CSet& set = session.Sets[index];
        if (!set.Schedule.Active || !when(set.Schedule))
            return Pick::Skip;
        copy = set;
        return Pick::Run;
    });
}

void CSchedulerThread::Poll()
{
    if (!m_settings.Get()->SchedulerActive || SecondOf(m_clock.Now()) != 0 || m_flags.ActionRunning)
        return;
    const std::time_t now = m_clock.Now();
    ComputeUncomputed(now);
    const auto due = [now](const CScheduler& s) { return s.NextDue <= now; };
    CSet copy;
    for (std::size_t i = 0; !m_stop; ++i) {
        const Pick pick = PickSet(i, due, copy);
        if (pick == Pick::End)
            return;
        if (pick == Pick::Skip)
            continue;
        RunEvent(i, copy);
        WriteLastEvent(m_clock.Now() + 1);
    }
}

void CSchedulerThread::RunEvent(std::size_t index, const CSet& copy)
{
    m_flags.ScheduledEvent = 1;
    m_run(copy);
    m_session.Edit([&](CSession& session) {
        if (CSet* set = FindRunSet(session, index, copy); set && set->Schedule.Active)
            ComputeDueTimes(set->Schedule, m_clock.Now());
    });
    m_flags.ScheduledEvent = 0;
}

// The set that was run, after a run during which the user may have added,
// removed or moved sets: its old place if it still holds it, else the set of
// the same name and schedule. Were another set's times moved on instead, the
// run set would stay due and run again at the next minute.
CSet* CSchedulerThread::FindRunSet(CSession& session, std::size_t index, const CSet& copy)
{
    const auto same
        = [&copy](const CSet& set) { return set.Name == copy.Name && set.Schedule.IsSameContent(copy.Schedule); };
    if (index < session.Sets.size() && same(session.Sets[index]))
        return &session.Sets[index];
    for (CSet& set : session.Sets) {
        if (same(set))
            return &set;
    }
    return nullptr;
}
