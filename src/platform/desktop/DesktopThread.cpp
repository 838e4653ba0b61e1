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

// The queued call carries the work: Qt hands it over under its own lock,
// as every queued call of the program is handed over.
void CDesktopThread::Post(std::function<void()> work)
{
    QMetaObject::invokeMethod(m_context, std::move(work), Qt::QueuedConnection);
}
