#include "app/PasswordKeeper.h"

#include "SettingsTestFiles.h"
#include "app/Conversion.h"
#include "app/SettingsStore.h"
#include "common/FakePasswordStore.h"
#include "common/TempDir.h"
#include "common/TestApplication.h"
#include "core/SettingsHolder.h"
#include "platform/MyRegistry.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kKey = "SMTPPassword";

// The dialog's OK through the keeper, with the real settings file behind
// the holder and a keyring in memory.
class PasswordKeeperTest : public ::testing::Test {
protected:
    PasswordKeeperTest()
    {
        EnsureTestApplication();
        WipeSettingsAndRegistrations();
        SettingsRecord start;
        start.ModulePath = "/opt/korvane/bin/korvane";
        start.Scheduler.SMTPServer = "mail.example.org";
        start.Scheduler.SMTPLoginRequired = 1;
        start.Scheduler.SMTPLogin = "backup";
        start.Scheduler.SMTPPassword = "s3cret";
        holder.Apply(start);
    }
    ~PasswordKeeperTest() override { WipeSettingsAndRegistrations(); }

    // Lets the keyring's answers reach the interface thread.
    static void Settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    // The dialog's record: the current settings with the box and the
    // password field as given.
    SettingsRecord Dialog(bool keyring, const std::string& password) const
    {
        SettingsRecord record = *holder.Get();
        record.Scheduler.SMTPPasswordInKeyring = keyring ? 1 : 0;
        record.Scheduler.SMTPPassword = password;
        return record;
    }

    static std::string FileText() { return TempDir::Read(CMyRegistry::FilePath()); }
    static bool FileHoldsAPassword() { return FileText().find("SMTPPassword=") != std::string::npos; }
    static SettingsRecord Loaded()
    {
        SettingsRecord record;
        LoadSettings(record);
        return record;
    }

    // Switches the keyring on and lets it confirm.
    void SwitchOn()
    {
        keeper->Apply(Dialog(true, "s3cret"));
        Settle();
        ASSERT_EQ(holder.Get()->Scheduler.SMTPPasswordInKeyring, 1);
        reports.clear();
    }

    CSettingsHolder holder { {}, [](const SettingsRecord& record) { SaveSettings(record); } };
    FakePasswordStore keyring;
    std::vector<std::string> reports;
    std::unique_ptr<CPasswordKeeper> keeper = std::make_unique<CPasswordKeeper>(
        holder, keyring, [this](const std::string& text) { reports.push_back(text); });
};

} // namespace

TEST_F(PasswordKeeperTest, SwitchingOnEmptiesTheFileOnlyAfterTheKeyringConfirmed)
{
    ASSERT_TRUE(FileHoldsAPassword());
    keyring.holding = true;
    SettingsRecord dialog = Dialog(true, "s3cret");
    dialog.Scheduler.SMTPPort = 587; // the rest of the OK is applied at once
    keeper->Apply(dialog);
    Settle();
    EXPECT_EQ(holder.Get()->Scheduler.SMTPPort, 587);
    EXPECT_TRUE(FileHoldsAPassword()) << "the keyring has not answered yet";
    EXPECT_EQ(Loaded().Scheduler.SMTPPassword, "s3cret");
    EXPECT_EQ(Loaded().Scheduler.SMTPPasswordInKeyring, 0);

    keyring.Release();
    Settle();
    EXPECT_EQ(keyring.Entry(kKey), "s3cret");
    EXPECT_FALSE(FileHoldsAPassword()) << FileText();
    EXPECT_EQ(FileText().find(ScramblePassword("s3cret")), std::string::npos);
    EXPECT_EQ(Loaded().Scheduler.SMTPPasswordInKeyring, 1);
    EXPECT_EQ(holder.Get()->Scheduler.SMTPPassword, "") << "the running program holds none either";
    EXPECT_EQ(holder.Get()->Scheduler.SMTPPasswordInKeyring, 1);
    EXPECT_TRUE(reports.empty());
}

TEST_F(PasswordKeeperTest, AKeyringThatCannotBeReachedLeavesThePasswordInTheFile)
{
    keyring.unreachable = true;
    keeper->Apply(Dialog(true, "s3cret"));
    Settle();
    EXPECT_EQ(holder.Get()->Scheduler.SMTPPasswordInKeyring, 0);
    EXPECT_EQ(Loaded().Scheduler.SMTPPassword, "s3cret");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0],
        "The password could not be stored in the desktop keyring: Cannot autolaunch D-Bus without X11 $DISPLAY\n"
        "It stays in the settings file, and the keyring is not used.");
}

TEST_F(PasswordKeeperTest, SwitchingOffTakesThePasswordBackBeforeTheKeyringForgetsIt)
{
    SwitchOn();
    keyring.holding = true;
    keeper->Apply(Dialog(false, ""));
    Settle();
    EXPECT_EQ(holder.Get()->Scheduler.SMTPPasswordInKeyring, 1) << "in use until its password is back";
    EXPECT_TRUE(keyring.Holds(kKey));

    keyring.Release();
    Settle();
    keyring.Release(); // the removal that followed the read
    Settle();
    EXPECT_EQ(holder.Get()->Scheduler.SMTPPasswordInKeyring, 0);
    EXPECT_EQ(holder.Get()->Scheduler.SMTPPassword, "s3cret");
    EXPECT_EQ(Loaded().Scheduler.SMTPPassword, "s3cret");
    CMyRegistry registry;
    registry.OpenKey("Software\\Zellik Software\\Korvane\\Settings\\Scheduler");
    EXPECT_EQ(registry.ReadString("SMTPPassword", ""), ScramblePassword("s3cret")) << "the specified stored form";
    EXPECT_FALSE(keyring.Holds(kKey));
    EXPECT_TRUE(reports.empty());
}

TEST_F(PasswordKeeperTest, SwitchingOffWithAnUnreachableKeyringKeepsItInUse)
{
    SwitchOn();
    keyring.unreachable = true;
    keeper->Apply(Dialog(false, ""));
    Settle();
    EXPECT_EQ(holder.Get()->Scheduler.SMTPPasswordInKeyring, 1);
    EXPECT_FALSE(FileHoldsAPassword());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].substr(0, 58), "The password could not be taken back from the desktop keyr");

    // A password typed anew needs no keyring to go back to the file.
    reports.clear();
    keeper->Apply(Dialog(false, "n3w"));
    Settle();
    EXPECT_EQ(Loaded().Scheduler.SMTPPassword, "n3w");
    EXPECT_EQ(Loaded().Scheduler.SMTPPasswordInKeyring, 0);
    ASSERT_EQ(reports.size(), 1u) << "the keyring's copy could not be removed";
    EXPECT_EQ(reports[0].substr(0, 52), "The password was taken back into the settings file, ");
}

TEST_F(PasswordKeeperTest, WhileInUseAnEmptyFieldKeepsTheKeyringsPasswordAndANewOneReplacesIt)
{
    SwitchOn();
    SettingsRecord dialog = Dialog(true, "");
    dialog.Scheduler.SMTPLogin = "other";
    keeper->Apply(dialog);
    Settle();
    EXPECT_EQ(keyring.Entry(kKey), "s3cret");
    EXPECT_EQ(holder.Get()->Scheduler.SMTPLogin, "other");

    keeper->Apply(Dialog(true, "n3w"));
    Settle();
    EXPECT_EQ(keyring.Entry(kKey), "n3w");
    EXPECT_FALSE(FileHoldsAPassword());

    keyring.unreachable = true;
    keeper->Apply(Dialog(true, "n3wer"));
    Settle();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].substr(0, 60), "The new password could not be stored in the desktop keyring:");
    EXPECT_FALSE(FileHoldsAPassword());
}

TEST_F(PasswordKeeperTest, ALaterOkWinsOverAMoveStillUnderWay)
{
    keyring.holding = true;
    keeper->Apply(Dialog(true, "s3cret"));
    keeper->Apply(Dialog(false, "s3cret")); // the user changed their mind
    keyring.Release();
    Settle();
    EXPECT_EQ(holder.Get()->Scheduler.SMTPPasswordInKeyring, 0);
    EXPECT_EQ(Loaded().Scheduler.SMTPPassword, "s3cret");
}

TEST_F(PasswordKeeperTest, AnAnswerAfterTheKeeperIsGoneChangesNothing)
{
    keyring.holding = true;
    keeper->Apply(Dialog(true, "s3cret"));
    keeper.reset();
    keyring.Release();
    Settle();
    EXPECT_EQ(holder.Get()->Scheduler.SMTPPasswordInKeyring, 0);
    EXPECT_TRUE(FileHoldsAPassword());
}

TEST_F(PasswordKeeperTest, WithTheBoxOffAnOkIsAppliedAsBefore)
{
    keeper->Apply(Dialog(false, "changed"));
    EXPECT_EQ(Loaded().Scheduler.SMTPPassword, "changed") << "saved at once, without the keyring";
    EXPECT_EQ(keyring.requests, 0);
}
