#include "web/FormPost.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

CFormPost::CFormPost(QObject* parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
{
}

CFormPost::~CFormPost()
{
    Abort();
}

void CFormPost::Post(const CWebEndpoint& endpoint, const QByteArray& body, Callback done, qint64 limit)
{
    Abort();
    m_done = std::move(done);
    m_answer.clear();
    m_limit = limit;
    m_truncated = false;
    if (!endpoint.Usable()) {
        Result refused;
        refused.error
            = QStringLiteral("The web server address '%1' is not an https address.").arg(endpoint.Base().toString());
        QTimer::singleShot(0, this, [this, refused] { Report(refused); });
        return;
    }
    m_timeoutMs = endpoint.TimeoutMs();
    m_reply = m_network->post(endpoint.FormRequest(), body);
    connect(m_reply, &QNetworkReply::readyRead, this, &CFormPost::OnReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &CFormPost::OnFinished);
}

void CFormPost::Abort()
{
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    m_done = {};
}

void CFormPost::OnReadyRead()
{
    if (!m_reply || m_truncated)
        return;
    m_answer += m_reply->read(m_limit - m_answer.size());
    if (m_answer.size() < m_limit)
        return;
    // Enough has arrived: the rest is not waited for, and what came is used.
    m_truncated = true;
    m_reply->abort();
}

void CFormPost::OnFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    OnReadyRead();
    m_reply = nullptr;
    reply->deleteLater();
    Result result;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    result.status = status.isValid() ? status.toInt() : 0;
    const bool answered = status.isValid() && result.status > 0;
    const bool broken = reply->error() != QNetworkReply::NoError && !m_truncated;
    if (answered && (result.status < 200 || result.status > 299)) {
        result.kind = Result::BadStatus;
    } else if (!answered || broken) {
        result.kind = Result::TransportError;
        // The network layer reports its time-out as a cancelled operation,
        // which would read as if the user had cancelled.
        const int seconds = (m_timeoutMs + 999) / 1000;
        result.error = reply->error() == QNetworkReply::OperationCanceledError
            ? QStringLiteral("The server did not answer within %1 %2.")
                  .arg(seconds)
                  .arg(seconds == 1 ? QStringLiteral("second") : QStringLiteral("seconds"))
            : reply->errorString();
    } else {
        result.kind = Result::Success;
        result.answer = std::move(m_answer);
    }
    m_answer.clear();
    Report(std::move(result));
}

void CFormPost::Report(Result result)
{
    Callback done = std::move(m_done);
    m_done = {};
    if (done)
        done(result);
}
