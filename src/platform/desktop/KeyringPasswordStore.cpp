#include "platform/desktop/KeyringPasswordStore.h"
#include "platform/desktop/DesktopThread.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <deque>
#include <memory>
#include <mutex>
#include <qt6keychain/keychain.h>
#include <type_traits>
#include <utility>

namespace {

// QtKeychain queues its jobs through one object of its own that lives on
// the thread of the first job and hears of finished jobs there: every job
// of the process must therefore run on this one thread, which lasts as long
// as the process.
CDesktopThread& KeyringThread()
{
    static CDesktopThread thread("keyring");
    return thread;
}

PasswordResult Unreachable(std::string reason)
{
    PasswordResult result;
    result.status = PasswordResult::Status::Unreachable;
    result.reason = std::move(reason);
    return result;
}

PasswordResult ResultOf(CPasswordStore::Operation operation, const QKeychain::Job& job)
{
    PasswordResult result;
    if (job.error() == QKeychain::NoError) {
        result.status = PasswordResult::Status::Ok;
        if (operation == CPasswordStore::Operation::Read)
            result.password = static_cast<const QKeychain::ReadPasswordJob&>(job).textData().toStdString();
        return result;
    }
    if (job.error() == QKeychain::EntryNotFound) {
        result.status = operation == CPasswordStore::Operation::Remove ? PasswordResult::Status::Ok
                                                                       : PasswordResult::Status::NotFound;
        return result;
    }
    return Unreachable(job.errorString().toStdString());
}

QKeychain::Job* MakeJob(CPasswordStore::Operation operation, const QString& service, const std::string& password)
{
    switch (operation) {
    case CPasswordStore::Operation::Read:
        return new QKeychain::ReadPasswordJob(service);
    case CPasswordStore::Operation::Write: {
        auto* job = new QKeychain::WritePasswordJob(service);
        job->setTextData(QString::fromStdString(password));
        return job;
    }
    case CPasswordStore::Operation::Remove:
        return new QKeychain::DeletePasswordJob(service);
    }
    return nullptr;
}

// On the keyring thread. The first of the job's answer and the time limit
// is told; the other is dropped.
void RunJob(CPasswordStore::Operation operation, const QString& service, const QString& key,
    const std::string& password, unsigned timeoutMs, const CPasswordStore::Done& done)
{
    auto answered = std::make_shared<bool>(false);
    auto answer = [answered, done](const PasswordResult& result) {
        if (*answered)
            return;
        *answered = true;
        done(result);
    };
    QKeychain::Job* job = MakeJob(operation, service, password);
    job->setAutoDelete(true);
    // Never the library's plain-file fallback: the password would land in a
    // readable file, the very thing the keyring is chosen to avoid.
    job->setInsecureFallback(false);
    job->setKey(key);
    QObject::connect(job, &QKeychain::Job::finished, KeyringThread().Context(),
        [answer, operation](QKeychain::Job* finished) { answer(ResultOf(operation, *finished)); });
    QTimer::singleShot(static_cast<int>(timeoutMs), KeyringThread().Context(), [answer, timeoutMs] {
        answer(Unreachable("the keyring did not answer within " + std::to_string(timeoutMs / 1000)
            + " seconds (it may be locked, with no one to unlock it)"));
    });
    job->start();
}

} // namespace

CKeyringPasswordStore::CKeyringPasswordStore(std::string service, unsigned timeoutMs)
    : m_service(std::move(service))
    , m_timeoutMs(timeoutMs)
{
}

void CKeyringPasswordStore::Start(Operation operation, const std::string& key, const std::string& password, Done done)
{
    // Qt's event loops, the keyring thread's among them, need the
    // application object.
    if (QCoreApplication::instance() == nullptr) {
        done(Unreachable("no Qt application object exists to run the keyring's requests"));
        return;
    }
    KeyringThread().Post(
        [operation, service = QString::fromStdString(m_service), key = QString::fromStdString(key), password,
            timeoutMs = m_timeoutMs,
            done = std::move(done)] { RunJob(operation, service, key, password, timeoutMs, done); });
}

CPasswordStore* KorvaneNewKeyringStore(const char* service, unsigned timeoutMs)
{
    static_assert(std::is_same_v<decltype(&KorvaneNewKeyringStore), KeyringStoreEntry>);
    return new CKeyringPasswordStore(service, timeoutMs);
}
