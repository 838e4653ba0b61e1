#pragma once

#include <QTextBrowser>
#include <QUrl>

// Shows a page the vendor's server answered with. The page is hostile
// input: it loads nothing (no pictures, style sheets or local files, which
// a plain text browser would read from the disk), has no context menu, and
// its links open in the desktop's browser, web and mail links only.
class CAnswerBrowser : public QTextBrowser {
    Q_OBJECT

public:
    explicit CAnswerBrowser(QWidget* parent = nullptr);

    // Relative links of the page resolve against base.
    void SetPage(const QByteArray& page, const QUrl& base);

    QVariant loadResource(int type, const QUrl& name) override;

    // Whether a link of the page may be handed to the desktop.
    static bool OpensOutside(const QUrl& link);

Q_SIGNALS:
    void LinkOpened(const QUrl& link);

private:
    void OnAnchor(const QUrl& link);

    QUrl m_base;
};
