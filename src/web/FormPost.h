#pragma once

#include "web/WebEndpoint.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QNetworkAccessManager;

// One form POST to the vendor's script, answered asynchronously on the
// thread that made it: the interface thread never waits for the network.
// The answer is read up to a limit; what comes beyond it is dropped.
class CFormPost : public QObject {
    Q_OBJECT

public:
    struct Result {
        enum Kind {
            Success, // a 2xx status and the answer read
            BadStatus, // the server answered with another status
            TransportError, // no answer: refused, unreachable, TLS, time-out, broken reply
        } kind
            = TransportError;
        int status = 0;
        QString error; // the transport's own report
        QByteArray answer;
    };
    using Callback = std::function<void(const Result&)>;

    static constexpr qint64 kDefaultLimit = 1 << 20;

    explicit CFormPost(QObject* parent = nullptr);
    ~CFormPost() override;

    // Sends body and calls done once with the outcome (never from inside
    // Post). An address that is not https fails at once, unsent.
    void Post(const CWebEndpoint& endpoint, const QByteArray& body, Callback done, qint64 limit = kDefaultLimit);
    // Gives up a request in flight; its callback is not called.
    void Abort();
    bool Running() const { return m_reply != nullptr; }

private:
    void OnReadyRead();
    void OnFinished();
    void Report(Result result);

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    Callback m_done;
    QByteArray m_answer;
    qint64 m_limit = kDefaultLimit;
    int m_timeoutMs = 0;
    bool m_truncated = false;
};
