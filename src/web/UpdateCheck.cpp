#include "web/UpdateCheck.h"

#include "platform/Clock.h"
#include "platform/MyRegistry.h"
#include "web/WebForms.h"

#include <QTimer>

namespace {

constexpr const char* kInfoKey = "Software\\Zellik Software\\Korvane\\Info";
constexpr const char* kLastCheck = "LastUpdateCheck";

std::uint32_t Seconds(const CClock& clock)
{
    // The low 32 bits, as the value has always been stored.
    return static_cast<std::uint32_t>(clock.Now());
}

} // namespace

CUpdateCheck::CUpdateCheck(
    CWebEndpoint endpoint, const CClock& clock, Offer offer, OpenWindow openWindow, QObject* parent)
    : QObject(parent)
    , m_endpoint(std::move(endpoint))
    , m_clock(clock)
    , m_offer(std::move(offer))
    , m_openWindow(std::move(openWindow))
    , m_post(this)
{
}

std::uint32_t CUpdateCheck::LastCheck()
{
    CMyRegistry registry;
    registry.OpenKey(kInfoKey);
    return registry.ReadNumber(kLastCheck, 0);
}

void CUpdateCheck::SetLastCheck(std::uint32_t seconds)
{
    CMyRegistry registry;
    registry.CreateKey(kInfoKey);
    registry.WriteNumber(kLastCheck, seconds);
    registry.CloseKey();
}

bool CUpdateCheck::Due(const CClock& clock, bool connected)
{
    // Unsigned: a last check in the future (the clock was set back) gives a
    // huge difference, and the check runs.
    const std::uint32_t since = Seconds(clock) - LastCheck();
    return since >= kInterval && connected;
}

bool CUpdateCheck::StartIfDue(bool connected)
{
    if (Running() || !Due(m_clock, connected))
        return false;
    Start();
    return true;
}

void CUpdateCheck::Start()
{
    m_post.Post(
        m_endpoint, QByteArray::fromStdString(WebForms::UpdateCheckBody()),
        [this](const CFormPost::Result& result) { OnAnswer(result); }, kAnswerLimit);
}

void CUpdateCheck::OnAnswer(const CFormPost::Result& result)
{
    if (result.kind != CFormPost::Result::Success) {
        Q_EMIT Finished();
        return;
    }
    const std::optional<std::string> latest
        = WebForms::LatestVersion(WebForms::FirstTenLines(result.answer.toStdString()));
    // Out of the network's notification: the offer waits for the user.
    QTimer::singleShot(0, this, [this, latest] { Conclude(latest); });
}

void CUpdateCheck::Conclude(const std::optional<std::string>& latest)
{
    bool open = false;
    if (latest && WebForms::IsOtherVersion(*latest) && m_offer)
        open = m_offer(*latest);
    // After the offer, which may have waited for the user.
    SetLastCheck(Seconds(m_clock));
    if (open && m_openWindow)
        m_openWindow();
    Q_EMIT Finished();
}
