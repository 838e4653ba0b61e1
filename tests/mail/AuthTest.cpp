#include "RecordingConnection.h"
#include "SmtpTestServer.h"
#include "mail/Base64Codec.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <utility>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

std::string Base64(const std::string& text)
{
    CBase64Codec codec;
    codec.EncodeBytes(text.data(), text.size());
    return codec.EncodedText();
}

// Greeting and a multi-line EHLO reply.
void Greet(SmtpTestSession& s)
{
    s.Send("220 mail.example.org ESMTP\r\n");
    s.ReadLine();
    s.Send("250-mail.example.org\r\n250-SIZE 1000000\r\n250 AUTH LOGIN CRAM-MD5\r\n");
}

// The expected CRAM-MD5 answer, computed by OpenSSL's own HMAC.
std::string CramAnswer(const std::string& user, const std::string& password, const std::string& challenge)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_md5(), password.data(), static_cast<int>(password.size()),
        reinterpret_cast<const unsigned char*>(challenge.data()), challenge.size(), digest, &length);
    std::string hex;
    char pair[3];
    for (unsigned i = 0; i < length; ++i) {
        std::snprintf(pair, sizeof(pair), "%02x", digest[i]);
        hex += pair;
    }
    return Base64(user + " " + hex);
}

bool ConnectWith(CMailConnection& connection, const SmtpTestServer& server, SmtpLoginMethod method,
    const std::string& user, const std::string& password)
{
    connection.SetHeloHostName("client.test");
    connection.SetReplyTimeout(5000);
    return connection.Connect("127.0.0.1", method, user, password, server.Port());
}

} // namespace

TEST(SmtpAuth, AuthLoginSendsBase64CredentialsAfterASplitEhloReply)
{
    ReceiveSignal received;
    SmtpTestServer server([&](SmtpTestSession& s) {
        s.Send("220 mail.example.org ESMTP\r\n");
        s.ReadLine();
        s.Send("250-mail.example.org\r\n250-SIZE 1000000\r\n");
        received.WaitFor(2);
        s.Send("250 AUTH LOGIN\r\n");
        s.AskLogin();
        s.Send("235 2.7.0 Authentication successful\r\n");
        s.Quit();
    });
    RecordingConnection connection(std::make_unique<SignallingSocket>(received));
    ASSERT_TRUE(ConnectWith(connection, server, SmtpLoginMethod::Login, "backup@example.org", "s3cret"));
    EXPECT_TRUE(connection.Disconnect(true));
    server.Join();
    EXPECT_EQ(server.Lines(),
        (Lines { "EHLO client.test", "AUTH LOGIN", Base64("backup@example.org"), Base64("s3cret"), "QUIT" }));
    EXPECT_TRUE(connection.Failures.empty());
}

// Prompts as the LOGIN mechanism's draft words them, as some servers send
// them (with a trailing zero byte), and in an unexpected case: the first 334
// always gets the user name and the second the password.
TEST(SmtpAuth, AuthLoginIgnoresTheWordingOfThePrompts)
{
    const std::vector<std::pair<std::string, std::string>> prompts {
        { "User Name", "Password" },
        { std::string("User Name\0", 10), std::string("Password\0", 9) },
        { "username:", "password:" },
        { "", "" },
    };
    for (const auto& [first, second] : prompts) {
        SmtpTestServer server([&](SmtpTestSession& s) {
            Greet(s);
            s.ReadLine();
            s.Send("334 " + Base64(first) + "\r\n");
            s.ReadLine();
            s.Send("334 " + Base64(second) + "\r\n");
            s.ReadLine();
            s.Send("235 2.7.0 Authentication successful\r\n");
            s.Quit();
        });
        RecordingConnection connection;
        ASSERT_TRUE(ConnectWith(connection, server, SmtpLoginMethod::Login, "backup@example.org", "s3cret")) << first;
        EXPECT_TRUE(connection.Disconnect(true));
        server.Join();
        EXPECT_EQ(server.Lines(),
            (Lines { "EHLO client.test", "AUTH LOGIN", Base64("backup@example.org"), Base64("s3cret"), "QUIT" }))
            << first;
        EXPECT_TRUE(connection.Failures.empty()) << first;
    }
}

TEST(SmtpAuth, AuthLoginWithAWrongPasswordFailsAtTheEnd)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        Greet(s);
        s.AskLogin();
        s.Send("535 5.7.8 Authentication credentials invalid\r\n");
        s.Quit();
    });
    RecordingConnection connection;
    EXPECT_FALSE(ConnectWith(connection, server, SmtpLoginMethod::Login, "user", "wrong"));
    EXPECT_TRUE(connection.Reported("CMailConnection::AuthLogin, AUTH LOGIN authentication was unsuccessful"));
    EXPECT_EQ(connection.LastError(), EPROTONOSUPPORT);
    server.Join();
    EXPECT_EQ(server.Lines().back(), "QUIT");
}

TEST(SmtpAuth, CramMd5AnswersTheRfc2195Example)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        Greet(s);
        s.ReadLine();
        s.Send("334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+\r\n");
        s.ReadLine();
        s.Send("235 ok\r\n");
        s.Quit();
    });
    RecordingConnection connection;
    ASSERT_TRUE(ConnectWith(connection, server, SmtpLoginMethod::CramMd5, "tim", "tanstaaftanstaaf"));
    EXPECT_TRUE(connection.Disconnect(true));
    server.Join();
    EXPECT_EQ(server.Lines(),
        (Lines { "EHLO client.test", "AUTH CRAM-MD5", "dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw", "QUIT" }));
}

TEST(SmtpAuth, CramMd5WithAPasswordLongerThanABlock)
{
    const std::string password(100, 'p');
    const std::string challenge = "<42.1700000000@mail.example.org>";
    SmtpTestServer server([&](SmtpTestSession& s) {
        Greet(s);
        s.ReadLine();
        s.Send("334 " + Base64(challenge) + "\r\n");
        const std::string answer = s.ReadLine();
        s.Send(answer == CramAnswer("user", password, challenge) ? "235 ok\r\n" : "535 no\r\n");
        s.Quit();
    });
    RecordingConnection connection;
    EXPECT_TRUE(ConnectWith(connection, server, SmtpLoginMethod::CramMd5, "user", password));
    EXPECT_TRUE(connection.Failures.empty());
}

TEST(SmtpAuth, UnsupportedMechanismFailsWithoutFallingBack)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        Greet(s);
        s.ReadLine();
        s.Send("504 5.5.4 Unrecognized authentication type\r\n");
        s.Quit();
    });
    RecordingConnection connection;
    EXPECT_FALSE(ConnectWith(connection, server, SmtpLoginMethod::CramMd5, "user", "pass"));
    EXPECT_TRUE(connection.Reported("CMailConnection::CramLogin, Server does not support AUTH CRAM-MD5"));
    server.Join();
    EXPECT_EQ(server.Lines(), (Lines { "EHLO client.test", "AUTH CRAM-MD5", "QUIT" }));
}

TEST(SmtpAuth, LoginPlainAnswersBothPromptsWhateverTheirWording)
{
    const std::vector<std::pair<std::string, std::string>> prompts {
        { "Username:", "Password:" },
        { "User Name", "Password" },
        { std::string("User Name\0", 10), std::string("Password\0", 9) },
        { "Go on", "" },
    };
    for (const auto& [first, second] : prompts) {
        SmtpTestServer server([&](SmtpTestSession& s) {
            Greet(s);
            s.ReadLine();
            s.Send("334 " + first + "\r\n");
            s.ReadLine();
            s.Send("334 " + second + "\r\n");
            s.ReadLine();
            s.Send("235 ok\r\n");
            s.Quit();
        });
        RecordingConnection connection;
        ASSERT_TRUE(ConnectWith(connection, server, SmtpLoginMethod::LoginPlain, "user", "pass")) << first;
        EXPECT_TRUE(connection.Disconnect(true));
        server.Join();
        EXPECT_EQ(server.Lines(), (Lines { "EHLO client.test", "AUTH LOGIN PLAIN", "user", "pass", "QUIT" })) << first;
    }
}

TEST(SmtpAuth, LoginPlainWithAWrongPasswordFailsAtTheEnd)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        Greet(s);
        s.ReadLine();
        s.Send("334 User Name\r\n");
        s.ReadLine();
        s.Send("334 Password\r\n");
        s.ReadLine();
        s.Send("535 5.7.8 Authentication credentials invalid\r\n");
        s.Quit();
    });
    RecordingConnection connection;
    EXPECT_FALSE(ConnectWith(connection, server, SmtpLoginMethod::LoginPlain, "user", "wrong"));
    EXPECT_TRUE(
        connection.Reported("CMailConnection::AuthLoginPlain, AUTH LOGIN PLAIN authentication was unsuccessful"));
    server.Join();
    EXPECT_EQ(server.Lines(), (Lines { "EHLO client.test", "AUTH LOGIN PLAIN", "user", "wrong", "QUIT" }));
}

TEST(SmtpAuth, UnknownLoginMethodSendsEhloAndFails)
{
    SmtpTestServer server([](SmtpTestSession& s) {
        Greet(s);
        s.Quit();
    });
    RecordingConnection connection;
    EXPECT_FALSE(ConnectWith(connection, server, static_cast<SmtpLoginMethod>(9), "user", "pass"));
    server.Join();
    EXPECT_EQ(server.Lines(), (Lines { "EHLO client.test", "QUIT" }));
}
