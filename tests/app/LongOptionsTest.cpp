#include "app/LongOptions.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;

TEST(LongOptionsTest, EachLongOptionBecomesItsSlashSwitch)
{
    const LongOptions options = LongOptions::Translate({ "--file", "/home/me/b.kvf", "--set=Docs", "--action=backup",
        "--execute", "--ask", "--notify", "--make-default", "--ignore-errors", "--verbose" });
    EXPECT_TRUE(options.error.empty());
    EXPECT_EQ(options.arguments,
        (Args { "/f", "/home/me/b.kvf", "/s", "Docs", "/a", "backup", "/e", "/q", "/c", "/d", "/g", "/v" }));
    EXPECT_EQ(LongOptions::Translate({ "--scheduler" }).arguments, Args { "/i" });
    const LongOptions preview = LongOptions::Translate({ "--dry-run", "--null" });
    EXPECT_EQ(preview.arguments, Args { "/n" });
    EXPECT_TRUE(preview.nullSeparated);
    EXPECT_FALSE(LongOptions::Translate({ "--dry-run" }).nullSeparated);
}

TEST(LongOptionsTest, ValuesAreNeverTakenForSwitches)
{
    // A value that looks like a switch or an option is a value, in both
    // spellings, as it is after the slash switches.
    EXPECT_EQ(LongOptions::Translate({ "--set", "/e", "--file=/v", "--action", "--verbose" }).arguments,
        (Args { "/s", "/e", "/f", "/v", "/a", "--verbose" }));
    EXPECT_EQ(LongOptions::Translate({ "/s", "--help", "/F", "--x", "--set=" }).arguments,
        (Args { "/s", "--help", "/F", "--x", "/s", "" }));
    EXPECT_FALSE(LongOptions::Translate({ "/s", "--help" }).help);
    // After "--" nothing is an option.
    EXPECT_EQ(LongOptions::Translate({ "--", "--help" }).arguments, Args { "--help" });
    EXPECT_FALSE(LongOptions::Translate({ "--", "--help" }).help);
}

TEST(LongOptionsTest, WrongLongOptionsAreNamed)
{
    EXPECT_EQ(LongOptions::Translate({ "--fiel", "x" }).error, "unrecognized option '--fiel'");
    EXPECT_EQ(LongOptions::Translate({ "--verbose=yes" }).error, "option '--verbose' doesn't allow an argument");
    EXPECT_EQ(LongOptions::Translate({ "--set", "Docs", "--file" }).error, "option '--file' requires an argument");
    // Slash switches keep their own rules: unknown ones are passed on.
    EXPECT_TRUE(LongOptions::Translate({ "/x", "-v", "file.kvf" }).error.empty());
}

TEST(LongOptionsTest, TheVersionOptionsKeepTheirValuesOutOfTheSwitches)
{
    const LongOptions options = LongOptions::Translate(
        { "--file=s.kvf", "--restore-version", "/e", "--at=2025-03-01 12:00:00", "--to", "--set", "/home/x" });
    EXPECT_TRUE(options.error.empty());
    EXPECT_EQ(options.restoreVersion, "/e");
    EXPECT_EQ(options.at, "2025-03-01 12:00:00");
    EXPECT_EQ(options.to, "--set");
    EXPECT_FALSE(options.versions);
    EXPECT_EQ(options.arguments, (std::vector<std::string> { "/f", "s.kvf", "/home/x" }));
    EXPECT_TRUE(LongOptions::Translate({ "--versions" }).versions);
    EXPECT_EQ(LongOptions::Translate({ "--versions=x" }).error, "option '--versions' doesn't allow an argument");
    EXPECT_EQ(LongOptions::Translate({ "--at" }).error, "option '--at' requires an argument");
}

TEST(LongOptionsTest, HelpListsEveryOptionBesideItsSwitchWithTheSwitchText)
{
    EXPECT_TRUE(LongOptions::Translate({ "/v", "--help" }).help);
    EXPECT_TRUE(LongOptions::Translate({ "--version" }).version);
    const std::string help = LongOptions::HelpText("korvane");
    EXPECT_EQ(help.rfind("Usage: korvane [SESSION-FILE]\n", 0), 0u);
    for (const char* line : { "  /f, --file=FILE           The file name of the session to load (.KVF)\n",
             "  /a, --action=ACTION       The name of the action to be executed (backup/restore)\n",
             "  /g, --ignore-errors       Ignore all errors that occur during action\n",
             "      --version             output version information and exit\n",
             "  /n, --dry-run             Print what the action would do, and change nothing\n", " 2  wrong call" }) {
        EXPECT_NE(help.find(line), std::string::npos) << line << "\n" << help;
    }
    EXPECT_EQ(LongOptions::VersionText("korvane").rfind("korvane " KORVANE_VERSION "\n", 0), 0u);
}

} // namespace
