#pragma once

#include "common/TestCertificates.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <memory>
#include <vector>

class QSslServer;
class QSslSocket;

// An HTTPS server on 127.0.0.1 for one test, with a certificate made for
// it. It records every request it is sent and answers each as the test set
// it up: a status and a page, silence (a client's time-out), or bytes that
// are no HTTP at all.
class HttpsTestServer : public QObject {
public:
    enum class Mode { Answer, Silent, Garbage };

    struct Request {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
        QByteArray raw; // the request as it arrived
    };

    // pki: the certificates it serves (MakeTestPki("127.0.0.1")).
    explicit HttpsTestServer(const TestPki& pki);
    ~HttpsTestServer() override;

    void Answer(int status, QByteArray page);
    void SetMode(Mode mode) { m_mode = mode; }

    // "https://127.0.0.1:<port>".
    QString BaseAddress() const;
    quint16 Port() const;

    // The system's configuration with the test authority added: how a test
    // trusts this server (verification stays on).
    static QSslConfiguration Trusting(const TestPki& pki);

    std::vector<Request> requests;
    int connections = 0;

private:
    void OnConnection();
    void OnData(QSslSocket* socket);
    void Respond(QSslSocket* socket);

    std::unique_ptr<QSslServer> m_server;
    QMap<QSslSocket*, QByteArray> m_pending;
    Mode m_mode = Mode::Answer;
    int m_status = 200;
    QByteArray m_page;
};
