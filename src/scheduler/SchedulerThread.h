#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <thread>

class CClock;
class CPrompter;
class CScheduler;
class CSession;
class CSet;
class CSettingsHolder;
struct CActionFlags;

// The scheduler loop: at start it computes every active schedule's due times
// and deals with events missed while the program was not running; then it
// looks twice a second and, at second 0 of each minute, runs every due set in
// set order through the run function. Each pass acts by the settings of one
// snapshot taken at its start.
class CSchedulerThread {
public:
    using RunFunction = std::function<void(const CSet&)>;
    using WaitFunction = std::function<void(std::chrono::milliseconds)>;

    CSchedulerThread(CSession& session, const CSettingsHolder& settings, CActionFlags& flags, CPrompter& prompter,
        const CClock& clock, RunFunction run);
    ~CSchedulerThread();
    CSchedulerThread(const CSchedulerThread&) = delete;
    CSchedulerThread& operator=(const CSchedulerThread&) = delete;

    // Replaces the 500 ms pause between passes (tests move a fake clock).
    void SetWait(WaitFunction wait) { m_wait = std::move(wait); }

    void Start();
    // Stops taking events and waits until the thread has ended; a run in
    // progress finishes first. Called on the thread itself (from the run or
    // the wait function), it only stops taking events.
    void Stop();
    // Stops taking events without waiting.
    void RequestStop();
    bool Stopping() const { return m_stop.load(); }
    // True once the thread has left its loop.
    bool Finished() const { return m_finished.load(); }

    // The two halves of the loop, callable directly.
    void Startup();
    void Poll();

    // LastEvent of "Settings\Scheduler": 0 when absent.
    static std::int64_t ReadLastEvent();
    static void WriteLastEvent(std::time_t when);

private:
    void Loop();
    void PauseBetweenPasses();
    void ComputeAll(std::time_t now);
    void ComputeUncomputed(std::time_t now);
    void HandleMissed(std::int64_t lastEvent, std::int32_t policy);
    enum class Pick { End, Skip, Run };
    Pick PickSet(std::size_t index, const std::function<bool(const CScheduler&)>& when, CSet& copy);
    void RunEvent(std::size_t index, const CSet& copy);
    static CSet* FindRunSet(CSession& session, std::size_t index, const CSet& copy);

    CSession& m_session;
    const CSettingsHolder& m_settings;
    CActionFlags& m_flags;
    CPrompter& m_prompter;
    const CClock& m_clock;
    RunFunction m_run;
    WaitFunction m_wait;
    std::atomic<bool> m_stop { false };
    std::atomic<bool> m_finished { false };
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    // The thread's own id, set by the thread before anything else, so a Stop
    // from inside never reads m_thread while Start may still be writing it.
    std::atomic<std::thread::id> m_loopId {};
    // Guards m_thread between Start and Stop called from other threads.
    std::mutex m_handleMutex;
    std::thread m_thread;
};
