#include "ui/BlockingCall.h"

#include <QMetaObject>
#include <QObject>
#include <atomic>

void CallBlocking(QObject* receiver, const std::function<void()>& call)
{
    // The blocking queued call already orders call before the return, but
    // inside Qt, which Debian does not build with ThreadSanitizer; the flag
    // states that order where the thread checker sees it.
    std::atomic<bool> done { false };
    QMetaObject::invokeMethod(
        receiver,
        [&call, &done] {
            call();
            done.store(true, std::memory_order_release);
        },
        Qt::BlockingQueuedConnection);
    static_cast<void>(done.load(std::memory_order_acquire));
}
