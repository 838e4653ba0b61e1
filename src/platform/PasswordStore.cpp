#include "platform/PasswordStore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <future>
#include <memory>

namespace {

bool OnInterfaceThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application != nullptr && QThread::currentThread() == application->thread();
}

} // namespace

PasswordResult CPasswordStore::Call(Operation operation, const std::string& key, const std::string& password)
{
    if (OnInterfaceThread()) {
        // A nested loop rather than a blocked thread: the interface thread
        // never waits on another thread.
        PasswordResult result;
        QEventLoop loop;
        CallAsync(operation, key, password, [&result, &loop](const PasswordResult& answer) {
            result = answer;
            loop.quit();
        });
        loop.exec();
        return result;
    }
    auto promise = std::make_shared<std::promise<PasswordResult>>();
    std::future<PasswordResult> answer = promise->get_future();
    Start(operation, key, password, [promise](const PasswordResult& result) { promise->set_value(result); });
    return answer.get();
}

void CPasswordStore::CallAsync(Operation operation, const std::string& key, const std::string& password, Done done)
{
    // Lives on the calling thread, so a queued call on it runs there.
    auto* receiver = new QObject;
    Start(operation, key, password, [receiver, done = std::move(done)](const PasswordResult& result) {
        QMetaObject::invokeMethod(
            receiver,
            [receiver, done, result] {
                done(result);
                delete receiver;
            },
            Qt::QueuedConnection);
    });
}
