#pragma once

#include <QObject>
#include <QThread>
#include <deque>
#include <functional>
#include <mutex>

// A thread of the desktop library's own with an event loop, lasting as long
// as the process: the desktop's services answer there, so the thread that
// asks never waits for them.
class CDesktopThread {
public:
    explicit CDesktopThread(const char* name);
    ~CDesktopThread();
    CDesktopThread(const CDesktopThread&) = delete;
    CDesktopThread& operator=(const CDesktopThread&) = delete;

    // Runs work on the thread, in the order posted.
    void Post(std::function<void()> work);
    // The object that lives on the thread, for timers and answers.
    QObject* Context() const { return m_context; }

private:
    void Drain();

    QThread m_thread;
    QObject* m_context;
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_inbox;
};
