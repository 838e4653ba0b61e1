#include "ui/AboutDlg.h"

#include "ui/Icons.h"
#include "web/LinkLabel.h"
#include "web/WebEndpoint.h"

#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent, const QString& homePage)
    : CMyDialog(parent)
{
    setWindowTitle(QStringLiteral("About Korvane"));
    setWindowIcon(CIcons::Application());
    auto* icon = new QLabel(this);
    icon->setPixmap(CIcons::Application().pixmap(QSize(64, 64), devicePixelRatioF()));
    auto* name = new QLabel(QStringLiteral("Korvane"), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel(
        QStringLiteral("Version %1, released %2").arg(QString::fromUtf8(kVersion), QString::fromUtf8(kReleaseDate)),
        this);
    auto* what = new QLabel(QStringLiteral("Keeps backup copies of your folders up to date."), this);
    const QString target = homePage.isEmpty()
        ? CWebEndpoint(QUrl(QString::fromLatin1(CWebEndpoint::kVendorAddress))).HomePage().toString()
        : homePage;
    // One colour in every state: the theme's link colour (pure blue in a
    // light theme), made to read on a dark one.
    CLinkLabel::SetColours(QColor(), QColor(), QColor(), QColor());
    m_link = new CLinkLabel(target, this);
    m_link->setObjectName(QStringLiteral("homePage"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // The drawing keeps its 64 pixels whatever the font.
    icon->setGeometry(Dx(12), Dy(12), 64, 64);
    name->setGeometry(Dx(72), Dy(10), Dx(300), name->sizeHint().height());
    Place(version, 72, 38, 300, 16);
    Place(what, 72, 58, 300, 16);
    Place(m_link, 72, 78, 300, 16);
    Place(ok, 298, 106, 74, 24);
    SizeToDesign(384, 140);
    SetUpDialog();
}
