#include "scan/PathFormat.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// 2024-03-07 14:05:09 UTC, a Thursday in week 10.
constexpr std::time_t kMarch7 = 1709820309;

class PathFormatTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        std::setlocale(LC_ALL, "C");
    }
};

} // namespace

TEST_F(PathFormatTest, DateTagsUseOneInstant)
{
    EXPECT_EQ(ExpandPathTags("/backup/<YEAR>-<MONTH>-<DAY>", kMarch7), "/backup/2024-03-07");
    EXPECT_EQ(ExpandPathTags("<MONTHNAME>/<MONTHNAME>", kMarch7), "March/March");
    EXPECT_EQ(
        ExpandPathTags("<WEEKDAY> <WEEKNUMBER> <HOUR12><AMPM> <HOUR24>:<MINUTE>", kMarch7), "Thursday 10 02PM 14:05");
}

TEST_F(PathFormatTest, DateTagsFollowTheLocalZone)
{
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    EXPECT_EQ(ExpandPathTags("<DAY> <HOUR24>", kMarch7), "07 23");
    EXPECT_EQ(ExpandPathTags("<DAY>", kMarch7 + 3600), "08");
}

TEST_F(PathFormatTest, LowerCaseTagsAndPlainTextStay)
{
    EXPECT_EQ(ExpandPathTags("/b/<year>/<Year>", kMarch7), "/b/<year>/<Year>");
    const std::string plain = "/data/\xc3\xa9t\xc3\xa9 > x";
    EXPECT_EQ(ExpandPathTags(plain, kMarch7), plain);
}

TEST_F(PathFormatTest, EnvironmentReferencesExpandWithoutTags)
{
    setenv("KV_TEST_DIR", "/var/kv", 1);
    unsetenv("KV_UNSET");
    EXPECT_EQ(ExpandPathTags("%KV_TEST_DIR%/x", kMarch7), "/var/kv/x");
    // Unknown names, empty names and a lone '%' stay as written.
    EXPECT_EQ(ExpandPathTags("%KV_UNSET%/%%/50%", kMarch7), "%KV_UNSET%/%%/50%");
    // After an unknown name the closing '%' is used up, as Windows does.
    EXPECT_EQ(ExpandPathTags("%KV_UNSET%KV_TEST_DIR%", kMarch7), "%KV_UNSET%KV_TEST_DIR%");
    EXPECT_EQ(ExpandPathTags("%KV_TEST_DIR%%KV_TEST_DIR%", kMarch7), "/var/kv/var/kv");
    // A value holding a tag is expanded by the tag pass after it.
    setenv("KV_TAGGED", "<YEAR>", 1);
    EXPECT_EQ(ExpandPathTags("%KV_TAGGED%", kMarch7), "2024");
    // No cut at 1024 bytes: a cut path would name another folder.
    setenv("KV_LONG", std::string(2000, 'a').c_str(), 1);
    EXPECT_EQ(ExpandPathTags("/%KV_LONG%", kMarch7).size(), 2001u);
}

TEST_F(PathFormatTest, ProfileAndIdentityTags)
{
    const std::string home = std::getenv("HOME");
    EXPECT_EQ(ExpandPathTags("<USERPROFILE>", kMarch7), home);
    EXPECT_EQ(ExpandPathTags("<PROFILE>", kMarch7), home.substr(0, home.find_last_of('/')));
    EXPECT_EQ(ExpandPathTags("<COMMONPROFILE>", kMarch7), "/etc/skel");
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    EXPECT_EQ(ExpandPathTags("<COMPUTER>", kMarch7), host);
    EXPECT_EQ(ExpandPathTags("<USER>", kMarch7), "root");
}

TEST_F(PathFormatTest, FormatSizeSteps)
{
    EXPECT_EQ(FormatSize(0), "-");
    EXPECT_EQ(FormatSize(1023), "1023 bytes");
    EXPECT_EQ(FormatSize(1024), "1.00 kB");
    EXPECT_EQ(FormatSize(1536), "1.50 kB");
    EXPECT_EQ(FormatSize(1048575), "1024.00 kB");
    EXPECT_EQ(FormatSize(1048576), "1.00 MB");
    EXPECT_EQ(FormatSize(1ULL << 30), "1.00 GB");
    EXPECT_EQ(FormatSize(1ULL << 40), "1.00 TB");
    // Past 2^63 the value stays positive.
    EXPECT_EQ(FormatSize(1ULL << 63), "8388608.00 TB");
}

TEST_F(PathFormatTest, ShortenTextKeepsTwentyAndEightyPercent)
{
    const std::string t39(39, 'x');
    EXPECT_EQ(ShortenText(t39, 40), t39);
    std::string t40;
    for (int i = 0; i < 40; ++i)
        t40 += static_cast<char>('A' + i % 26);
    const std::string shortened = ShortenText(t40, 40);
    EXPECT_EQ(shortened.size(), 43u);
    EXPECT_EQ(shortened, t40.substr(0, 8) + "..." + t40.substr(8));
    EXPECT_EQ(ShortenText("abcdef", -5), "...");
}

TEST_F(PathFormatTest, ShortenTextNeverSplitsACharacter)
{
    // Both cut points of max 40 fall inside a two-byte "é"; they move
    // outwards so the result stays valid UTF-8.
    const std::string tail(31, '1');
    const std::string text = "abcdefg\xc3\xa9" + std::string(30, 'z') + "\xc3\xa9" + tail;
    EXPECT_EQ(ShortenText(text, 40), "abcdefg..." + tail);
}

TEST_F(PathFormatTest, FolderDisplayName)
{
    EXPECT_EQ(FolderDisplayName("/data/Work"), "/Work");
    EXPECT_EQ(FolderDisplayName("/data/Work///"), "/Work");
    EXPECT_EQ(FolderDisplayName("//server/share/docs/"), "/docs");
    EXPECT_EQ(FolderDisplayName("relative"), "relative");
    // The root is the drive: "/", "//" all name it alike.
    EXPECT_EQ(FolderDisplayName("/"), "/Root [Fixed Drive]");
    EXPECT_EQ(FolderDisplayName("//"), FolderDisplayName("/"));
    EXPECT_EQ(FolderDisplayName(""), "");
}

TEST_F(PathFormatTest, SystemErrorTextHasNoLineBreakAndAFallback)
{
    EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
    EXPECT_EQ(SystemErrorText(EACCES), "Permission denied");
    EXPECT_EQ(SystemErrorText(987654), "Operation failed.");
}

TEST_F(PathFormatTest, TerminalSafeTextEscapesControlsAndBrokenUtf8)
{
    // A name that would clear the screen, retitle the window and rewrite the line.
    EXPECT_EQ(TerminalSafeText("a\x1b[2J\x1b]0;owned\x07"
                               "b\rc\x7f"),
        "a\\x1b[2J\\x1b]0;owned\\x07b\\rc\\x7f");
    EXPECT_EQ(TerminalSafeText("line\nnext\ttab"), "line\\nnext\\ttab");
    // C1 controls in UTF-8 (U+009B is CSI), a lone byte of the C1 range, a cut sequence.
    EXPECT_EQ(TerminalSafeText("a\xc2\x9b"
                               "2Jb"),
        "a\\u009b2Jb");
    EXPECT_EQ(TerminalSafeText("a\x9b"
                               "2J"),
        "a\\x9b2J");
    EXPECT_EQ(TerminalSafeText("caf\xc3"), "caf\\xc3");
    EXPECT_EQ(TerminalSafeText("\xe0\x80\x80"), "\\xe0\\x80\\x80") << "overlong";
    // Sound text passes unchanged.
    EXPECT_EQ(TerminalSafeText("Fotos/Été 2026/\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x93\xb7.jpg \xc2\xa0x"),
        "Fotos/Été 2026/\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x93\xb7.jpg \xc2\xa0x");
}

TEST_F(PathFormatTest, TimeTexts)
{
    EXPECT_EQ(FormatTime(kMarch7, "%Y-%m-%d %H:%M:%S"), "2024-03-07 14:05:09");
    EXPECT_EQ(FormatTime(kMarch7, ""), "");
    EXPECT_EQ(FormatTime(kMarch7, std::string(200, 'x')), "");
    EXPECT_EQ(FormatLocalDateTime(kMarch7), "03/07/24 14:05:09");
    setenv("TZ", "America/New_York", 1);
    tzset();
    EXPECT_EQ(FormatLocalDateTime(kMarch7), "03/07/24 09:05:09");
}
