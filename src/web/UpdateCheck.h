#pragma once

#include "web/FormPost.h"
#include "web/WebEndpoint.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CClock;

// The weekly background question to the vendor's server: is there another
// version than this one? It runs at most once per start, asynchronously on
// the interface thread's event loop, and is silent about every failure.
// LastUpdateCheck (Info) advances only after a 2xx answer, so a failed
// check is tried again at the next start.
class CUpdateCheck : public QObject {
    Q_OBJECT

public:
    static constexpr std::uint32_t kInterval = 604800; // seven days in seconds
    // Read of the answer: ten lines never need more.
    static constexpr qint64 kAnswerLimit = 64 * 1024;

    // offer(version) asks the user whether to see the Check For Updates
    // window and returns the answer (true for Yes); openWindow opens it.
    using Offer = std::function<bool(const std::string& version)>;
    using OpenWindow = std::function<void()>;

    CUpdateCheck(
        CWebEndpoint endpoint, const CClock& clock, Offer offer, OpenWindow openWindow, QObject* parent = nullptr);

    // The start-up decision: a week or more since the last exchange (a
    // clock set back counts as a week), and a desktop that does not know
    // itself offline.
    static bool Due(const CClock& clock, bool connected);
    // Starts the check when it is due; true when a request went out.
    bool StartIfDue(bool connected);
    // Sends the request (the decision already made).
    void Start();
    bool Running() const { return m_post.Running(); }

    static std::uint32_t LastCheck();
    static void SetLastCheck(std::uint32_t seconds);

Q_SIGNALS:
    // The check ended, whichever way (tests wait for it).
    void Finished();

private:
    void OnAnswer(const CFormPost::Result& result);
    void Conclude(const std::optional<std::string>& latest);

    CWebEndpoint m_endpoint;
    const CClock& m_clock;
    Offer m_offer;
    OpenWindow m_openWindow;
    CFormPost m_post;
};
