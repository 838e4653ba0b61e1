#include "common/TempDir.h"
#include "platform/MyRegistry.h"

#include <QSettings>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Each test starts from an empty settings file.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { Wipe(); }
    void TearDown() override { Wipe(); }

    static void Wipe()
    {
        // Drops the in-process cache along with the file.
        QSettings(QString::fromStdString(CMyRegistry::FilePath()), QSettings::IniFormat).clear();
        std::remove(CMyRegistry::FilePath().c_str());
    }

    static unsigned FileMode()
    {
        struct stat info { };
        if (::stat(CMyRegistry::FilePath().c_str(), &info) != 0)
            return 0;
        return info.st_mode & 07777;
    }
};

TEST_F(RegistryTest, FileIsCreatedPrivateAndAnExistingFileIsMadePrivate)
{
    {
        CMyRegistry registry;
        ASSERT_EQ(registry.CreateKey("Software\\Zellik Software\\Korvane\\Settings\\General"), RegSuccess);
        registry.WriteNumber("GridlinesList", 1);
    }
    EXPECT_EQ(FileMode(), 0600u);

    ASSERT_EQ(::chmod(CMyRegistry::FilePath().c_str(), 0644), 0);
    CMyRegistry registry;
    registry.CreateKey("Settings\\General");
    registry.WriteNumber("CheckUpdates", 0);
    registry.CloseKey();
    EXPECT_EQ(FileMode(), 0600u);
}

TEST_F(RegistryTest, ValuesReadBackFromAFreshObjectAndFromTheFile)
{
    const std::string longText(5000, 'x');
    const std::string awkward = " lead, comma; semi = equals \"quote\" \\ back \xC3\xA9 trail ";
    {
        CMyRegistry registry;
        registry.CreateKey("Settings\\General");
        registry.WriteNumber("TooltipDelay", 750);
        registry.WriteNumber("Negative", static_cast<std::uint32_t>(-5));
        registry.WriteString("LogFileName", longText);
        registry.WriteString("Awkward", awkward);
    }
    CMyRegistry registry;
    ASSERT_EQ(registry.OpenKey("Software\\Zellik Software\\Korvane\\Settings\\General"), RegSuccess);
    EXPECT_EQ(registry.ReadNumber("TooltipDelay", 500), 750u);
    EXPECT_EQ(static_cast<std::int32_t>(registry.ReadNumber("Negative", 0)), -5);
    EXPECT_EQ(registry.ReadString("LogFileName", ""), longText);
    EXPECT_EQ(registry.ReadString("Awkward", ""), awkward);
    registry.CloseKey();

    // Read through a settings object with its own, fresh view of the file.
    std::string text = TempDir::Read(CMyRegistry::FilePath());
    ASSERT_FALSE(text.empty());
    TempDir dir;
    const std::string copy = dir.Write("copy.conf", text);
    QSettings fromDisk(QString::fromStdString(copy), QSettings::IniFormat);
    EXPECT_EQ(fromDisk.value(QStringLiteral("Settings/General/Awkward")).toString().toStdString(), awkward);
    EXPECT_EQ(fromDisk.value(QStringLiteral("Settings/General/TooltipDelay")).toInt(), 750);
}

TEST_F(RegistryTest, MissingOrUnreadableValuesGiveTheirDefaults)
{
    CMyRegistry registry;
    EXPECT_EQ(registry.ReadNumber("AnyValue", 7), 7u);
    EXPECT_EQ(registry.LastResult(), RegInvalidHandle);
    EXPECT_EQ(registry.OpenKey("Settings\\Nowhere"), RegNotFound);
    EXPECT_EQ(registry.ReadString("AnyValue", "fallback"), "fallback");

    registry.CreateKey("Settings\\General");
    registry.WriteString("Word", "abc");
    registry.WriteString("Huge", "99999999999");
    EXPECT_EQ(registry.ReadNumber("Word", 3), 3u);
    EXPECT_EQ(registry.LastResult(), RegNotFound);
    EXPECT_EQ(registry.ReadNumber("Huge", 4), 4u);
    EXPECT_EQ(registry.ReadNumber("Absent", 5), 5u);
    registry.WriteNumber("Present", 9);
    EXPECT_EQ(registry.ReadNumber("Present", 5), 9u);
    EXPECT_EQ(registry.LastResult(), RegSuccess);
}

TEST_F(RegistryTest, SameValueNameInTwoKeysStaysSeparate)
{
    CMyRegistry registry;
    registry.CreateKey("Settings\\Actions");
    registry.WriteNumber("DisplaySummary", 0);
    registry.CreateKey("Settings\\Scheduler");
    registry.WriteNumber("DisplaySummary", 1);
    registry.OpenKey("Settings\\Actions");
    EXPECT_EQ(registry.ReadNumber("DisplaySummary", 9), 0u);
    registry.OpenKey("Settings\\Scheduler");
    EXPECT_EQ(registry.ReadNumber("DisplaySummary", 9), 1u);
}

TEST_F(RegistryTest, DeleteValueTakesASubkeyOfTheSameNameAlong)
{
    CMyRegistry registry;
    registry.CreateKey("Settings\\Scheduler\\Email");
    registry.WriteString("0", "first@example.org");
    registry.CreateKey("Settings\\Scheduler");
    registry.WriteString("Email", "x");
    registry.WriteNumber("LastEvent", 12);

    EXPECT_EQ(registry.DeleteValue("Email"), RegSuccess);
    EXPECT_EQ(registry.ReadString("Email", "gone"), "gone");
    EXPECT_EQ(registry.ReadNumber("LastEvent", 0), 12u);
    CMyRegistry other;
    EXPECT_EQ(other.OpenKey("Settings\\Scheduler\\Email"), RegNotFound);

    EXPECT_EQ(registry.DeleteValue("Email"), RegNotFound);
    EXPECT_EQ(registry.DeleteValue("LastEvent"), RegNotFound | RegSubkeyErrorFlag);
    EXPECT_EQ(registry.ReadNumber("LastEvent", 0), 0u);
}

TEST_F(RegistryTest, DeleteTreeRemovesOneBranchOnly)
{
    CMyRegistry registry;
    registry.CreateKey("Settings\\Add Folder\\Source");
    registry.WriteString("0", "/home/a");
    registry.CreateKey("Settings\\Add Folder\\Source\\Deeper");
    registry.WriteString("0", "/home/b");
    registry.CreateKey("Settings\\Add Folder\\Include");
    registry.WriteString("0", "*.txt");

    registry.OpenKey("Settings\\Add Folder");
    EXPECT_EQ(registry.DeleteTree(""), RegNoKey);
    EXPECT_EQ(registry.DeleteTree("Source"), RegSuccess);
    EXPECT_EQ(registry.DeleteTree("Source"), RegNotFound);
    registry.CloseKey();

    CMyRegistry reader;
    EXPECT_EQ(reader.OpenKey("Settings\\Add Folder\\Source\\Deeper"), RegNotFound);
    ASSERT_EQ(reader.OpenKey("Settings\\Add Folder\\Include"), RegSuccess);
    EXPECT_EQ(reader.ReadString("0", ""), "*.txt");

    CMyRegistry fromTop;
    EXPECT_EQ(fromTop.DeleteTree("Software\\Zellik Software\\Korvane\\Settings\\Add Folder", false), RegSuccess);
    EXPECT_EQ(reader.OpenKey("Settings\\Add Folder\\Include"), RegNotFound);
}

TEST_F(RegistryTest, ReadAccessRefusesWrites)
{
    {
        CMyRegistry writer;
        writer.CreateKey("Info");
        writer.WriteString("Version", "1.4");
    }
    CMyRegistry registry;
    registry.SetAccess(KeyRead);
    ASSERT_EQ(registry.OpenKey("Info"), RegSuccess);
    EXPECT_EQ(registry.ReadString("Version", ""), "1.4");
    EXPECT_EQ(registry.WriteString("Version", "0"), RegAccessDenied);
    EXPECT_EQ(registry.DeleteValue("Version"), RegAccessDenied);
    EXPECT_EQ(registry.ReadString("Version", ""), "1.4");
}

TEST_F(RegistryTest, UnwritableSettingsFolderFailsSilently)
{
    // A file where the settings folder should be: nothing can be written.
    const std::string folder = std::filesystem::path(CMyRegistry::FilePath()).parent_path();
    std::filesystem::remove_all(folder);
    std::FILE* blocker = std::fopen(folder.c_str(), "w");
    ASSERT_NE(blocker, nullptr);
    std::fclose(blocker);
    {
        CMyRegistry registry;
        EXPECT_EQ(registry.CreateKey("Settings\\General"), RegSuccess);
        registry.WriteNumber("CheckUpdates", 0);
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(folder));
    EXPECT_EQ(std::filesystem::file_size(folder), 0u);
    std::remove(folder.c_str());
}

} // namespace
