#include "common/EventualAssert.h"
#include "DialogTestSupport.h"
#include "SmtpTestServer.h"
#include "app/SettingsTestFiles.h"
#include "common/TestCertificates.h"
#include "ui/GeneralProgress.h"
#include "ui/SettingsDlg.h"
#include "ui/SettingsSchedulerDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <future>

namespace {

using Lines = std::vector<std::string>;

std::uint16_t UnusedPort()
{
    CTcpSocket probe;
    probe.Listen("127.0.0.1", 0);
    return probe.LocalPort();
}

std::string Base64(const char* text)
{
    return QByteArray(text).toBase64().toStdString();
}

// The Scheduler page's Check... button against a scripted server on
// loopback: the real connection code on its own thread, the answer in a
// message that says why a test failed.
class SettingsSmtpCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WipeSettingsAndRegistrations();
        record.ModulePath = "/opt/korvane/korvane";
        record.Scheduler.SMTPServer = "smtp.example.org";
        dialog = std::make_unique<CSettingsDlg>(record, prompter, shell);
        dialog->show();
        dialog->SelectPage(CSettingsDlg::Scheduler);
        QApplication::processEvents();
        page = dialog->SchedulerPage();
    }
    void TearDown() override { WipeSettingsAndRegistrations(); }

    void Type(const char* name, const QString& text)
    {
        QLineEdit* field = Child<QLineEdit>(*page, name);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }
    void Aim(std::uint16_t port)
    {
        Type("smtpServer", QStringLiteral("127.0.0.1"));
        Type("smtpPort", QString::number(port));
    }
    QPushButton* CheckButton() { return Child<QPushButton>(*page, "smtpCheck"); }
    // Presses Check... and waits for the one message of the test.
    ScriptedPrompter::Question Check()
    {
        QTest::mouseClick(CheckButton(), Qt::LeftButton);
        const bool answered = QTest::qWaitFor([this] { return !prompter.asked.empty(); }, 15000);
        EXPECT_TRUE(answered);
        EXPECT_LE(prompter.asked.size(), 1u);
        return answered ? prompter.asked.front() : ScriptedPrompter::Question {};
    }
    static std::string Text(int id, std::uint16_t port)
    {
        return FormatString(LoadString(id).c_str(), "127.0.0.1", static_cast<int>(port));
    }

    CShellIntegration shell { "/opt/korvane/korvane" };
    ScriptedPrompter prompter;
    SettingsRecord record;
    std::unique_ptr<CSettingsDlg> dialog;
    CSettingsSchedulerDlg* page = nullptr;
};

} // namespace

TEST_F(SettingsSmtpCheckTest, ASuccessfulTestSaysSoAndChangesNoSetting)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.Quit();
    });
    Aim(server.Port());
    QTest::mouseClick(CheckButton(), Qt::LeftButton);
    // The dialog is held by a waiting window while the test runs elsewhere.
    auto* wait = page->findChild<CGeneralProgress*>(QStringLiteral("smtpCheckWait"));
    ASSERT_NE(wait, nullptr);
    EXPECT_NE(wait->windowModality(), Qt::NonModal);
    EXPECT_EQ(wait->Status(), QStringLiteral("Connecting to SMTP server..."));
    ASSERT_EVENTUALLY_EQ_WITHIN(prompter.asked.size(), std::size_t { 1 }, 15000);
    EXPECT_EQ(prompter.asked[0].text,
        "Successfully connected to SMTP server (127.0.0.1:" + std::to_string(server.Port()) + ").");
    EXPECT_EQ(prompter.asked[0].style, MbOk | MbIconInformation);
    server.Join();
    ASSERT_EQ(server.Lines().size(), 2u);
    EXPECT_EQ(server.Lines()[0].rfind("HELO ", 0), 0u);
    EXPECT_EQ(server.Lines()[1], "QUIT");

    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(dialog->Result(), record);
}

TEST_F(SettingsSmtpCheckTest, ARefusedGreetingShowsTheServersReply)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Send("554 5.7.1 No service for you\r\n");
        s.Quit();
    });
    Aim(server.Port());
    const auto shown = Check();
    EXPECT_EQ(shown.text, Text(57762, server.Port()) + "\n\n554 5.7.1 No service for you");
    EXPECT_EQ(shown.style, MbOk | MbIconError);
}

TEST_F(SettingsSmtpCheckTest, AClosedPortShowsTheSystemError)
{
    const std::uint16_t port = UnusedPort();
    Aim(port);
    EXPECT_EQ(Check().text, Text(57762, port) + "\n\nConnection refused");
}

TEST_F(SettingsSmtpCheckTest, AnUnansweredQuitIsAFailedDisconnect)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.ReadLine();
        s.Send("500 5.5.1 What?\r\n");
    });
    Aim(server.Port());
    EXPECT_EQ(Check().text, Text(57761, server.Port()) + "\n\n500 5.5.1 What?");
}

TEST_F(SettingsSmtpCheckTest, TheLoginIsTheOneTypedAndAWrongPasswordSaysWhy)
{
    auto script = [](const char* verdict) {
        return [verdict](SmtpTestSession& s) {
            s.Send("220 mail.example.org ESMTP\r\n");
            s.ReadLine();
            s.Send("250-mail.example.org\r\n250 AUTH LOGIN PLAIN\r\n");
            s.AskLogin();
            s.Send(std::string(verdict) + "\r\n");
            s.Quit();
        };
    };
    QTest::mouseClick(Child<QCheckBox>(*page, "smtpLoginRequired"), Qt::LeftButton, {}, QPoint(6, 6));
    Type("smtpLogin", QStringLiteral("backup@example.org"));
    Type("smtpPassword", QStringLiteral("right"));
    {
        SmtpTestServer server(script("235 2.7.0 Accepted"));
        Aim(server.Port());
        EXPECT_EQ(Check().text, Text(57760, server.Port()));
        server.Join();
        const Lines expected { server.Lines()[0], "AUTH LOGIN", Base64("backup@example.org"), Base64("right"), "QUIT" };
        EXPECT_EQ(server.Lines(), expected);
        EXPECT_EQ(server.Lines()[0].rfind("EHLO ", 0), 0u);
    }
    prompter.asked.clear();
    SmtpTestServer server(script("535 5.7.8 Authentication credentials invalid"));
    Aim(server.Port());
    EXPECT_EQ(Check().text, Text(57762, server.Port()) + "\n\n535 5.7.8 Authentication credentials invalid");
    // Nothing typed reached the settings.
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_EQ(dialog->Result(), record);
}

TEST_F(SettingsSmtpCheckTest, SecurityChoicesAreUsedAndTheirFailuresNamed)
{
    {
        SmtpTestServer server([](SmtpTestSession& s) {
            s.Send("220 mail.example.org ESMTP\r\n");
            s.ReadLine();
            s.Send("250-mail.example.org\r\n250 SIZE 1000\r\n");
            s.ReadLine();
            s.Send("454 4.7.0 TLS not available\r\n");
            s.Quit();
        });
        Child<QComboBox>(*page, "smtpSecurity")->setCurrentIndex(1);
        Aim(server.Port());
        EXPECT_EQ(Check().text, Text(57762, server.Port()) + "\n\n454 4.7.0 TLS not available");
        server.Join();
        ASSERT_GE(server.Lines().size(), 2u);
        EXPECT_EQ(server.Lines()[1], "STARTTLS");
    }
    prompter.asked.clear();
    // A certificate no authority of the system signed is refused.
    const TestPki pki = MakeTestPki("127.0.0.1");
    SmtpTestServer server([&pki](SmtpTestSession& s) { s.StartTls(pki.ServerCertificatePem, pki.ServerKeyPem); });
    Child<QComboBox>(*page, "smtpSecurity")->setCurrentIndex(2);
    Aim(server.Port());
    const std::string text = Check().text;
    const std::string head = Text(57762, server.Port()) + "\n\nTLS negotiation failed";
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
}

TEST_F(SettingsSmtpCheckTest, EnterOnTheCheckButtonRunsTheTest)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.Quit();
    });
    Aim(server.Port());
    QPushButton* button = CheckButton();
    dialog->activateWindow();
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Return);
    ASSERT_EVENTUALLY_EQ_WITHIN(prompter.asked.size(), std::size_t { 1 }, 15000);
    EXPECT_EQ(prompter.asked[0].text, Text(57760, server.Port()));
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(SettingsSmtpCheckTest, CancellingTheWaitShowsNoAnswer)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    SmtpTestServer server([released](SmtpTestSession&) { released.wait(); });
    Aim(server.Port());
    QTest::mouseClick(CheckButton(), Qt::LeftButton);
    auto* wait = page->findChild<CGeneralProgress*>(QStringLiteral("smtpCheckWait"));
    ASSERT_NE(wait, nullptr);
    ASSERT_EVENTUALLY(wait->isVisible());
    QTest::mouseClick(wait->CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(page->CheckRunning());
    // The server closes without a word; the test ends on its own.
    release.set_value();
    ASSERT_EVENTUALLY_WITHIN(!page->CheckRunning(), 15000);
    QApplication::processEvents();
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(SettingsSmtpCheckTest, ARefusedPortIsNotTried)
{
    Type("smtpPort", QString());
    QTest::mouseClick(CheckButton(), Qt::LeftButton);
    EXPECT_EQ(Asked(prompter), std::vector<std::string> { "Please enter an integer between 1 and 65535." });
    EXPECT_FALSE(page->CheckRunning());
    EXPECT_EQ(page->findChild<CGeneralProgress*>(QStringLiteral("smtpCheckWait")), nullptr);
}
