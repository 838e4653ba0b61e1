#include "web/AnswerBrowser.h"

#include <QDesktopServices>

CAnswerBrowser::CAnswerBrowser(QWidget* parent)
    : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QTextBrowser::anchorClicked, this, &CAnswerBrowser::OnAnchor);
}

void CAnswerBrowser::SetPage(const QByteArray& page, const QUrl& base)
{
    m_base = base;
    setHtml(QString::fromUtf8(page));
}

QVariant CAnswerBrowser::loadResource(int, const QUrl&)
{
    return {};
}

bool CAnswerBrowser::OpensOutside(const QUrl& link)
{
    const QString scheme = link.scheme();
    return link.isValid()
        && (scheme == QStringLiteral("https") || scheme == QStringLiteral("http")
            || scheme == QStringLiteral("mailto"));
}

void CAnswerBrowser::OnAnchor(const QUrl& link)
{
    const QUrl target = m_base.resolved(link);
    if (!OpensOutside(target))
        return;
    QDesktopServices::openUrl(target);
    Q_EMIT LinkOpened(target);
}
