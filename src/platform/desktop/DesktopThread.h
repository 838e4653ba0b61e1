#pragma once

#include <QObject>
#include <QThread>
#include <functional>

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
    QThread m_thread;
    QObject* m_context;
};
