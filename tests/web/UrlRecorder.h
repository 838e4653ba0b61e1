#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QUrl>

// Stands in for the desktop's browser and file opener while it lives: the
// URLs Korvane asks the desktop to open are recorded, and nothing starts.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    explicit UrlRecorder(
        QStringList schemes = { QStringLiteral("https"), QStringLiteral("http"), QStringLiteral("file") })
        : m_schemes(std::move(schemes))
    {
        for (const QString& scheme : m_schemes)
            QDesktopServices::setUrlHandler(scheme, this, "Open");
    }
    ~UrlRecorder() override
    {
        for (const QString& scheme : m_schemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }

    QList<QUrl> opened;

public Q_SLOTS:
    void Open(const QUrl& url) { opened.push_back(url); }

private:
    QStringList m_schemes;
};
