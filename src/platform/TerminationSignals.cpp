#include "platform/TerminationSignals.h"

#include <pthread.h>
#include <signal.h>

namespace {

sigset_t TerminationSet()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

} // namespace

CTerminationSignals::CTerminationSignals(std::function<void(int)> onSignal)
    : m_onSignal(std::move(onSignal))
{
    const sigset_t set = TerminationSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    m_thread = std::thread([this] { Watch(); });
}

CTerminationSignals::~CTerminationSignals()
{
    m_closing = true;
    // Wakes the watcher; it sees m_closing and ends without calling back.
    pthread_kill(m_thread.native_handle(), SIGTERM);
    m_thread.join();
}

void CTerminationSignals::Watch()
{
    const sigset_t set = TerminationSet();
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0)
            continue;
        if (m_closing)
            return;
        m_received = signal;
        if (m_onSignal)
            m_onSignal(signal);
    }
}
