#include "RecordingConnection.h"
#include "SmtpTestServer.h"
#include "common/FakeClock.h"
#include "mail/MailMessage.h"
#include "platform/SystemInfo.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

bool ConnectPlain(CMailConnection& connection, const SmtpTestServer& server)
{
    connection.SetHeloHostName("client.test");
    connection.SetReplyTimeout(5000);
    return connection.Connect("127.0.0.1", SmtpLoginMethod::None, "", "", server.Port());
}

std::uint16_t UnusedPort()
{
    CTcpSocket probe;
    probe.Listen("127.0.0.1", 0);
    return probe.LocalPort();
}

} // namespace

TEST(MailConnection, ReadsAGreetingThatArrivesInTwoPieces)
{
    ReceiveSignal received;
    SmtpTestServer server([&](SmtpTestSession& s) {
        s.Send("220 mail.exa");
        received.WaitFor(1);
        s.Send("mple.org ready\r\n");
        // A client that took the first piece for the whole greeting would
        // now read the second piece as the answer to HELO.
        received.WaitFor(2);
        s.ReadLine();
        s.Send("250 hello\r\n");
        s.Quit();
    });
    RecordingConnection connection(std::make_unique<SignallingSocket>(received));
    ASSERT_TRUE(ConnectPlain(connection, server));
    EXPECT_EQ(connection.LastReplyText(), "250 hello");
    EXPECT_TRUE(connection.Disconnect(true));
    server.Join();
    EXPECT_EQ(server.Lines(), (Lines { "HELO client.test", "QUIT" }));
    EXPECT_TRUE(connection.Failures.empty());
}

TEST(MailConnection, ReadsLongRepliesWholeThroughGrowingBuffers)
{
    const std::string longLine = "250 " + std::string(9000, 'x');
    SmtpTestServer server([&](SmtpTestSession& s) {
        s.Send("220 " + std::string(300, 'g') + "\r\n");
        s.ReadLine();
        s.Send(longLine + "\r\n");
        s.ReadLine();
        s.Send("221-first\r\n221-second\r\n221 last\r\n");
    });
    RecordingConnection connection;
    ASSERT_TRUE(ConnectPlain(connection, server));
    EXPECT_EQ(connection.LastReplyText(), longLine);
    EXPECT_TRUE(connection.Disconnect(true));
    // The first line with the expected code wins; the rest stays with it.
    EXPECT_EQ(connection.LastReplyText(), "221-first\r\n221-second\r\n221 last");
}

TEST(MailConnection, ServerThatStopsAnsweringTimesOut)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.ReadLine(); // MAIL FROM, never answered
        s.WaitForClose();
    });
    RecordingConnection connection;
    ASSERT_TRUE(ConnectPlain(connection, server));
    connection.SetReplyTimeout(150);
    EXPECT_FALSE(connection.AwaitReply(250, false));
    EXPECT_EQ(connection.LastError(), ETIMEDOUT);
    EXPECT_TRUE(connection.Reported("CMailConnection::ReadResponse, Timed Out waiting for response from SMTP server"));
    EXPECT_FALSE(connection.Disconnect(true));
    EXPECT_EQ(connection.LastError(), 22);
}

TEST(MailConnection, SilentGreetingFailsConnectAndStillSendsQuit)
{
    SmtpTestServer server([](SmtpTestSession& s) { s.ReadLine(); });
    RecordingConnection connection;
    connection.SetReplyTimeout(150);
    EXPECT_FALSE(connection.Connect("127.0.0.1", SmtpLoginMethod::None, "", "", server.Port()));
    EXPECT_FALSE(connection.IsConnected());
    server.Join();
    EXPECT_EQ(server.Lines(), (Lines { "QUIT" }));
    EXPECT_TRUE(connection.Reported("Timed Out waiting"));
    EXPECT_TRUE(connection.Reported("CMailConnection::Connect, An unexpected SMTP login response was received"));
}

TEST(MailConnection, ConnectFailuresCarryTheirErrors)
{
    RecordingConnection refused;
    const std::uint16_t port = UnusedPort();
    EXPECT_FALSE(refused.Connect("127.0.0.1", SmtpLoginMethod::None, "", "", port));
    EXPECT_EQ(refused.LastError(), ECONNREFUSED);
    EXPECT_EQ(refused.FailureReason(), "Connection refused");
    EXPECT_TRUE(refused.Reported("CMailConnection::Connect, Could not connect to the SMTP server 127.0.0.1 on port "
        + std::to_string(port) + ", GetLastError returns: " + std::to_string(ECONNREFUSED)));

    RecordingConnection unresolved;
    EXPECT_FALSE(unresolved.Connect("bad..host", SmtpLoginMethod::None, "", "", 25, "127.0.0.1"));
    EXPECT_EQ(unresolved.LastError(), EINVAL);
    EXPECT_EQ(unresolved.FailureReason(), "the host name cannot be resolved");
    EXPECT_TRUE(unresolved.Reported("Could not connect to the SMTP server bad..host on port 25 from "
                                    "LocalAddress:127.0.0.1, GetLastError returns: 22"));
    // Never connected: Disconnect says so and still closes the socket.
    EXPECT_FALSE(unresolved.Disconnect(true));
    EXPECT_TRUE(
        unresolved.Reported("CMailConnection::Disconnect, Already disconnected from SMTP server, doing nothing"));
}

TEST(MailConnection, HeloNameAutoMeansTheComputerName)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.Quit();
    });
    RecordingConnection connection;
    ASSERT_TRUE(connection.Connect("127.0.0.1", SmtpLoginMethod::None, "", "", server.Port()));
    EXPECT_TRUE(connection.Disconnect(true));
    server.Join();
    EXPECT_EQ(server.Lines().at(0), "HELO " + CSystemInfo::ComputerName());

    SmtpTestServer second([](SmtpTestSession& s) { s.Greet(); });
    RecordingConnection other;
    other.SetHeloHostName("Auto");
    ASSERT_TRUE(other.Connect("127.0.0.1", SmtpLoginMethod::None, "", "", second.Port()));
    // Without QUIT the server only sees the connection close.
    EXPECT_FALSE(other.Disconnect(false));
    second.Join();
    EXPECT_EQ(second.Lines(), (Lines { "HELO Auto" }));
}

TEST(MailConnection, RecipientAnswered251EndsTheTransaction)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.ReadLine();
        s.Send("250 sender ok\r\n");
        s.ReadLine();
        s.Send("251 user not local; will forward\r\n");
        s.Quit();
    });
    FakeClock clock;
    CMailMessage message(clock, [] { return std::string("b"); });
    message.Sender = CMailAddress("", "from@example.org");
    message.ParseRecipientList("one@example.org, two@example.org", RecipientKind::To);
    RecordingConnection connection;
    ASSERT_TRUE(ConnectPlain(connection, server));
    EXPECT_FALSE(connection.SendMessage(message));
    EXPECT_EQ(connection.LastError(), 22);
    EXPECT_TRUE(connection.Reported("CMailConnection::SendRCPTForRecipient, An unexpected RCPT response was received"));
    EXPECT_TRUE(connection.Disconnect(true));
    server.Join();
    EXPECT_EQ(server.Lines(),
        (Lines { "HELO client.test", "MAIL FROM:<from@example.org>", "RCPT TO:<one@example.org>", "QUIT" }));
}

TEST(MailConnection, LineBreaksInAddressesNeverReachTheServer)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.ReadLine();
        s.Send("250 sender ok\r\n");
        s.Quit();
    });
    FakeClock clock;
    CMailMessage message(clock, [] { return std::string("b"); });
    message.Sender = CMailAddress("", "from@example.org");
    message.AppendRecipient(CMailAddress("", "x@example.org>\r\nRCPT TO:<victim@example.org"), RecipientKind::To);
    RecordingConnection connection;
    ASSERT_TRUE(ConnectPlain(connection, server));
    EXPECT_FALSE(connection.SendMessage(message));
    EXPECT_EQ(connection.LastError(), EINVAL);
    EXPECT_EQ(connection.FailureReason(), "a line break in an address or user name");
    EXPECT_TRUE(connection.Disconnect(true));
    server.Join();
    EXPECT_EQ(server.Lines(), (Lines { "HELO client.test", "MAIL FROM:<from@example.org>", "QUIT" }));
}

TEST(MailConnection, SinglePartMessageIsDotStuffedAndSentWhole)
{
    // Larger than any socket buffer, so the kernel takes it in parts.
    const std::string bulk(6 << 20, 'q');
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.AcceptMessage(2);
        s.Quit();
    });
    FakeClock clock;
    CMailMessage message(clock, [] { return std::string("b"); });
    message.Sender = CMailAddress("", "from@example.org");
    message.AppendRecipient(CMailAddress("", "to@example.org"), RecipientKind::To);
    message.AttachBodyText(".hidden\n.\nQUIT\n" + bulk);
    RecordingConnection connection;
    ASSERT_TRUE(ConnectPlain(connection, server));
    EXPECT_TRUE(connection.SendMessage(message));
    EXPECT_TRUE(connection.Disconnect(true));
    server.Join();
    const std::string expected = message.BuildHeaderText() + "\r\n..hidden\r\n..\r\nQUIT\r\n" + bulk;
    EXPECT_EQ(server.Data().size(), expected.size());
    EXPECT_TRUE(server.Data() == expected);
    EXPECT_EQ(server.Lines().back(), "QUIT");
}

TEST(MailConnection, UnexpectedRepliesToTheTransactionFail)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.ReadLine();
        s.Send("550 sender refused\r\n");
        s.ReadLine();
        s.Send("500 what\r\n");
    });
    FakeClock clock;
    CMailMessage message(clock, [] { return std::string("b"); });
    RecordingConnection connection;
    ASSERT_TRUE(ConnectPlain(connection, server));
    EXPECT_FALSE(connection.SendMessage(message));
    EXPECT_TRUE(connection.Reported("CMailConnection::SendMessage, An unexpected MAIL response was received"));
    EXPECT_EQ(connection.LastReplyCode(), 550);
    EXPECT_FALSE(connection.Disconnect(true));
    EXPECT_TRUE(connection.Reported("CMailConnection::Disconnect, An unexpected QUIT response was received"));
    EXPECT_FALSE(connection.IsConnected());
}

TEST(MailConnection, HostileServersNeverCrashOrGrowWithoutBound)
{
    // Endless bytes without a line end: cut off at the reply size limit.
    SmtpTestServer endless([](SmtpTestSession& s) { s.Send(std::string(3 << 20, 'A')); });
    RecordingConnection first;
    first.SetReplyTimeout(2000);
    EXPECT_FALSE(first.Connect("127.0.0.1", SmtpLoginMethod::None, "", "", endless.Port()));
    EXPECT_TRUE(first.Reported("CMailConnection::ReadResponse, The response from the SMTP server is too long"));
    endless.Join();

    // Binary junk, a zero byte among it, ending in a line end.
    SmtpTestServer junk([](SmtpTestSession& s) { s.Send(std::string("\x00\xff\x02\x80junk\r\n\x7f\r\n", 12)); });
    RecordingConnection second;
    second.SetReplyTimeout(2000);
    EXPECT_FALSE(second.Connect("127.0.0.1", SmtpLoginMethod::None, "", "", junk.Port()));
    EXPECT_TRUE(second.Reported("An unexpected SMTP login response was received"));
    junk.Join();

    // A reply without a line end, then the server goes away.
    SmtpTestServer vanishing([](SmtpTestSession& s) { s.Send("220 no line end"); });
    RecordingConnection third;
    third.SetReplyTimeout(2000);
    EXPECT_FALSE(third.Connect("127.0.0.1", SmtpLoginMethod::None, "", "", vanishing.Port()));
    vanishing.Join();

    // The server leaves after the greeting: later sends meet a closed peer.
    SmtpTestServer leaving([](SmtpTestSession& s) { s.Greet(); });
    RecordingConnection fourth;
    ASSERT_TRUE(ConnectPlain(fourth, leaving));
    leaving.Join();
    FakeClock clock;
    CMailMessage message(clock, [] { return std::string("b"); });
    EXPECT_FALSE(fourth.SendMessage(message));
    EXPECT_FALSE(fourth.SendMessage(message));
    EXPECT_FALSE(fourth.Disconnect(true));
}
