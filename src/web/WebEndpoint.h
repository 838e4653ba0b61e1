#pragma once

#include <QSslConfiguration>
#include <QString>
#include <QUrl>

class QNetworkRequest;
struct SettingsRecord;

// Where and how Korvane reaches its vendor's web server: the base address
// (the WebServer setting), the time a request may stay silent before it is
// given up, and the TLS configuration whose certificate authorities are
// trusted. Only https addresses are used: the answer decides what the user
// is offered and which page is shown, so it must come from the server named.
class CWebEndpoint {
public:
    static constexpr const char* kVendorAddress = "https://www.zellik-software.example";
    static constexpr int kDefaultTimeoutMs = 30000;

    explicit CWebEndpoint(QUrl base, int timeoutMs = kDefaultTimeoutMs,
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration());

    // The endpoint the settings name (the vendor's when WebServer is empty).
    static CWebEndpoint FromSettings(const SettingsRecord& settings);
    // The base address the settings name, as typed.
    static QString BaseAddress(const SettingsRecord& settings);

    // False for anything but an https address with a host.
    bool Usable() const;
    // The server script, https://host/cgi-bin/korvane.cgi.
    QUrl ScriptUrl() const;
    // The online support page: the script with its query.
    QUrl OnlineSupportUrl() const;
    // The vendor's home page for the about box.
    QUrl HomePage() const;
    // A form POST to the script: content type, time-out, TLS with peer
    // verification, redirects only to equally safe addresses.
    QNetworkRequest FormRequest() const;

    const QUrl& Base() const { return m_base; }
    int TimeoutMs() const { return m_timeoutMs; }
    void SetTimeoutMs(int timeoutMs) { m_timeoutMs = timeoutMs; }
    const QSslConfiguration& Tls() const { return m_tls; }

private:
    QUrl Resolved(const QString& path) const;

    QUrl m_base;
    int m_timeoutMs;
    QSslConfiguration m_tls;
};
