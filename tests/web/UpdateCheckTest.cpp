#include "common/EventualAssert.h"
#include "web/UpdateCheck.h"

#include "common/FakeClock.h"
#include "common/HttpsTestServer.h"
#include "platform/MyRegistry.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const TestPki& Pki()
{
    static const TestPki pki = MakeTestPki("127.0.0.1");
    return pki;
}

constexpr std::time_t kNow = 1'800'000'000;

// The background check against a local HTTPS server with a certificate made
// for the test, the clock injected and LastUpdateCheck in the scratch home.
class UpdateCheckTest : public ::testing::Test {
protected:
    UpdateCheckTest()
    {
        CMyRegistry registry;
        registry.OpenKey("Info");
        registry.DeleteValue("LastUpdateCheck");
    }

    CWebEndpoint Endpoint(int timeoutMs = CWebEndpoint::kDefaultTimeoutMs) const
    {
        return CWebEndpoint(QUrl(server.BaseAddress()), timeoutMs, HttpsTestServer::Trusting(Pki()));
    }

    std::unique_ptr<CUpdateCheck> Check(CWebEndpoint endpoint)
    {
        return std::make_unique<CUpdateCheck>(
            std::move(endpoint), clock,
            [this](const std::string& version) {
                offers.push_back(version);
                return answerYes;
            },
            [this] { ++windowsOpened; });
    }

    // Runs a check to its end.
    void Run(CWebEndpoint endpoint)
    {
        auto check = Check(std::move(endpoint));
        QSignalSpy finished(check.get(), &CUpdateCheck::Finished);
        ASSERT_TRUE(check->StartIfDue(true));
        ASSERT_EVENTUALLY_EQ_WITHIN(finished.count(), 1, 30000);
    }

    void RunAgainst(int status, const QByteArray& page)
    {
        server.Answer(status, page);
        Run(Endpoint());
    }

    HttpsTestServer server { Pki() };
    FakeClock clock { kNow };
    std::vector<std::string> offers;
    bool answerYes = true;
    int windowsOpened = 0;
};

TEST_F(UpdateCheckTest, ANewerVersionIsOfferedAndYesOpensTheWindow)
{
    server.Answer(200, "<html>\n<body>\n<LATEST>1.5</LATEST>\n</body>\n</html>\n");
    auto check = Check(Endpoint());
    QSignalSpy finished(check.get(), &CUpdateCheck::Finished);
    ASSERT_TRUE(check->StartIfDue(true));
    // Sent, not yet answered: the caller went on at once.
    EXPECT_TRUE(check->Running());
    EXPECT_TRUE(server.requests.empty());
    ASSERT_EVENTUALLY_EQ_WITHIN(finished.count(), 1, 30000);
    ASSERT_EQ(server.requests.size(), 1U);
    const HttpsTestServer::Request& request = server.requests.front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/cgi-bin/korvane.cgi");
    EXPECT_EQ(request.headers.value("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.body, "Action=CheckForUpdates&Protocol=1.0&Application=Korvane&Version=1.4");
    EXPECT_EQ(offers, std::vector<std::string> { "1.5" });
    EXPECT_EQ(windowsOpened, 1);
    EXPECT_EQ(CUpdateCheck::LastCheck(), static_cast<std::uint32_t>(kNow));
}

TEST_F(UpdateCheckTest, NoToTheOfferOpensNothingButTheCheckCounts)
{
    answerYes = false;
    RunAgainst(200, "<LATEST>1.3</LATEST>");
    EXPECT_EQ(offers, std::vector<std::string> { "1.3" });
    EXPECT_EQ(windowsOpened, 0);
    EXPECT_EQ(CUpdateCheck::LastCheck(), static_cast<std::uint32_t>(kNow));
}

TEST_F(UpdateCheckTest, TheRunningVersionOrNoVersionStaysSilentAndCounts)
{
    RunAgainst(200, "<latest>1.4</latest>");
    EXPECT_TRUE(offers.empty());
    EXPECT_EQ(CUpdateCheck::LastCheck(), static_cast<std::uint32_t>(kNow));

    CUpdateCheck::SetLastCheck(0);
    RunAgainst(200, "<html>We are moving.</html>");
    EXPECT_TRUE(offers.empty());
    EXPECT_EQ(CUpdateCheck::LastCheck(), static_cast<std::uint32_t>(kNow));
}

TEST_F(UpdateCheckTest, ServerErrorsEndSilentlyWithoutCounting)
{
    for (int status : { 404, 500, 301 }) {
        RunAgainst(status, "<LATEST>1.5</LATEST>");
        EXPECT_TRUE(offers.empty()) << status;
        EXPECT_EQ(CUpdateCheck::LastCheck(), 0U) << status;
    }
    EXPECT_EQ(server.requests.size(), 3U);
}

TEST_F(UpdateCheckTest, ASilentServerIsGivenUpAfterTheTimeOut)
{
    server.SetMode(HttpsTestServer::Mode::Silent);
    Run(Endpoint(200));
    EXPECT_EQ(server.requests.size(), 1U);
    EXPECT_TRUE(offers.empty());
    EXPECT_EQ(CUpdateCheck::LastCheck(), 0U);
}

TEST_F(UpdateCheckTest, AnAnswerThatIsNoHttpEndsSilentlyWithoutCounting)
{
    server.SetMode(HttpsTestServer::Mode::Garbage);
    Run(Endpoint());
    // The network layer may try again on a broken answer; each got the same.
    EXPECT_GE(server.requests.size(), 1U);
    EXPECT_TRUE(offers.empty());
    EXPECT_EQ(CUpdateCheck::LastCheck(), 0U);
}

TEST_F(UpdateCheckTest, AServerWhoseCertificateIsNotTrustedIsNotAsked)
{
    server.Answer(200, "<LATEST>1.5</LATEST>");
    // The system's authorities only: the test's own is not among them.
    Run(CWebEndpoint(QUrl(server.BaseAddress())));
    EXPECT_TRUE(server.requests.empty());
    EXPECT_TRUE(offers.empty());
    EXPECT_EQ(CUpdateCheck::LastCheck(), 0U);

    // Another authority's certificate for the right address fails the same way.
    const TestPki other = MakeTestPki("127.0.0.1");
    Run(CWebEndpoint(QUrl(server.BaseAddress()), CWebEndpoint::kDefaultTimeoutMs, HttpsTestServer::Trusting(other)));
    EXPECT_TRUE(server.requests.empty());
    EXPECT_EQ(CUpdateCheck::LastCheck(), 0U);
}

TEST_F(UpdateCheckTest, PlainHttpIsNeverUsed)
{
    server.Answer(200, "<LATEST>1.5</LATEST>");
    Run(CWebEndpoint(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.Port()))));
    EXPECT_EQ(server.connections, 0);
    EXPECT_TRUE(offers.empty());
    EXPECT_EQ(CUpdateCheck::LastCheck(), 0U);
}

TEST_F(UpdateCheckTest, ACheckWithinSevenDaysSendsNothing)
{
    CUpdateCheck::SetLastCheck(static_cast<std::uint32_t>(kNow - 604799));
    auto check = Check(Endpoint());
    EXPECT_FALSE(check->StartIfDue(true));
    EXPECT_FALSE(check->Running());
    // Nothing is waited for: a request would have been sent by now.
    QCoreApplication::processEvents();
    EXPECT_EQ(server.connections, 0);
}

TEST_F(UpdateCheckTest, TheDecisionCountsSevenDaysInUnsignedSeconds)
{
    CUpdateCheck::SetLastCheck(static_cast<std::uint32_t>(kNow - 604799));
    EXPECT_FALSE(CUpdateCheck::Due(clock, true));
    CUpdateCheck::SetLastCheck(static_cast<std::uint32_t>(kNow - 604800));
    EXPECT_TRUE(CUpdateCheck::Due(clock, true));
    EXPECT_FALSE(CUpdateCheck::Due(clock, false));
    // A clock set back: the last check lies in the future, and the check runs.
    CUpdateCheck::SetLastCheck(static_cast<std::uint32_t>(kNow + 3600));
    EXPECT_TRUE(CUpdateCheck::Due(clock, true));
    // The stored value is the low 32 bits of the time.
    clock.Set(kNow + (std::time_t { 1 } << 32));
    CUpdateCheck::SetLastCheck(static_cast<std::uint32_t>(kNow));
    EXPECT_FALSE(CUpdateCheck::Due(clock, true));
}

TEST_F(UpdateCheckTest, ALongAnswerIsReadOnlyAsFarAsNeeded)
{
    QByteArray page = "<LATEST>1.5</LATEST>\n";
    page += QByteArray(8 * 1024 * 1024, 'x');
    RunAgainst(200, page);
    EXPECT_EQ(offers, std::vector<std::string> { "1.5" });
    EXPECT_EQ(CUpdateCheck::LastCheck(), static_cast<std::uint32_t>(kNow));
}

} // namespace
