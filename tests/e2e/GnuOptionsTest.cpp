#include "ProgramRun.h"
#include "common/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The GNU spelling of the command line, next to the slash switches.
class GnuOptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tmp.Write("src/a.txt", "alpha");
        tmp.Write("src/sub/b.txt", "beta");
        ASSERT_TRUE(WriteOneSetSession(SessionPath(), "/e", tmp / "src", tmp / "dest"));
    }

    std::string SessionPath() const { return tmp / "work.kvf"; }

    TempDir tmp;
};

TEST_F(GnuOptionsTest, HelpGoesToStandardOutputWithStatusZero)
{
    ProgramRun run = ProgramRun::RunSplit({ "--help" });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.standardOutput.rfind("Usage: korvane [SESSION-FILE]\n", 0), 0u) << run.standardOutput;
    EXPECT_NE(run.standardOutput.find("/v, --verbose"), std::string::npos);

    run = ProgramRun::RunSplit({ "--version" });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.standardOutput.rfind("korvane " KORVANE_VERSION "\n", 0), 0u) << run.standardOutput;
}

TEST_F(GnuOptionsTest, WrongCallsPrintTheUsageOnStandardErrorWithStatusTwo)
{
    for (const std::vector<std::string>& call :
        std::vector<std::vector<std::string>> { { "--file", SessionPath(), "--set", "/e", "--execute" },
            { "--file", SessionPath(), "--set=/e", "--action=backup", "--exeucte" },
            { "--set", "/e", "--action", "backup", "--file" } }) {
        const ProgramRun run = ProgramRun::RunSplit(call);
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_EQ(run.standardOutput, "");
        EXPECT_NE(run.output.find("/f <file name> /s <set name> /a <action name> [options]"), std::string::npos)
            << run.output;
    }
    const ProgramRun run = ProgramRun::RunSplit({ "--fil=x" });
    EXPECT_NE(run.output.find("korvane: unrecognized option '--fil'"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Try 'korvane --help' for more information."), std::string::npos);
    EXPECT_FALSE(fs::exists(tmp / "dest"));
}

TEST_F(GnuOptionsTest, LongOptionsRunTheSetAndValuesStartingWithASlashStayValues)
{
    // The set is named "/e": as a value it is a name, never the switch.
    ProgramRun run = ProgramRun::RunSplit({ "--file=" + SessionPath(), "--set", "/e", "--action", "backup" });
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(fs::exists(tmp / "dest")) << "no --execute, nothing runs";

    run = ProgramRun::RunSplit(
        { "--file", SessionPath(), "--set=/e", "--action=backup", "--execute", "--ignore-errors", "--verbose" });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/sub/b.txt"), "beta");
    EXPECT_NE(run.output.find("Backup Summary"), std::string::npos) << run.output;

    // Slash switches and long options mix.
    fs::remove_all(tmp / "src");
    run = ProgramRun::RunSplit({ "/f", SessionPath(), "--set", "/e", "/A", "restore", "--execute" });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "src/a.txt"), "alpha");
}

TEST_F(GnuOptionsTest, AnAbsoluteSessionPathAloneIsOpenedNotTakenForSwitches)
{
    // As a desktop hands over a double-clicked file: without a display there
    // is no window to show it in, but the file is opened, not a wrong call
    // of switches.
    const ProgramRun run = ProgramRun::RunSplit({ SessionPath() });
    EXPECT_EQ(run.output.find("Failed to open session"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("no window can be shown here"), std::string::npos) << run.output;
}

} // namespace
