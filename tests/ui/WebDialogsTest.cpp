#include "common/EventualAssert.h"
#include "DialogTestSupport.h"
#include "common/FakeClock.h"
#include "common/HttpsTestServer.h"
#include "platform/MyRegistry.h"
#include "ui/AboutDlg.h"
#include "ui/CheckForUpdatesDlg.h"
#include "ui/FeedbackDlg.h"
#include "ui/KorvaneDlg.h"
#include "ui/UiContext.h"
#include "web/AnswerBrowser.h"
#include "web/LinkLabel.h"
#include "web/UpdateCheck.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const TestPki& Pki()
{
    static const TestPki pki = MakeTestPki("127.0.0.1");
    return pki;
}

const WebForms::SystemFields kSystem { "Linux", "6.1", "0", "en_US", "Debian GNU/Linux 12 (bookworm)" };

// The feedback form against a local HTTPS server that trusts the test's
// own certificate authority.
class FeedbackDlgTest : public ::testing::Test {
protected:
    FeedbackDlgTest()
    {
        dialog.SetSystemFields(kSystem);
        dialog.show();
    }

    CWebEndpoint Endpoint() const
    {
        return CWebEndpoint(QUrl(server.BaseAddress()), 30000, HttpsTestServer::Trusting(Pki()));
    }

    void Fill(const QString& comment, const QString& email = QStringLiteral("  me@example.org "))
    {
        dialog.AboutBox()->setCurrentIndex(3);
        dialog.ProblemBox()->setCurrentIndex(2);
        dialog.UsedBox()->setCurrentIndex(2);
        dialog.EmailEdit()->setText(email);
        dialog.CommentEdit()->setPlainText(comment);
    }

    void SubmitAndWait()
    {
        QSignalSpy ended(&dialog, &CFeedbackDlg::SendEnded);
        QTest::mouseClick(dialog.SubmitButton(), Qt::LeftButton);
        ASSERT_EVENTUALLY_EQ_WITHIN(ended.count(), 1, 30000);
    }

    bool FormEnabled() const
    {
        return dialog.SubmitButton()->isEnabled() && dialog.CommentEdit()->isEnabled() && dialog.AboutBox()->isEnabled()
            && dialog.EmailEdit()->isEnabled();
    }

    HttpsTestServer server { Pki() };
    ScriptedPrompter prompter;
    CFeedbackDlg dialog { Endpoint(), prompter };
};

TEST_F(FeedbackDlgTest, TheFormOpensOnTheFirstChoicesAndSendsNothingUnasked)
{
    EXPECT_EQ(dialog.AboutBox()->currentText(), QStringLiteral("The program in general"));
    EXPECT_EQ(dialog.ProblemBox()->currentText(), QStringLiteral("Not a problem"));
    EXPECT_EQ(dialog.UsedBox()->currentText(), QStringLiteral("At home"));
    EXPECT_EQ(dialog.AboutBox()->count(), 4);
    EXPECT_EQ(dialog.ProblemBox()->count(), 4);
    EXPECT_EQ(dialog.UsedBox()->count(), 3);
    EXPECT_TRUE(dialog.SubmitButton()->isDefault());
    Fill(QStringLiteral("typed, not submitted"));
    QCoreApplication::processEvents();
    dialog.reject();
    EXPECT_EQ(server.connections, 0);
}

TEST_F(FeedbackDlgTest, TheServerGetsTheFormBytesAndSuccessClosesTheWindow)
{
    server.Answer(200, "Thank you");
    Fill(QStringLiteral("  Two lines,\n100% & more = +1  "));
    SubmitAndWait();
    ASSERT_EQ(server.requests.size(), 1U);
    const HttpsTestServer::Request& request = server.requests.front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/cgi-bin/korvane.cgi");
    EXPECT_EQ(request.headers.value("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(request.body,
        "Action=Feedback&Protocol=1.0&app_name=Korvane&app_version=1.4&ostype=Linux&version=6.1&build=0"
        "&langid=en_US&additional=Debian%20GNU%2FLinux%2012%20%28bookworm%29&about=A%20bug&problem=Annoying"
        "&used=Both%20at%20home%20and%20work&email=me%40example.org"
        "&comment=Two%20lines%2C%0D\n100%25%20%26%20more%20%3D%20%2B1");
    ASSERT_EQ(prompter.asked.size(), 1U);
    EXPECT_EQ(prompter.asked[0].text, "Your feedback was sent successfully!");
    EXPECT_EQ(prompter.asked[0].style, MbOk | MbIconInformation);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(FeedbackDlgTest, AnEmptyCommentIsRefusedAndNothingIsSent)
{
    Fill(QStringLiteral(" \n\t "));
    QTest::mouseClick(dialog.SubmitButton(), Qt::LeftButton);
    ASSERT_EQ(prompter.asked.size(), 1U);
    EXPECT_EQ(prompter.asked[0].text, "The 'Comment' field cannot be empty!");
    EXPECT_TRUE(FormEnabled());
    EXPECT_FALSE(dialog.Sending());
    QCoreApplication::processEvents();
    EXPECT_EQ(server.connections, 0);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(FeedbackDlgTest, AFailedStatusSaysSoAndTheSameFormCanBeSentAgain)
{
    server.Answer(500, "Internal error");
    Fill(QStringLiteral("It broke."));
    SubmitAndWait();
    ASSERT_EQ(prompter.asked.size(), 1U);
    EXPECT_EQ(prompter.asked[0].text, "Failed to get return code for operation.");
    EXPECT_EQ(prompter.asked[0].style, MbOk | MbIconError);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(FormEnabled());
    EXPECT_EQ(dialog.CommentEdit()->toPlainText(), QStringLiteral("It broke."));

    server.Answer(200, "Thank you");
    SubmitAndWait();
    ASSERT_EQ(server.requests.size(), 2U);
    EXPECT_EQ(server.requests[0].body, server.requests[1].body);
    EXPECT_EQ(prompter.asked.back().text, "Your feedback was sent successfully!");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(FeedbackDlgTest, AnUntrustedServerIsAFailedSendWithTheReason)
{
    CFeedbackDlg untrusted(CWebEndpoint(QUrl(server.BaseAddress())), prompter);
    untrusted.show();
    untrusted.CommentEdit()->setPlainText(QStringLiteral("Hello"));
    QSignalSpy ended(&untrusted, &CFeedbackDlg::SendEnded);
    untrusted.Submit();
    ASSERT_EVENTUALLY_EQ_WITHIN(ended.count(), 1, 30000);
    EXPECT_TRUE(server.requests.empty());
    ASSERT_EQ(prompter.asked.size(), 1U);
    EXPECT_EQ(prompter.asked[0].text.rfind("Failed to send the feedback.\n\n", 0), 0U) << prompter.asked[0].text;
    EXPECT_GT(prompter.asked[0].text.size(), std::string("Failed to send the feedback.\n\n").size());
    EXPECT_TRUE(untrusted.SubmitButton()->isEnabled());
}

TEST_F(FeedbackDlgTest, ASilentServerIsAFailedSendThatSaysItTimedOut)
{
    server.SetMode(HttpsTestServer::Mode::Silent);
    CFeedbackDlg slow(CWebEndpoint(QUrl(server.BaseAddress()), 200, HttpsTestServer::Trusting(Pki())), prompter);
    slow.show();
    slow.CommentEdit()->setPlainText(QStringLiteral("Hello"));
    QSignalSpy ended(&slow, &CFeedbackDlg::SendEnded);
    slow.Submit();
    ASSERT_EVENTUALLY_EQ_WITHIN(ended.count(), 1, 30000);
    ASSERT_EQ(prompter.asked.size(), 1U);
    EXPECT_EQ(prompter.asked[0].text, "Failed to send the feedback.\n\nThe server did not answer within 1 second.");
    EXPECT_TRUE(slow.SubmitButton()->isEnabled());
    EXPECT_TRUE(slow.isVisible());
}

TEST_F(FeedbackDlgTest, WhileSendingTheFormIsDisabledAndCancelGivesUp)
{
    server.SetMode(HttpsTestServer::Mode::Silent);
    Fill(QStringLiteral("Slow server"));
    QTest::mouseClick(dialog.SubmitButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.Sending());
    EXPECT_FALSE(dialog.SubmitButton()->isEnabled());
    EXPECT_FALSE(dialog.CommentEdit()->isEnabled());
    EXPECT_FALSE(dialog.findChild<QGroupBox*>()->isEnabled());
    for (QLabel* label : dialog.findChildren<QLabel*>())
        EXPECT_FALSE(label->isEnabled()) << label->text().toStdString();
    EXPECT_TRUE(dialog.CancelButton()->isEnabled());
    ASSERT_EVENTUALLY_EQ_WITHIN(server.requests.size(), 1U, 30000);
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.Sending());
    QCoreApplication::processEvents();
    EXPECT_TRUE(prompter.asked.empty());
}

class CheckForUpdatesDlgTest : public ::testing::Test {
protected:
    CWebEndpoint Endpoint() const
    {
        return CWebEndpoint(QUrl(server.BaseAddress()), 30000, HttpsTestServer::Trusting(Pki()));
    }

    void RetrieveAndWait()
    {
        QSignalSpy answered(&dialog, &CCheckForUpdatesDlg::Answered);
        dialog.Retrieve(Endpoint());
        EXPECT_TRUE(dialog.Placeholder()->isVisible());
        EXPECT_EQ(dialog.Placeholder()->text(), QStringLiteral("Retrieving version information..."));
        ASSERT_EVENTUALLY_EQ_WITHIN(answered.count(), 1, 30000);
    }

    HttpsTestServer server { Pki() };
    CCheckForUpdatesDlg dialog;
};

TEST_F(CheckForUpdatesDlgTest, TheAnswerPageReplacesThePlaceholder)
{
    server.Answer(200,
        "<html><body><h1>Version History</h1><p>Korvane <LATEST>1.5</LATEST></p>"
        "<img src=\"file:///etc/hostname\"><a href=\"/download/\">Download</a></body></html>");
    dialog.show();
    RetrieveAndWait();
    ASSERT_EQ(server.requests.size(), 1U);
    EXPECT_EQ(server.requests[0].body, "Action=CheckForUpdates&Protocol=1.0&Application=Korvane&Version=1.4");
    EXPECT_FALSE(dialog.Placeholder()->isVisible());
    EXPECT_TRUE(dialog.Browser()->isVisible());
    EXPECT_TRUE(dialog.Browser()->toPlainText().contains(QStringLiteral("Version History")));
    EXPECT_EQ(dialog.Browser()->geometry(), dialog.Placeholder()->geometry());
    // The page loads nothing, local files least of all.
    EXPECT_FALSE(dialog.Browser()
                     ->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("file:///etc/hostname")))
                     .isValid());
    EXPECT_EQ(dialog.Browser()->contextMenuPolicy(), Qt::NoContextMenu);
}

TEST_F(CheckForUpdatesDlgTest, OnlyWebAndMailLinksOfThePageLeaveIt)
{
    const QUrl base(QStringLiteral("https://127.0.0.1/cgi-bin/korvane.cgi"));
    EXPECT_TRUE(CAnswerBrowser::OpensOutside(base.resolved(QUrl(QStringLiteral("/download/")))));
    EXPECT_TRUE(CAnswerBrowser::OpensOutside(QUrl(QStringLiteral("mailto:support@example.org"))));
    EXPECT_FALSE(CAnswerBrowser::OpensOutside(QUrl(QStringLiteral("file:///etc/passwd"))));
    EXPECT_FALSE(CAnswerBrowser::OpensOutside(QUrl(QStringLiteral("javascript:alert(1)"))));
}

TEST_F(CheckForUpdatesDlgTest, AFailedRequestSaysSoInThePlaceholder)
{
    server.Answer(404, "Not here");
    dialog.show();
    RetrieveAndWait();
    EXPECT_TRUE(dialog.Placeholder()->isVisible());
    EXPECT_FALSE(dialog.Browser()->isVisible());
    EXPECT_TRUE(dialog.Placeholder()->text().contains(QStringLiteral("404")));
}

TEST_F(CheckForUpdatesDlgTest, TheWindowGrowsWithItsPageAndRemembersItsPlace)
{
    RemoveSettingsKey("Settings\\Check For Updates");
    dialog.show();
    const QSize initial = dialog.size();
    const QRect close = dialog.findChild<QPushButton*>()->geometry();
    dialog.resize(initial + QSize(100, 50));
    ASSERT_EVENTUALLY_EQ(dialog.findChild<QPushButton*>()->geometry(), close.translated(100, 50));
    EXPECT_EQ(dialog.Placeholder()->size(), dialog.Browser()->size());
    dialog.accept();
    CMyRegistry registry;
    registry.OpenKey("Settings\\Check For Updates");
    EXPECT_EQ(registry.ReadNumber("HorizSize", 0), static_cast<std::uint32_t>(initial.width() + 100));
}

// The Help menu's commands on the main window.
class HelpCommandsTest : public ::testing::Test, protected UiContextParts {
protected:
    HelpCommandsTest()
    {
        session.Sets.emplace_back().Name = "Docs";
        saved = session;
        SettingsRecord record;
        record.General.AutomaticScan = 0;
        record.General.WebServer = server.BaseAddress().toStdString();
        settings.Replace(record);
        // The windows use the desktop's TLS configuration; here it trusts
        // the test's authority too.
        previousTls = QSslConfiguration::defaultConfiguration();
        QSslConfiguration::setDefaultConfiguration(HttpsTestServer::Trusting(Pki()));
    }
    ~HelpCommandsTest() override { QSslConfiguration::setDefaultConfiguration(previousTls); }

    CKorvaneDlg& Window()
    {
        if (!window) {
            CKorvaneDlg::Services services { [](CRunDisplay&) { return std::unique_ptr<CActionRunner>(); }, clock,
                false, false, [this] { return connected; } };
            window = std::make_unique<CKorvaneDlg>(context, services);
            window->show();
        }
        return *window;
    }

    QAction* HelpAction(const QString& text)
    {
        for (QAction* menu : Window().Menu()->actions()) {
            if (!menu->menu())
                continue;
            for (QAction* action : menu->menu()->actions()) {
                if (action->text() == text)
                    return action;
            }
        }
        return nullptr;
    }

    HttpsTestServer server { Pki() };
    QSslConfiguration previousTls;
    FakeClock clock;
    bool connected = true;
    QString target;
    std::unique_ptr<CKorvaneDlg> window;
};

TEST_F(HelpCommandsTest, TheWebCommandsAreInTheHelpMenu)
{
    for (const char* text : { "Check For &Updates...", "&Documentation...", "Online &Support...", "&Feedback..." }) {
        QAction* action = HelpAction(QString::fromUtf8(text));
        ASSERT_NE(action, nullptr) << text;
        EXPECT_TRUE(action->isEnabled()) << text;
    }
}

TEST_F(HelpCommandsTest, WithoutAConnectionTheWindowsDoNotOpen)
{
    connected = false;
    OnDialog<CCheckForUpdatesDlg> updates([](CCheckForUpdatesDlg& dialog) { dialog.reject(); });
    OnDialog<CFeedbackDlg> feedback([](CFeedbackDlg& dialog) { dialog.reject(); });
    HelpAction(QStringLiteral("Check For &Updates..."))->trigger();
    HelpAction(QStringLiteral("&Feedback..."))->trigger();
    EXPECT_EQ(updates.seen + feedback.seen, 0);
    ASSERT_EQ(prompter.asked.size(), 2U);
    for (const auto& question : prompter.asked) {
        EXPECT_EQ(question.text, "You need to be connected to the internet for this to work.");
        EXPECT_EQ(question.style, MbOk | MbIconInformation);
    }
    EXPECT_EQ(server.connections, 0);
}

TEST_F(HelpCommandsTest, YesToTheUpdateOfferOpensTheWindowOnTheServersPage)
{
    server.Answer(200, "<html><LATEST>1.5</LATEST> is out.</html>");
    bool pageShown = false;
    OnDialog<CCheckForUpdatesDlg> updates([&pageShown](CCheckForUpdatesDlg& dialog) {
        QObject::connect(&dialog, &CCheckForUpdatesDlg::Answered, &dialog, [&dialog, &pageShown] {
            pageShown = dialog.Browser()->isVisible();
            dialog.accept();
        });
    });
    CUpdateCheck::SetLastCheck(0);
    CUpdateCheck check(
        CWebEndpoint::FromSettings(context.Settings()), clock,
        [this](const std::string& version) {
            return prompter.MessageBox("offer " + version, MbYesNo | MbIconQuestion) == IdYes;
        },
        [this] { QMetaObject::invokeMethod(&Window(), &CKorvaneDlg::CheckForUpdates, Qt::QueuedConnection); });
    prompter.Answer(IdYes);
    ASSERT_TRUE(check.StartIfDue(true));
    ASSERT_EVENTUALLY_EQ_WITHIN(updates.seen, 1, 30000);
    ASSERT_EVENTUALLY_WITHIN(pageShown, 30000);
    EXPECT_EQ(prompter.asked.front().text, "offer 1.5");
    EXPECT_EQ(server.requests.size(), 2U);
}

TEST_F(HelpCommandsTest, TheFeedbackCommandPostsToTheConfiguredServer)
{
    server.Answer(200, "Thank you");
    OnDialog<CFeedbackDlg> feedback([](CFeedbackDlg& dialog) {
        dialog.CommentEdit()->setPlainText(QStringLiteral("Works well."));
        dialog.Submit();
    });
    HelpAction(QStringLiteral("&Feedback..."))->trigger();
    EXPECT_EQ(feedback.seen, 1);
    ASSERT_EQ(server.requests.size(), 1U);
    EXPECT_TRUE(server.requests[0].body.endsWith("&comment=Works%20well."));
    EXPECT_EQ(prompter.asked.back().text, "Your feedback was sent successfully!");
}

TEST_F(HelpCommandsTest, TheAboutBoxLinksToTheHomePageOnTheConfiguredServer)
{
    Window();
    int seen = 0;
    OnDialog<QDialog> about([this, &seen](QDialog& dialog) {
        auto* box = dynamic_cast<CAboutDlg*>(&dialog);
        if (!box)
            return;
        ++seen;
        target = box->Link()->Target();
        box->accept();
    });
    Window().About();
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(target, server.BaseAddress() + QStringLiteral("/korvane/"));
}

} // namespace
