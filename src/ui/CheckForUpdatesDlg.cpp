#include "ui/CheckForUpdatesDlg.h"

#include "ui/Icons.h"
#include "ui/LayoutHelper.h"
#include "web/AnswerBrowser.h"
#include "web/WebEndpoint.h"
#include "web/WebForms.h"
#include "web/WebTexts.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

CCheckForUpdatesDlg::CCheckForUpdatesDlg(QWidget* parent)
    : CMyDialog(parent)
    , m_post(this)
{
    setObjectName(QStringLiteral("checkForUpdatesDlg"));
    setWindowTitle(QStringLiteral("Check For Updates"));
    setWindowIcon(CIcons::Application());
    m_group = new QGroupBox(QStringLiteral("Version History"), this);
    m_placeholder = new QLabel(QString::fromUtf8(WebTexts::kRetrieving), this);
    m_placeholder->setObjectName(QStringLiteral("placeholder"));
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setWordWrap(true);
    m_placeholder->setFrameShape(QFrame::StyledPanel);
    m_placeholder->setAutoFillBackground(true);
    m_placeholder->setBackgroundRole(QPalette::Base);
    m_browser = new CAnswerBrowser(this);
    m_browser->setObjectName(QStringLiteral("answer"));
    m_browser->hide();
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setDefault(true);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    Place(m_group, 8, 4, 547, 306);
    Place(m_placeholder, 18, 24, 527, 276);
    Place(m_browser, 18, 24, 527, 276);
    Place(m_close, 475, 320, 80, 26);
    SizeToDesign(kDesignWidth, kDesignHeight);
    SetReferenceSize(width(), height());
    SetUpDialog();
    Layout()->Enable(true);
    Layout()->AddItem(m_group, 0, 0, 100, 100);
    Layout()->AddItem(m_placeholder, 0, 0, 100, 100);
    Layout()->AddItem(m_browser, 0, 0, 100, 100);
    Layout()->AddItem(m_close, 100, 100, 0, 0);
    SetPlacementKey("Settings\\Check For Updates");
}

void CCheckForUpdatesDlg::Retrieve(const CWebEndpoint& endpoint)
{
    m_browser->hide();
    m_placeholder->setText(QString::fromUtf8(WebTexts::kRetrieving));
    m_placeholder->show();
    const QUrl base = endpoint.ScriptUrl();
    m_post.Post(endpoint, QByteArray::fromStdString(WebForms::UpdateCheckBody()),
        [this, base](const CFormPost::Result& result) { OnAnswer(result, base); });
}

void CCheckForUpdatesDlg::ShowPage(const QByteArray& page, const QUrl& base)
{
    m_browser->SetPage(page, base);
    m_browser->show();
    m_placeholder->hide();
}

void CCheckForUpdatesDlg::OnAnswer(const CFormPost::Result& result, const QUrl& base)
{
    switch (result.kind) {
    case CFormPost::Result::Success:
        ShowPage(result.answer, base);
        break;
    case CFormPost::Result::BadStatus:
        m_placeholder->setText(
            QStringLiteral("Failed to retrieve version information: the server answered with status %1.")
                .arg(result.status));
        break;
    case CFormPost::Result::TransportError:
        m_placeholder->setText(QStringLiteral("Failed to retrieve version information: %1").arg(result.error));
        break;
    }
    Q_EMIT Answered();
}

void CCheckForUpdatesDlg::done(int result)
{
    m_post.Abort();
    CMyDialog::done(result);
}
