#include "RunnerFixture.h"
#include "common/FakePasswordStore.h"
#include "mail/SummaryMail.h"
#include "platform/TcpSocket.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// A scheduled run whose summary mail logs in with a password the desktop
// keyring keeps, sent by the real mailer to a loopback port.
class KeyringMailTest : public RunnerFixture {
protected:
    KeyringMailTest()
    {
        CSet& set = session.Sets[0];
        set.Schedule.Active = 1;
        set.Schedule.SendEmail = 1;
        set.Schedule.Email = "ops@example.org";
        EXPECT_TRUE(server.Listen("127.0.0.1", 0));
        auto& s = settings.Scheduler;
        s.SMTPServer = "127.0.0.1";
        s.SMTPPort = server.LocalPort();
        s.SMTPLoginRequired = 1;
        s.SMTPLogin = "backup";
        s.SMTPPasswordInKeyring = 1;
        s.TrayBalloons = 0;
        copy = set;
    }

    RunResult RunWithTheRealMailer()
    {
        holder.Replace(settings);
        CSummaryMail mail(&keyring);
        CActionRunner runner(session, holder, flags,
            CActionRunner::Services { prompter, display, sounds, mail, powerOff, media, clock });
        return runner.RunScheduled(copy);
    }

    CTcpSocket server;
    FakePasswordStore keyring;
    CSet copy;
};

} // namespace

TEST_F(KeyringMailTest, AnUnreachableKeyringLeavesAClearErrorRecordAndNoConnection)
{
    keyring.unreachable = true;
    EXPECT_EQ(RunWithTheRealMailer(), RunResult::Completed) << "the backup itself went well";

    const std::string text
        = "Failed to send the summary e-mail through the SMTP server 127.0.0.1:" + std::to_string(server.LocalPort())
        + ": the password is kept in the desktop keyring, which cannot be reached: Cannot autolaunch D-Bus without "
          "X11 $DISPLAY";
    const auto records = LogRecords();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[2], "1\t0\tBackup completed for 'Docs'");
    EXPECT_EQ(records[3], "2\t0\t" + text);
    ASSERT_EQ(display.outcomes.size(), 1u);
    EXPECT_EQ(display.outcomes[0].Text, "Scheduled backup of set 'Docs' failed: " + text);
    CTcpSocket client;
    EXPECT_FALSE(server.Accept(client, 0)) << "the mail never went out without its password";
}

TEST_F(KeyringMailTest, WithTheBoxOffTheKeyringIsNeverAsked)
{
    settings.Scheduler.SMTPPasswordInKeyring = 0;
    settings.Scheduler.SMTPPassword = "from the file";
    keyring.unreachable = true;
    server.Close(); // refused: the mail fails in the server's way, not the keyring's
    EXPECT_EQ(RunWithTheRealMailer(), RunResult::Completed);
    EXPECT_EQ(keyring.requests, 0);
    const auto records = LogRecords();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[3].find("keyring"), std::string::npos) << records[3];
}
