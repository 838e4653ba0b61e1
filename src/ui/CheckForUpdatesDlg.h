#pragma once

#include "ui/MyDialog.h"
#include "web/FormPost.h"

class CAnswerBrowser;
class CWebEndpoint;
class QGroupBox;
class QLabel;
class QPushButton;

// The Check For Updates window: asks the vendor's server about this
// version and shows the page it answers with (the version history and
// where to download). Resizable; its placement is remembered.
class CCheckForUpdatesDlg : public CMyDialog {
    Q_OBJECT

public:
    static constexpr int kDesignWidth = 563;
    static constexpr int kDesignHeight = 355;

    explicit CCheckForUpdatesDlg(QWidget* parent = nullptr);

    // Sends the request; the page replaces the placeholder when it arrives.
    void Retrieve(const CWebEndpoint& endpoint);
    // Shows an answer page (base: what its relative links resolve against).
    void ShowPage(const QByteArray& page, const QUrl& base);

    QLabel* Placeholder() const { return m_placeholder; }
    CAnswerBrowser* Browser() const { return m_browser; }
    bool Retrieving() const { return m_post.Running(); }

Q_SIGNALS:
    // The request ended: the page is shown or the placeholder says why not.
    void Answered();

protected:
    void done(int result) override;

private:
    void OnAnswer(const CFormPost::Result& result, const QUrl& base);

    QGroupBox* m_group = nullptr;
    QLabel* m_placeholder = nullptr;
    CAnswerBrowser* m_browser = nullptr;
    QPushButton* m_close = nullptr;
    CFormPost m_post;
};
