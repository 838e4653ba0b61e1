#include "ui/BlockingCall.h"

#include <QMetaObject>
#include <QObject>
#include <atomic>

void CallBlocking(QObject* receiver, const std::function<void()>& call)
{
    // The blocking queued call already orders the call after the post and
    // the return after the call, but inside Qt, which Debian does not build
    // with ThreadSanitizer; the two flags state both orders where the thread
    // checker sees them: call and what it captured were made on this thread
    // and are read on the receiver's.
    std::atomic<bool> posted { false };
    std::atomic<bool> done { false };
    posted.store(true, std::memory_order_release);
    QMetaObject::invokeMethod(
        receiver,
        [&call, &posted, &done] {
            static_cast<void>(posted.load(std::memory_order_acquire));
            call();
            done.store(true, std::memory_order_release);
        },
        Qt::BlockingQueuedConnection);
    static_cast<void>(done.load(std::memory_order_acquire));
}
