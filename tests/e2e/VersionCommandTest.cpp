// --versions and --restore-version through the built program, over the
// versions its own backups set aside.
#include "ProgramRun.h"
#include "common/TempDir.h"
#include "core/Session.h"
#include "core/SessionFile.h"
#include "platform/Trash.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// A set of two entries backed up into one folder, whose version area they
// share: three backups, between which docs/a.txt changes twice, top.txt
// and the other entry's c.txt once.
class VersionCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove_all(HomeTrashFolder());
        CSession session;
        CSet& set = session.Sets.emplace_back();
        set.Name = "Docs";
        set.Versions.Active = 1;
        for (const char* source : { "src", "more" }) {
            CBackup& entry = set.Entries.emplace_back();
            entry.SourceFolder = tmp / source;
            entry.DestinationFolder = tmp / "dest";
            entry.IncludeFiles = "*.*";
            entry.Recursive = 1;
        }
        ASSERT_EQ(CSessionFile::Write(SessionPath(), CSessionFile::BuildDocument(session)), 0);
        Put("src/docs/a.txt", "first", 1);
        Put("src/top.txt", "t", 1);
        Put("more/c.txt", "c one", 1);
        Backup();
        Put("src/docs/a.txt", "second!", 2);
        Put("src/top.txt", "t two", 2);
        Put("more/c.txt", "c two", 2);
        Backup();
        Put("src/docs/a.txt", "current work", 3);
        Backup();
    }
    void TearDown() override { fs::remove_all(HomeTrashFolder()); }

    void Put(const std::string& relative, const std::string& bytes, int change)
    {
        tmp.Write(relative, bytes);
        // A later time for each change: a backup replaces what has changed.
        const std::chrono::sys_seconds time { std::chrono::seconds(1'600'000'000 + change * 100) };
        fs::last_write_time(tmp / relative, std::chrono::file_clock::from_sys(time));
    }
    void Backup()
    {
        const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" });
        ASSERT_EQ(run.status, 0) << run.output;
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
    // The list's lines as "SIZE PATH", and the times they were set aside.
    struct Listed {
        std::vector<std::string> lines;
        std::vector<std::string> times;
    };
    static Listed Parse(const std::string& list, char end)
    {
        Listed listed;
        std::istringstream in(list);
        for (std::string line; std::getline(in, line, end);) {
            listed.times.push_back(line.substr(0, 19));
            listed.lines.push_back(line.substr(std::min<std::size_t>(20, line.size())));
        }
        return listed;
    }

    TempDir tmp;
};

TEST_F(VersionCommandTest, VersionsListsEachVersionALineAndAPathLimitsTheList)
{
    ProgramRun run = ProgramRun::RunSplit({ "--file", SessionPath(), "--set=Docs", "--versions" });
    EXPECT_EQ(run.status, 0) << run.output;
    // Each entry's versions, named by their places in its own source.
    Listed listed = Parse(run.standardOutput, '\n');
    EXPECT_EQ(listed.lines,
        (std::vector<std::string> { "5 " + Source("docs/a.txt"), "7 " + Source("docs/a.txt"), "1 " + Source("top.txt"),
            "5 " + (tmp / "more/c.txt") }))
        << run.standardOutput;
    ASSERT_EQ(listed.times.size(), 4u);
    EXPECT_LT(listed.times[0], listed.times[1]);
    EXPECT_EQ(listed.times[0], listed.times[2]);
    EXPECT_EQ(listed.times[0], listed.times[3]);
    // The space the set's version area takes, beside the list.
    EXPECT_NE(run.output.find("Korvane: Versions in " + (tmp / "dest/.korvane-versions") + " take "), std::string::npos)
        << run.output;

    // A path before the options, and --null.
    run = ProgramRun::RunSplit({ Source("docs/"), "--versions", "--null", "--file=" + SessionPath(), "--set=Docs" });
    EXPECT_EQ(run.status, 0) << run.output;
    listed = Parse(run.standardOutput, '\0');
    EXPECT_EQ(listed.lines, (std::vector<std::string> { "5 " + Source("docs/a.txt"), "7 " + Source("docs/a.txt") }));
    EXPECT_EQ(run.standardOutput.back(), '\0');

    run = ProgramRun::RunSplit({ "--file", SessionPath(), "--set=Nope", "--versions" });
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.standardOutput.empty());
    // An action word has no place in a version command.
    EXPECT_EQ(
        ProgramRun::RunSplit({ "--file", SessionPath(), "--set=Docs", "--action=backup", "--versions" }).status, 2);
}

TEST_F(VersionCommandTest, RestoreVersionTakesTheNewestAtOrBeforeTheTimeAndTrashesTheFileInPlace)
{
    const Listed listed
        = Parse(ProgramRun::RunSplit({ "--file", SessionPath(), "--set=Docs", "--versions" }).standardOutput, '\n');
    ASSERT_EQ(listed.times.size(), 4u);
    ProgramRun run = Restore(Source("docs/a.txt"), listed.times[0]);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(Source("docs/a.txt")), "first");
    EXPECT_EQ(TempDir::Read(HomeTrashFolder() + "/files/a.txt"), "current work");

    fs::create_directories(tmp / "elsewhere");
    run = Restore(Source("docs/a.txt"), listed.times[1], { "--to=" + (tmp / "elsewhere") });
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "elsewhere/docs/a.txt"), "second!");
    EXPECT_EQ(TempDir::Read(Source("docs/a.txt")), "first");

    // The other entry's version goes back to its own source.
    run = Restore(tmp / "more/c.txt", listed.times[3]);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "more/c.txt"), "c one");
    EXPECT_FALSE(fs::exists(Source("c.txt")));
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
