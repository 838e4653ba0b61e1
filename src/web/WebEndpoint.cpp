#include "web/WebEndpoint.h"

#include "core/SettingsRecord.h"
#include "web/WebForms.h"

#include <QNetworkRequest>

CWebEndpoint::CWebEndpoint(QUrl base, int timeoutMs, QSslConfiguration tls)
    : m_base(std::move(base))
    , m_timeoutMs(timeoutMs)
    , m_tls(std::move(tls))
{
    // Verification is never switched off, whatever configuration came in.
    m_tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
}

QString CWebEndpoint::BaseAddress(const SettingsRecord& settings)
{
    const QString address = QString::fromStdString(settings.General.WebServer).trimmed();
    return address.isEmpty() ? QString::fromLatin1(kVendorAddress) : address;
}

CWebEndpoint CWebEndpoint::FromSettings(const SettingsRecord& settings)
{
    return CWebEndpoint(QUrl(BaseAddress(settings), QUrl::StrictMode));
}

bool CWebEndpoint::Usable() const
{
    return m_base.isValid() && m_base.scheme() == QStringLiteral("https") && !m_base.host().isEmpty()
        && m_base.userInfo().isEmpty();
}

QUrl CWebEndpoint::Resolved(const QString& path) const
{
    QUrl url = m_base;
    QString basePath = url.path();
    while (basePath.endsWith(QLatin1Char('/')))
        basePath.chop(1);
    url.setPath(basePath + path);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

QUrl CWebEndpoint::ScriptUrl() const
{
    return Resolved(QString::fromLatin1(WebForms::kScript));
}

QUrl CWebEndpoint::OnlineSupportUrl() const
{
    QUrl url = ScriptUrl();
    url.setQuery(QString::fromLatin1(WebForms::OnlineSupportQuery()).mid(1));
    return url;
}

QUrl CWebEndpoint::HomePage() const
{
    return Resolved(QStringLiteral("/korvane/"));
}

QNetworkRequest CWebEndpoint::FormRequest() const
{
    QNetworkRequest request(ScriptUrl());
    request.setHeader(QNetworkRequest::ContentTypeHeader, QString::fromLatin1(WebForms::kContentType));
    request.setTransferTimeout(m_timeoutMs);
    request.setSslConfiguration(m_tls);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    return request;
}
