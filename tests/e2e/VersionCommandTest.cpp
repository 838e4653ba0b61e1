// --versions and --restore-version through the built program, over a
// version area made by hand.
#include "ProgramRun.h"
#include "common/TempDir.h"
#include "platform/Trash.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class VersionCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove_all(HomeTrashFolder());
        ASSERT_TRUE(WriteOneSetSession(SessionPath(), "Docs", tmp / "src", tmp / "dest"));
        Version("2025-03-01 120000", "docs/a.txt", "first");
        Version("2025-03-02 081500", "docs/a.txt", "second!");
        Version("2025-03-02 081500", "top.txt", "t");
        tmp.Write("src/docs/a.txt", "current work");
    }
    void TearDown() override { fs::remove_all(HomeTrashFolder()); }

    void Version(const std::string& stamp, const std::string& relative, const std::string& bytes)
    {
        tmp.Write("dest/src/.korvane-versions/" + stamp + "/" + relative, bytes);
    }
    std::string SessionPath() const { return tmp / "work.kvf"; }
    std::string Source(const std::string& relative) const { return tmp / ("src/" + relative); }
    ProgramRun Restore(const std::string& path, const std::string& at, std::vector<std::string> more = {}) const
    {
        std::vector<std::string> arguments { "--file=" + SessionPath(), "--set=Docs", "--restore-version=" + path,
            "--at=" + at };
        arguments.insert(arguments.end(), more.begin(), more.end());
        return ProgramRun::RunSplit(arguments);
    }

    TempDir tmp;
};

TEST_F(VersionCommandTest, VersionsListsEachVersionALineAndAPathLimitsTheList)
{
    ProgramRun run = ProgramRun::RunSplit({ "--file", SessionPath(), "--set=Docs", "--versions" });
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.standardOutput,
        "2025-03-01 12:00:00 5 " + Source("docs/a.txt") + "\n" + "2025-03-02 08:15:00 7 " + Source("docs/a.txt") + "\n"
            + "2025-03-02 08:15:00 1 " + Source("top.txt") + "\n");
    // The space the set's version area takes, beside the list.
    EXPECT_NE(run.output.find("Korvane: Versions in " + (tmp / "dest/.korvane-versions") + " take "), std::string::npos)
        << run.output;

    // A path before the options, and --null.
    run = ProgramRun::RunSplit({ Source("docs/"), "--versions", "--null", "--file=" + SessionPath(), "--set=Docs" });
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.standardOutput,
        "2025-03-01 12:00:00 5 " + Source("docs/a.txt") + std::string(1, '\0') + "2025-03-02 08:15:00 7 "
            + Source("docs/a.txt") + std::string(1, '\0'));

    run = ProgramRun::RunSplit({ "--file", SessionPath(), "--set=Nope", "--versions" });
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.standardOutput.empty());
    // An action word has no place in a version command.
    EXPECT_EQ(
        ProgramRun::RunSplit({ "--file", SessionPath(), "--set=Docs", "--action=backup", "--versions" }).status, 2);
}

TEST_F(VersionCommandTest, RestoreVersionTakesTheNewestAtOrBeforeTheTimeAndTrashesTheFileInPlace)
{
    ProgramRun run = Restore(Source("docs/a.txt"), "2025-03-02 08:14:59");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(Source("docs/a.txt")), "first");
    EXPECT_EQ(TempDir::Read(HomeTrashFolder() + "/files/a.txt"), "current work");

    fs::create_directories(tmp / "elsewhere");
    run = Restore(Source("docs/a.txt"), "2025-03-02 08:15:00", { "--to=" + (tmp / "elsewhere") });
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "elsewhere/docs/a.txt"), "second!");
    EXPECT_EQ(TempDir::Read(Source("docs/a.txt")), "first");
}

TEST_F(VersionCommandTest, NoVersionThenOrAWrongTimeIsAnErrorAndChangesNothing)
{
    ProgramRun run = Restore(Source("docs/a.txt"), "2025-03-01 11:59:59");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(
        run.output.find("No version of '" + Source("docs/a.txt") + "' was set aside at or before 2025-03-01 11:59:59"),
        std::string::npos)
        << run.output;
    EXPECT_EQ(TempDir::Read(Source("docs/a.txt")), "current work");

    run = Restore(Source("docs/a.txt"), "2025-02-30 10:00:00");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("is not a time"), std::string::npos) << run.output;
    run = Restore(tmp / "other/a.txt", "2025-03-09 00:00:00");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("lies in no source folder"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(HomeTrashFolder() + "/files/a.txt"));
}

} // namespace
