#include "mail/SummaryMail.h"

#include "SmtpTestServer.h"
#include "common/FakeClock.h"
#include "common/FakePasswordStore.h"
#include "mail/Base64Codec.h"
#include "mail/MailConnection.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace {

SummaryMailData SampleData()
{
    SummaryMailData data;
    data.ComputerName = "workstation";
    data.UserName = "alice";
    data.SetName = "Dokumente \xc3\xa4";
    data.Action = 0;
    data.ElapsedText = "00:01:05";
    data.Recipients = "admin@example.org; Ops <ops@example.org>";
    data.ProcessedFiles = 10;
    data.ProcessedFolders = 2;
    data.AddedFiles = 3;
    data.AddedFolders = 1;
    data.UpdatedFiles = 4;
    data.DeletedFiles = 5;
    data.DeletedFolders = 0;
    return data;
}

} // namespace

TEST(SummaryMail, BodyLinesAreRightAligned)
{
    SummaryMailData data = SampleData();
    data.Action = 1;
    EXPECT_EQ(CSummaryMail::BuildSummaryText(data),
        " Computer: workstation\n"
        "     User: alice\n\n"
        " Set Name: Dokumente \xc3\xa4\n"
        "   Action: Restore\n"
        "  Elapsed: 00:01:05\n\n"
        "Processed: 10 files, 2 folders\n"
        "    Added: 3 files, 1 folders\n"
        "  Updated: 4 files\n"
        "  Deleted: 5 files, 0 folders\n");
}

TEST(SummaryMail, TransmittedMessageFollowsTheLayout)
{
    setenv("TZ", "UTC0", 1);
    tzset();
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.AcceptMessage(3);
        s.Quit();
    });
    FakeClock clock(1'700'000'000);
    int next = 0;
    CSummaryMail mail(clock, [&next] { return next++ == 0 ? "root-boundary" : "text-boundary"; });
    SmtpOptions options;
    options.Server = "127.0.0.1";
    options.Port = server.Port();
    options.ReplyTimeoutMs = 5000;
    std::string failure = "stale";
    EXPECT_TRUE(mail.Send(SampleData(), options, failure));
    EXPECT_EQ(failure, "");
    server.Join();
    unsetenv("TZ");
    tzset();

    const auto& lines = server.Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], "MAIL FROM:<no-reply@korvane.invalid>");
    EXPECT_EQ(lines[2], "RCPT TO:<admin@example.org>");
    EXPECT_EQ(lines[3], "RCPT TO:<ops@example.org>");
    EXPECT_EQ(server.Data(),
        "From: Korvane <no-reply@korvane.invalid>\r\n"
        "To: admin@example.org,Ops <ops@example.org>\r\n"
        "Subject: Scheduled Event\r\n"
        "X-Mailer: Korvane Mailer 1.4\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"root-boundary\"\r\n"
        "Date: Tue, 14 Nov 2023 22:13:20 +0000\r\n"
        "\r\n"
        "This is a multi-part message in MIME format\r\n"
        "--root-boundary\r\n"
        "Content-Type: text/plain; charset=UTF-8\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "\r\n"
        " Computer: workstation\r\n"
        "     User: alice\r\n"
        "\r\n"
        " Set Name: Dokumente =C3=A4\r\n"
        "   Action: Backup\r\n"
        "  Elapsed: 00:01:05\r\n"
        "\r\n"
        "Processed: 10 files, 2 folders\r\n"
        "    Added: 3 files, 1 folders\r\n"
        "  Updated: 4 files\r\n"
        "  Deleted: 5 files, 0 folders\r\n"
        "\r\n"
        "--root-boundary--");
}

TEST(SummaryMail, FailuresSayWhyInTheServersWordsOrTheSystems)
{
    CTcpSocket probe;
    probe.Listen("127.0.0.1", 0);
    SmtpOptions options;
    options.Server = "127.0.0.1";
    options.Port = probe.LocalPort();
    probe.Close();
    CSummaryMail mail;
    CSummaryMailer& mailer = mail;
    std::string failure;
    EXPECT_FALSE(mailer.Send(SampleData(), options, failure));
    EXPECT_EQ(failure, "Connection refused");

    options.Server.clear();
    EXPECT_FALSE(mailer.Send(SampleData(), options, failure));
    EXPECT_EQ(failure, "no SMTP server is set");
}

namespace {

// Runs the summary mail against a scripted server and returns the reason.
std::string FailureAgainst(const SmtpTestServer::Script& script, SmtpLoginMethod method = SmtpLoginMethod::None)
{
    SmtpTestServer server(script);
    SmtpOptions options;
    options.Server = "127.0.0.1";
    options.Port = server.Port();
    options.ReplyTimeoutMs = 5000;
    options.LoginMethod = method;
    options.Login = "backup";
    options.Password = "wrong";
    CSummaryMail mail;
    std::string failure;
    EXPECT_FALSE(mail.Send(SampleData(), options, failure));
    server.Join();
    return failure;
}

} // namespace

TEST(SummaryMail, TheFirstRefusalIsTheReasonNotTheQuitAfterIt)
{
    // The login is refused and the server hangs up without answering QUIT.
    EXPECT_EQ(FailureAgainst(
                  [](SmtpTestSession& s) {
                      s.Send("220 mail.example.org ESMTP\r\n");
                      s.ReadLine();
                      s.Send("250 AUTH LOGIN\r\n");
                      s.AskLogin();
                      s.Send("535 5.7.8 Authentication credentials invalid\r\n");
                      s.Close();
                  },
                  SmtpLoginMethod::Login),
        "535 5.7.8 Authentication credentials invalid");

    EXPECT_EQ(FailureAgainst([](SmtpTestSession& s) {
        s.Greet();
        s.ReadLine();
        s.Send("550-5.7.1 Relaying denied\r\n550 5.7.1 see the policy\r\n");
        s.Quit();
    }),
        "550 5.7.1 see the policy");

    EXPECT_EQ(FailureAgainst([](SmtpTestSession& s) {
        s.Send("220 mail.example.org ESMTP\r\n");
        s.ReadLine();
        s.Close();
    }),
        "the server closed the connection");
}

TEST(SummaryMail, AServersReplyIsKeptToOnePrintableLine)
{
    const std::string failure = FailureAgainst([](SmtpTestSession& s) {
        s.Send("554 no\tthanks \x1b[31mred\x07 " + std::string(400, 'x') + "\r\n");
        s.Quit();
    });
    EXPECT_EQ(failure.substr(0, 24), "554 no thanks  [31mred  ");
    EXPECT_EQ(failure.find_first_of("\t\r\n\x1b\x07"), std::string::npos);
    EXPECT_EQ(failure.size(), CMailConnection::kMaxReasonBytes + 3);
    EXPECT_EQ(failure.substr(failure.size() - 3), "...");
}

TEST(SummaryMail, AnUnansweredQuitAfterTheMessageWasTakenStillCountsAsSent)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.AcceptMessage(3);
        s.ReadLine();
        s.Close();
    });
    SmtpOptions options;
    options.Server = "127.0.0.1";
    options.Port = server.Port();
    options.ReplyTimeoutMs = 5000;
    CSummaryMail mail;
    std::string failure;
    EXPECT_TRUE(mail.Send(SampleData(), options, failure));
    EXPECT_EQ(failure, "");
    server.Join();
}

namespace {

// A login whose password the keyring keeps.
SmtpOptions KeyringLogin(std::uint16_t port)
{
    SmtpOptions options;
    options.Server = "127.0.0.1";
    options.Port = port;
    options.ReplyTimeoutMs = 5000;
    options.LoginMethod = SmtpLoginMethod::Login;
    options.Login = "backup";
    options.Password = "stale value that must not be sent";
    options.PasswordKey = "SMTPPassword";
    return options;
}

std::string Base64(const std::string& text)
{
    CBase64Codec codec;
    codec.EncodeText(text.c_str());
    return codec.EncodedText();
}

} // namespace

TEST(SummaryMailKeyring, TheLoginUsesThePasswordTheKeyringHolds)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Send("220 mail.example.org ESMTP\r\n");
        s.ReadLine();
        s.Send("250 AUTH LOGIN\r\n");
        s.AskLogin();
        s.Send("235 ok\r\n");
        s.AcceptMessage(2);
        s.Quit();
    });
    FakePasswordStore keyring;
    keyring.entries["SMTPPassword"] = "k\xc3\xa9yring pass";
    CSummaryMail mail(&keyring);
    SummaryMailData data = SampleData();
    data.Recipients = "admin@example.org";
    std::string failure;
    EXPECT_TRUE(mail.Send(data, KeyringLogin(server.Port()), failure)) << failure;
    server.Join();
    const auto& lines = server.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 5), "EHLO ");
    EXPECT_EQ(lines[1], "AUTH LOGIN");
    EXPECT_EQ(lines[2], Base64("backup"));
    EXPECT_EQ(lines[3], Base64("k\xc3\xa9yring pass"));
}

TEST(SummaryMailKeyring, AnUnreachableKeyringFailsTheMailBeforeAnyConnection)
{
    // A listening socket the mail would reach: any connection at all would
    // wait in its queue.
    CTcpSocket server;
    ASSERT_TRUE(server.Listen("127.0.0.1", 0));
    FakePasswordStore keyring;
    keyring.unreachable = true;
    CSummaryMail mail(&keyring);
    std::string failure;
    EXPECT_FALSE(mail.Send(SampleData(), KeyringLogin(server.LocalPort()), failure));
    EXPECT_EQ(failure,
        "the password is kept in the desktop keyring, which cannot be reached: Cannot autolaunch D-Bus without X11 "
        "$DISPLAY");
    CTcpSocket client;
    EXPECT_FALSE(server.Accept(client, 0)) << "no connection, so no login without its password";

    keyring.unreachable = false;
    EXPECT_FALSE(mail.Send(SampleData(), KeyringLogin(server.LocalPort()), failure));
    EXPECT_EQ(failure, "the password is kept in the desktop keyring, which holds none for Korvane");
    EXPECT_FALSE(server.Accept(client, 0));

    CSummaryMail withoutKeyring;
    EXPECT_FALSE(withoutKeyring.Send(SampleData(), KeyringLogin(server.LocalPort()), failure));
    EXPECT_EQ(failure.substr(0, 46), "the password is kept in the desktop keyring, w");
    EXPECT_FALSE(server.Accept(client, 0));
}

TEST(SummaryMailKeyring, AMailWithoutLoginNeverAsksTheKeyring)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.AcceptMessage(3);
        s.Quit();
    });
    FakePasswordStore keyring;
    keyring.unreachable = true;
    CSummaryMail mail(&keyring);
    SmtpOptions options = KeyringLogin(server.Port());
    options.LoginMethod = SmtpLoginMethod::None;
    std::string failure;
    EXPECT_TRUE(mail.Send(SampleData(), options, failure)) << failure;
    server.Join();
    EXPECT_EQ(keyring.requests, 0);
    EXPECT_EQ(server.Lines()[0].substr(0, 5), "HELO ");
}
