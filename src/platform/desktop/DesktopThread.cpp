#include "platform/desktop/DesktopThread.h"

#include <utility>

CDesktopThread::CDesktopThread(const char* name)
    : m_context(new QObject)
{
    m_thread.setObjectName(QString::fromLatin1(name));
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

CDesktopThread::~CDesktopThread()
{
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

// The work waits in a locked inbox and the queued call carries nothing: Qt
// orders the post before the call, but inside Qt, which Debian does not
// build with ThreadSanitizer; the lock states that order where the thread
// checker sees it.
void CDesktopThread::Post(std::function<void()> work)
{
    {
        std::lock_guard lock(m_mutex);
        m_inbox.push_back(std::move(work));
    }
    QMetaObject::invokeMethod(m_context, [this] { Drain(); }, Qt::QueuedConnection);
}

void CDesktopThread::Drain()
{
    std::deque<std::function<void()>> work;
    {
        std::lock_guard lock(m_mutex);
        work.swap(m_inbox);
    }
    for (const auto& item : work)
        item();
}
