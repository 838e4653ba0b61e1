#include "RecordingConnection.h"
#include "SmtpTestServer.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "common/TestCertificates.h"
#include "mail/MailMessage.h"
#include "platform/SharedLibrary.h"
#include "platform/tls/OpenSslChannel.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// One authority and server certificate for the whole program: key
// generation is the slow part.
const TestPki& Pki()
{
    static const TestPki pki = MakeTestPki("localhost");
    return pki;
}

class SmtpTls : public ::testing::Test {
protected:
    void SetUp() override { m_caFile = m_dir.Write("ca.pem", Pki().CaPem); }

    const std::string& CaFile() const { return m_caFile; }

    static void Transaction(SmtpTestSession& s)
    {
        s.AcceptMessage(2);
        s.Quit();
    }

    static void SendOneMessage(CMailConnection& connection)
    {
        FakeClock clock;
        CMailMessage message(clock, [] { return std::string("b"); });
        message.Sender = CMailAddress("", "from@example.org");
        message.AppendRecipient(CMailAddress("", "to@example.org"), RecipientKind::To);
        message.AttachBodyText("secret body");
        EXPECT_TRUE(connection.SendMessage(message));
        EXPECT_TRUE(connection.Disconnect(true));
    }

private:
    TempDir m_dir;
    std::string m_caFile;
};

} // namespace

TEST_F(SmtpTls, StartTlsUpgradesBeforeTheGreeting)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Send("220 mail.example.org ESMTP\r\n");
        s.ReadLine();
        s.Send("250-mail.example.org\r\n250 STARTTLS\r\n");
        s.ReadLine();
        s.Send("220 ready to start TLS\r\n");
        if (!s.StartTls(Pki().ServerCertificatePem, Pki().ServerKeyPem))
            return;
        s.ReadLine();
        s.Send("250 mail.example.org\r\n");
        Transaction(s);
    });
    RecordingConnection connection;
    connection.SetHeloHostName("client.test");
    connection.SetSecurity(SmtpSecurity::StartTls, CaFile());
    ASSERT_TRUE(connection.Connect("localhost", SmtpLoginMethod::None, "", "", server.Port()));
    SendOneMessage(connection);
    server.Join();
    EXPECT_EQ(server.Lines(),
        (Lines { "EHLO client.test", "STARTTLS", "HELO client.test", "MAIL FROM:<from@example.org>",
            "RCPT TO:<to@example.org>", "DATA", "QUIT" }));
    EXPECT_NE(server.Data().find("secret body"), std::string::npos);
}

TEST_F(SmtpTls, ImplicitTlsCarriesTheLoginFromTheFirstByte)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        if (!s.StartTls(Pki().ServerCertificatePem, Pki().ServerKeyPem))
            return;
        s.Send("220 mail.example.org ESMTP\r\n");
        s.ReadLine();
        s.Send("250-mail.example.org\r\n250 AUTH LOGIN\r\n");
        s.AskLogin();
        s.Send("235 ok\r\n");
        Transaction(s);
    });
    RecordingConnection connection;
    connection.SetHeloHostName("client.test");
    connection.SetSecurity(SmtpSecurity::Tls, CaFile());
    ASSERT_TRUE(connection.Connect("localhost", SmtpLoginMethod::Login, "user", "pass", server.Port()));
    SendOneMessage(connection);
    server.Join();
    EXPECT_EQ(server.Lines().at(1), "AUTH LOGIN");
    EXPECT_NE(server.Data().find("secret body"), std::string::npos);
}

TEST_F(SmtpTls, CertificateForAnotherNameIsRefused)
{
    SmtpTestServer server([](SmtpTestSession& s) { s.StartTls(Pki().ServerCertificatePem, Pki().ServerKeyPem); });
    RecordingConnection connection;
    connection.SetSecurity(SmtpSecurity::Tls, CaFile());
    connection.SetReplyTimeout(5000);
    // The certificate names "localhost", not the address.
    EXPECT_FALSE(connection.Connect("127.0.0.1", SmtpLoginMethod::None, "", "", server.Port()));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_TRUE(connection.Reported("CMailConnection::Connect, TLS negotiation with the SMTP server 127.0.0.1 failed: "
                                    "the server's certificate was refused: "));
    EXPECT_TRUE(connection.Reported("mismatch"));
}

TEST_F(SmtpTls, CertificateFromAnUntrustedAuthorityIsRefused)
{
    const TestPki other = MakeTestPki("localhost");
    SmtpTestServer server([&](SmtpTestSession& s) {
        s.Send("220 mail.example.org ESMTP\r\n");
        s.ReadLine();
        s.Send("250 STARTTLS\r\n");
        s.ReadLine();
        s.Send("220 go\r\n");
        s.StartTls(other.ServerCertificatePem, other.ServerKeyPem);
    });
    RecordingConnection connection;
    connection.SetSecurity(SmtpSecurity::StartTls, CaFile());
    connection.SetReplyTimeout(5000);
    EXPECT_FALSE(connection.Connect("localhost", SmtpLoginMethod::None, "", "", server.Port()));
    EXPECT_TRUE(connection.Reported("the server's certificate was refused"));
    server.Join();
}

TEST_F(SmtpTls, ServerWithoutStartTlsIsLeftAlone)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        s.Greet();
        s.ReadLine();
        s.Send("502 5.5.1 command not implemented\r\n");
        s.Quit();
    });
    RecordingConnection connection;
    connection.SetHeloHostName("client.test");
    connection.SetSecurity(SmtpSecurity::StartTls, CaFile());
    EXPECT_FALSE(connection.Connect("localhost", SmtpLoginMethod::Login, "user", "pass", server.Port()));
    EXPECT_TRUE(connection.Reported("CMailConnection::StartTls, The SMTP server localhost does not offer STARTTLS"));
    server.Join();
    // Nothing secret went out in plain text.
    EXPECT_EQ(server.Lines(), (Lines { "EHLO client.test", "STARTTLS", "QUIT" }));
}

namespace {

// Channels for the client side come from factory while this lives; the
// test programs' own (OpenSSL's, linked in) afterwards.
class ClientChannels {
public:
    explicit ClientChannels(CTlsChannel::Factory factory) { CTlsChannel::SetFactory(std::move(factory)); }
    ~ClientChannels() { CTlsChannel::SetFactory(NewOpenSslChannel); }
    ClientChannels(const ClientChannels&) = delete;
    ClientChannels& operator=(const ClientChannels&) = delete;
};

void ServeImplicitTls(SmtpTestSession& s)
{
    if (!s.StartTls(Pki().ServerCertificatePem, Pki().ServerKeyPem))
        return;
    s.Send("220 mail.example.org ESMTP\r\n");
    s.ReadLine();
    s.Send("250 mail.example.org\r\n");
    s.AcceptMessage(2);
    s.Quit();
}

} // namespace

// The library the program loads for its first TLS connection, as built:
// it holds the whole channel and takes nothing else from the program than
// what every program holds.
TEST_F(SmtpTls, TheProgramsTlsLibraryCarriesTheMail)
{
    static CSharedLibrary library;
    static const auto entry = library.Open(KORVANE_TLS_LIBRARY_FILE)
        ? reinterpret_cast<TlsChannelEntry>(library.Symbol(kTlsChannelEntry))
        : nullptr;
    ASSERT_NE(entry, nullptr) << library.Error();
    const ClientChannels channels([] { return std::unique_ptr<CTlsChannel>(entry()); });
    SmtpTestServer server(ServeImplicitTls);
    RecordingConnection connection;
    connection.SetSecurity(SmtpSecurity::Tls, CaFile());
    ASSERT_TRUE(connection.Connect("localhost", SmtpLoginMethod::None, "", "", server.Port()));
    SendOneMessage(connection);
    server.Join();
    EXPECT_NE(server.Data().find("secret body"), std::string::npos);
}

// A test program has no TLS library beside it, as a program whose library
// went missing: the connection fails and says why, nothing is sent in clear.
TEST_F(SmtpTls, WithoutItsTlsLibraryTheConnectionFailsSayingWhy)
{
    const ClientChannels channels({});
    SmtpTestServer server(ServeImplicitTls);
    RecordingConnection connection;
    connection.SetSecurity(SmtpSecurity::Tls, CaFile());
    connection.SetReplyTimeout(5000);
    EXPECT_FALSE(connection.Connect("localhost", SmtpLoginMethod::None, "", "", server.Port()));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_TRUE(connection.Reported("failed: the TLS library cannot be loaded: "))
        << testing::PrintToString(connection.Failures);
    EXPECT_TRUE(connection.Reported("libkorvane-tls.so: cannot open shared object file"));
    server.Join();
    EXPECT_TRUE(server.Lines().empty());
}
