#include "web/WebLinks.h"

#include "StringTable.h"
#include "core/Prompter.h"
#include "web/WebEndpoint.h"
#include "web/WebTexts.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

bool IsFile(const QString& path)
{
    return QFileInfo(path).isFile();
}

// True when path lies inside folder (both absolute, cleaned).
bool Inside(const QString& path, const QString& folder)
{
    const QString cleanFolder = QDir::cleanPath(folder);
    return !cleanFolder.isEmpty() && QDir::cleanPath(path).startsWith(cleanFolder + QLatin1Char('/'));
}

} // namespace

CWebLinks::CWebLinks(CPrompter& prompter, Opener opener)
    : m_prompter(prompter)
    , m_open(opener ? std::move(opener) : Opener([](const QUrl& url) { return QDesktopServices::openUrl(url); }))
{
}

void CWebLinks::OnlineSupport(const CWebEndpoint& endpoint, bool connected)
{
    if (!connected) {
        m_prompter.MessageBox(WebTexts::kNotConnected, MbOk | MbIconInformation);
        return;
    }
    if (m_prompter.MessageBox(WebTexts::kOpenBrowser, MbOkCancel | MbIconQuestion) != IdOk)
        return;
    // Told, not passed over: a desktop without a browser otherwise leaves
    // the user waiting for a page that never comes.
    if (!endpoint.Usable() || !m_open(endpoint.OnlineSupportUrl()))
        m_prompter.MessageBox(WebTexts::kCantOpenLink, MbOk | MbIconWarning);
}

std::string CWebLinks::ManualPath(const std::string& modulePath, std::string* installedPath)
{
    const QString program = QFileInfo(QString::fromStdString(modulePath)).absoluteFilePath();
    const QString prefix = QFileInfo(program).dir().absoluteFilePath(QStringLiteral(".."));
    const QString installed = QDir::cleanPath(prefix + QStringLiteral("/share/doc/korvane/index.html"));
    if (installedPath)
        *installedPath = installed.toStdString();
    if (IsFile(installed))
        return installed.toStdString();
    const QString source = QStringLiteral(KORVANE_SOURCE_MANUAL);
    if (Inside(program, QStringLiteral(KORVANE_BUILD_DIR)) && IsFile(source))
        return source.toStdString();
    return {};
}

void CWebLinks::Documentation(const std::string& modulePath)
{
    std::string installed;
    const std::string manual = ManualPath(modulePath, &installed);
    if (manual.empty()) {
        m_prompter.MessageBox(FormatString(WebTexts::kOpenFailed, installed.c_str()), MbOk | MbIconError);
        return;
    }
    // The manual is there: what failed is the desktop, which has nothing
    // that shows HTML, and the installation is not to blame.
    if (!m_open(QUrl::fromLocalFile(QString::fromStdString(manual))))
        m_prompter.MessageBox(FormatString(LoadString(57850).c_str(), manual.c_str()), MbOk | MbIconError);
}
