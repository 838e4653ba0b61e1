#include "platform/PasswordStore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// Answers on their way back to the threads that asked. The queued call
// carries nothing: Qt orders the post before the call, but inside Qt, which
// Debian does not build with ThreadSanitizer; the lock states that order
// where the thread checker sees it.
std::mutex g_answersMutex;
std::vector<std::pair<QObject*, std::function<void()>>> g_answers;

// On a thread that received a post: runs the answers meant for it.
void DeliverAnswers()
{
    std::vector<std::pair<QObject*, std::function<void()>>> mine;
    {
        std::lock_guard lock(g_answersMutex);
        auto it = g_answers.begin();
        while (it != g_answers.end()) {
            if (it->first->thread() == QThread::currentThread()) {
                mine.push_back(std::move(*it));
                it = g_answers.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& [receiver, answer] : mine) {
        answer();
        delete receiver;
    }
}

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
        {
            std::lock_guard lock(g_answersMutex);
            g_answers.emplace_back(receiver, [done, result] { done(result); });
        }
        QMetaObject::invokeMethod(
            receiver, [] { DeliverAnswers(); }, Qt::QueuedConnection);
    });
}
