#include "app/SettingsStore.h"

#include "SettingsTestFiles.h"
#include "app/Conversion.h"
#include "app/ShellIntegration.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "platform/MyRegistry.h"
#include "platform/SmallFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { WipeSettingsAndRegistrations(); }
    void TearDown() override { WipeSettingsAndRegistrations(); }

    const std::string m_program = "/opt/korvane/bin/korvane";
    CShellIntegration m_shell { m_program };
};

// Every stored value changed from its default.
SettingsRecord ChangedRecord()
{
    SettingsRecord record;
    record.General = { 1, 0, 1, 0, 8, 1200, 1, 1, "/var/log/korvane, main.log", "https://127.0.0.1:8443/mirror" };
    record.Actions = { 1, 0, 0, 1, 0, 1, 1, 1, 1, 0, 1, 1, 1, 0 };
    auto& s = record.Scheduler;
    s.SMTPServer = "mail.example.org";
    s.SMTPPort = 465;
    s.SMTPLoginRequired = 1;
    s.SMTPLogin = "backup@example.org";
    s.SMTPPassword = "s3cret;=\"x";
    s.TrayHideIdle = 1;
    s.TrayAnimate = 0;
    s.TrayPlaySound = 0;
    s.TrayBalloons = 0;
    s.DisplaySummary = 1;
    s.DisplayError = 0;
    s.DisplayInformation = 1;
    s.DisplayProgress = 1;
    s.MissedEvents = 2;
    s.SMTPSecurity = 2;
    s.SMTPLoginMethod = 1;
    return record;
}

TEST_F(SettingsStoreTest, EmptyStoreGivesExactlyTheDefaults)
{
    SettingsRecord loaded;
    loaded.Scheduler.SMTPServer = "left over";
    LoadSettings(loaded, m_shell);

    SettingsRecord expected;
    expected.Scheduler.SMTPServer = kDefaultSmtpServer;
    EXPECT_EQ(loaded, expected);
    EXPECT_EQ(loaded.Scheduler.SMTPPort, 25);
    EXPECT_EQ(loaded.Scheduler.SMTPLoginMethod, 2);
    EXPECT_FALSE(loaded.SchedulerActive);
    EXPECT_EQ(loaded.ClusterBytes(), 4096u);
}

TEST_F(SettingsStoreTest, EveryValueSurvivesSaveAndLoadInAPrivateFile)
{
    const SettingsRecord saved = ChangedRecord();
    SaveSettings(saved, m_shell);

    struct stat info { };
    ASSERT_EQ(::stat(CMyRegistry::FilePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_EQ(loaded, saved);
    EXPECT_EQ(loaded.ClusterBytes(), 128u * 1024);
}

TEST_F(SettingsStoreTest, PasswordIsStoredAsEightBase64CharactersForThreeLetters)
{
    SettingsRecord record;
    record.Scheduler.SMTPPassword = "abc";
    SaveSettings(record, m_shell);

    CMyRegistry registry;
    ASSERT_EQ(registry.OpenKey("Software\\Zellik Software\\Korvane\\Settings\\Scheduler"), RegSuccess);
    const std::string stored = registry.ReadString("SMTPPassword", "");
    EXPECT_EQ(stored.size(), 8u);
    EXPECT_NE(stored, "abc");
    registry.CloseKey();
    EXPECT_EQ(TempDir::Read(CMyRegistry::FilePath()).find("abc"), std::string::npos);

    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_EQ(loaded.Scheduler.SMTPPassword, "abc");
}

TEST_F(SettingsStoreTest, LongTextsAreReadWhole)
{
    SettingsRecord record;
    record.General.LogFileName = "/srv/" + std::string(3000, 'l') + "/activity.log";
    SaveSettings(record, m_shell);
    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_EQ(loaded.General.LogFileName, record.General.LogFileName);
}

TEST_F(SettingsStoreTest, DisplaySummaryOfActionsAndSchedulerStaySeparate)
{
    {
        CMyRegistry registry;
        registry.CreateKey("Software\\Zellik Software\\Korvane\\Settings\\Actions");
        registry.WriteNumber("DisplaySummary", 0);
        registry.WriteNumber("DisplayError", 0);
    }
    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_EQ(loaded.Actions.DisplaySummary, 0);
    EXPECT_EQ(loaded.Actions.DisplayError, 0);
    EXPECT_EQ(loaded.Scheduler.DisplaySummary, 0);
    EXPECT_EQ(loaded.Scheduler.DisplayError, 1);

    loaded.Actions.DisplaySummary = 1;
    loaded.Scheduler.DisplaySummary = 0;
    SaveSettings(loaded, m_shell);
    SettingsRecord again;
    LoadSettings(again, m_shell);
    EXPECT_EQ(again.Actions.DisplaySummary, 1);
    EXPECT_EQ(again.Scheduler.DisplaySummary, 0);
}

TEST_F(SettingsStoreTest, PartlyFilledStoreKeepsDefaultsForMissingValues)
{
    {
        CMyRegistry registry;
        registry.CreateKey("Settings\\Scheduler");
        registry.WriteString("SMTPServer", "relay.example.net");
        registry.WriteString("SMTPPassword", "not base64!");
        registry.WriteString("SMTPPort", "twenty-five");
    }
    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_EQ(loaded.Scheduler.SMTPServer, "relay.example.net");
    EXPECT_EQ(loaded.Scheduler.SMTPPassword, "");
    EXPECT_EQ(loaded.Scheduler.SMTPPort, 25);
    EXPECT_EQ(loaded.General, SettingsRecord::GeneralSettings {});
}

// A settings file from before the choice existed keeps the old files of a
// restore: the trash is on until the user turns it off.
TEST_F(SettingsStoreTest, RestoreTrashIsOnUntilTurnedOffAndThenStaysOff)
{
    {
        CMyRegistry registry;
        registry.CreateKey("Software\\Zellik Software\\Korvane\\Settings\\Actions");
        registry.WriteNumber("RestoreOverwrite", 1);
    }
    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_EQ(loaded.Actions.RestoreOverwrite, 1);
    EXPECT_EQ(loaded.Actions.RestoreTrash, 1);

    loaded.Actions.RestoreTrash = 0;
    SaveSettings(loaded, m_shell);
    EXPECT_NE(TempDir::Read(CMyRegistry::FilePath()).find("RestoreTrash=0"), std::string::npos);
    SettingsRecord again;
    LoadSettings(again, m_shell);
    EXPECT_EQ(again.Actions.RestoreTrash, 0);
    EXPECT_EQ(again.Actions.BackupTrash, 1) << "the backup's trash is a choice of its own";
}

TEST_F(SettingsStoreTest, SchedulerActiveFollowsTheAutomaticStart)
{
    SettingsRecord record;
    record.SchedulerActive = true;
    SaveSettings(record, m_shell);
    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_TRUE(loaded.SchedulerActive);
    // Another copy of the program does not see its own registration.
    SettingsRecord other;
    LoadSettings(other, CShellIntegration("/home/user/korvane-2/korvane"));
    EXPECT_FALSE(other.SchedulerActive);

    record.SchedulerActive = false;
    SaveSettings(record, m_shell);
    LoadSettings(loaded, m_shell);
    EXPECT_FALSE(loaded.SchedulerActive);
    EXPECT_FALSE(std::filesystem::exists(CShellIntegration::AutostartPath()));
}

TEST_F(SettingsStoreTest, SavingWithSchedulerActiveTakesOverAnotherCopysAutomaticStart)
{
    CShellIntegration("/media/usb/korvane").UpdateSchedulerRegistration(true);
    ASSERT_FALSE(m_shell.IsSchedulerRegistered());

    SettingsRecord record;
    LoadSettings(record, m_shell);
    EXPECT_FALSE(record.SchedulerActive);
    record.SchedulerActive = true;
    SaveSettings(record, m_shell);
    EXPECT_TRUE(m_shell.IsSchedulerRegistered());
    EXPECT_NE(TempDir::Read(CShellIntegration::AutostartPath()).find("Exec=\"/opt/korvane/bin/korvane\" /i\n"),
        std::string::npos);
}

TEST_F(SettingsStoreTest, ComputedFieldsDescribeThisProgramAndSystem)
{
    SettingsRecord record;
    FillComputedSettings(record, "argument-zero");
    EXPECT_FALSE(record.ModulePath.empty());
    EXPECT_EQ(record.ModulePath.front(), '/');
    EXPECT_TRUE(PathsNameSameFile(record.ModulePath, "/proc/self/exe"));
    EXPECT_GT(record.OsMajorVersion, 0);
    EXPECT_TRUE(record.IsNT);
    EXPECT_TRUE(record.HasConnectivityProbe);
}

TEST_F(SettingsStoreTest, DamagedFileIsKeptAsideAndSaidSoInsteadOfBeingOverwritten)
{
    SaveSettings(ChangedRecord(), m_shell);
    const std::string file = CMyRegistry::FilePath();
    // Cut off inside a section name, with a stray line of binary junk.
    const std::string damaged = "[Settings%2FGeneral]\nLogActivate=1\n\x01\x02\x03junk\n[Settings%2FActi";
    ASSERT_TRUE(WriteSmallFile(file, damaged, 0600));

    ScriptedPrompter prompter;
    CheckSettingsFile(prompter);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text,
        "The settings file '" + file + "' is damaged. It was kept as '" + file
            + ".damaged', and Korvane starts with the default settings.");
    EXPECT_EQ(prompter.asked[0].style, unsigned(MbOk | MbIconWarning));
    std::string kept;
    ASSERT_TRUE(ReadSmallFile(file + ".damaged", kept));
    EXPECT_EQ(kept, damaged);

    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_EQ(loaded.General.LogActivate, 0) << "the defaults, not the readable rest";
    SaveSettings(loaded, m_shell);
    ASSERT_TRUE(ReadSmallFile(file + ".damaged", kept));
    EXPECT_EQ(kept, damaged);

    // A second damaged file does not replace the first one kept.
    ASSERT_TRUE(WriteSmallFile(file, "no sections, no values\n", 0600));
    CheckSettingsFile(prompter);
    ASSERT_EQ(prompter.asked.size(), 2u);
    ASSERT_TRUE(ReadSmallFile(file + ".damaged.2", kept));
    EXPECT_EQ(kept, "no sections, no values\n");

    // A sound file passes without a word.
    SaveSettings(ChangedRecord(), m_shell);
    CheckSettingsFile(prompter);
    EXPECT_EQ(prompter.asked.size(), 2u);
    EXPECT_TRUE(SmallFileExists(file));
    std::filesystem::remove(file + ".damaged");
    std::filesystem::remove(file + ".damaged.2");
}

TEST_F(SettingsStoreTest, FifoAsTheSettingsFileIsNeitherWaitedOnNorReplaced)
{
    const std::string file = CMyRegistry::FilePath();
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    // No one writes to the FIFO: an open that waited for a writer would hang here.
    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_EQ(loaded.General.CompareType, 0);
    EXPECT_EQ(loaded.Actions.BackupTrash, 1);
    SaveSettings(ChangedRecord(), m_shell);
    struct stat info { };
    ASSERT_EQ(::lstat(file.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "left in place, not replaced by a file";

    ScriptedPrompter prompter;
    CheckSettingsFile(prompter);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text,
        "The settings file '" + file
            + "' cannot be used: Not a regular file (a FIFO, a socket or a device).\nKorvane uses the default "
              "settings and saves none.");
    std::filesystem::remove(file);
}

} // namespace

TEST_F(SettingsStoreTest, WithTheKeyringInUseTheFileHoldsNoPassword)
{
    SettingsRecord record = ChangedRecord();
    SaveSettings(record, m_shell);
    ASSERT_NE(TempDir::Read(CMyRegistry::FilePath()).find("SMTPPassword="), std::string::npos);

    // Even a record that still carries one: the keyring's is the password.
    record.Scheduler.SMTPPasswordInKeyring = 1;
    SaveSettings(record, m_shell);
    const std::string file = TempDir::Read(CMyRegistry::FilePath());
    EXPECT_EQ(file.find("SMTPPassword="), std::string::npos) << file;
    EXPECT_NE(file.find("SMTPPasswordInKeyring=1"), std::string::npos) << file;

    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_EQ(loaded.Scheduler.SMTPPasswordInKeyring, 1);
    EXPECT_EQ(loaded.Scheduler.SMTPPassword, "");
    loaded.Scheduler.SMTPPassword = record.Scheduler.SMTPPassword;
    EXPECT_EQ(loaded, record) << "every other value as saved";
}

TEST_F(SettingsStoreTest, AScrambledValueLeftBesideTheKeyringIsNotTrusted)
{
    {
        CMyRegistry registry;
        registry.CreateKey("Software\\Zellik Software\\Korvane\\Settings\\Scheduler");
        registry.WriteNumber("SMTPPasswordInKeyring", 1);
        registry.WriteString("SMTPPassword", ScramblePassword("old"));
    }
    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_EQ(loaded.Scheduler.SMTPPassword, "");
    SaveSettings(loaded, m_shell);
    EXPECT_EQ(TempDir::Read(CMyRegistry::FilePath()).find("SMTPPassword="), std::string::npos);
}

TEST_F(SettingsStoreTest, AFileOfAnEarlierVersionKeepsItsScrambledPassword)
{
    {
        // As written before the keyring could be chosen: no such value.
        CMyRegistry registry;
        registry.CreateKey("Software\\Zellik Software\\Korvane\\Settings\\Scheduler");
        registry.WriteNumber("SMTPLoginRequired", 1);
        registry.WriteString("SMTPPassword", ScramblePassword("s3cret"));
    }
    SettingsRecord loaded;
    LoadSettings(loaded, m_shell);
    EXPECT_EQ(loaded.Scheduler.SMTPPasswordInKeyring, 0);
    EXPECT_EQ(loaded.Scheduler.SMTPPassword, "s3cret");
    SaveSettings(loaded, m_shell);
    CMyRegistry registry;
    registry.OpenKey("Software\\Zellik Software\\Korvane\\Settings\\Scheduler");
    EXPECT_EQ(registry.ReadString("SMTPPassword", ""), ScramblePassword("s3cret"));
}
