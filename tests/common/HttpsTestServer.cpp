#include "common/HttpsTestServer.h"

#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>

namespace {

// The header block's end, or -1 while it has not all arrived.
qsizetype HeaderEnd(const QByteArray& data)
{
    const qsizetype end = data.indexOf("\r\n\r\n");
    return end < 0 ? -1 : end + 4;
}

HttpsTestServer::Request Parse(const QByteArray& data, qsizetype headerEnd)
{
    HttpsTestServer::Request request;
    request.raw = data;
    const QList<QByteArray> lines = data.left(headerEnd - 4).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.path = first.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    request.body = data.mid(headerEnd);
    return request;
}

} // namespace

HttpsTestServer::HttpsTestServer(const TestPki& pki)
    : m_server(std::make_unique<QSslServer>())
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(QByteArray::fromStdString(pki.ServerCertificatePem)));
    tls.setPrivateKey(QSslKey(QByteArray::fromStdString(pki.ServerKeyPem), QSsl::Ec));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone); // the client shows no certificate
    m_server->setSslConfiguration(tls);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &HttpsTestServer::OnConnection);
    m_server->listen(QHostAddress::LocalHost, 0);
}

HttpsTestServer::~HttpsTestServer() = default;

void HttpsTestServer::Answer(int status, QByteArray page)
{
    m_mode = Mode::Answer;
    m_status = status;
    m_page = std::move(page);
}

quint16 HttpsTestServer::Port() const
{
    return m_server->serverPort();
}

QString HttpsTestServer::BaseAddress() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(Port());
}

QSslConfiguration HttpsTestServer::Trusting(const TestPki& pki)
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.addCaCertificate(QSslCertificate(QByteArray::fromStdString(pki.CaPem)));
    return tls;
}

void HttpsTestServer::OnConnection()
{
    while (m_server->hasPendingConnections()) {
        auto* socket = qobject_cast<QSslSocket*>(m_server->nextPendingConnection());
        if (!socket)
            continue;
        ++connections;
        socket->setParent(this);
        m_pending.insert(socket, {});
        connect(socket, &QSslSocket::readyRead, this, [this, socket] { OnData(socket); });
        connect(socket, &QSslSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
        OnData(socket);
    }
}

void HttpsTestServer::OnData(QSslSocket* socket)
{
    if (!m_pending.contains(socket))
        return;
    QByteArray& data = m_pending[socket];
    data += socket->readAll();
    const qsizetype headerEnd = HeaderEnd(data);
    if (headerEnd < 0)
        return;
    Request request = Parse(data, headerEnd);
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (request.body.size() < length)
        return;
    requests.push_back(std::move(request));
    data.clear();
    Respond(socket);
}

void HttpsTestServer::Respond(QSslSocket* socket)
{
    if (m_mode == Mode::Silent)
        return;
    if (m_mode == Mode::Garbage) {
        socket->write("this is not HTTP at all\r\n\r\n");
        socket->disconnectFromHost();
        return;
    }
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(m_status) + " Answer\r\n";
    answer += "Content-Type: text/html; charset=utf-8\r\n";
    answer += "Content-Length: " + QByteArray::number(m_page.size()) + "\r\n";
    answer += "Connection: close\r\n\r\n";
    answer += m_page;
    socket->write(answer);
    socket->disconnectFromHost();
}
