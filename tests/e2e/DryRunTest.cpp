#include "ProgramRun.h"
#include "common/TempDir.h"
#include "common/TmpfsMount.h"
#include "core/Session.h"
#include "core/SessionFile.h"
#include "core/Set.h"
#include "core/SettingsRecord.h"
#include "engine/GetInfoWorker.h"
#include "engine/RunPlanner.h"
#include "platform/MyRegistry.h"
#include "platform/Trash.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Type, mode, size, modification time and bytes of every item below root.
std::map<std::string, std::string> Snapshot(const std::string& root)
{
    std::map<std::string, std::string> items;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied);
         it != fs::recursive_directory_iterator(); ++it) {
        struct stat st { };
        ::lstat(it->path().c_str(), &st);
        items[it->path()] = std::to_string(st.st_mode) + " " + std::to_string(st.st_size) + " "
            + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec)
            + (S_ISREG(st.st_mode) ? " " + TempDir::Read(it->path()) : std::string());
    }
    return items;
}

std::vector<std::string> Split(const std::string& text, char end)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at = text.find(end); at != std::string::npos; at = text.find(end, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    EXPECT_EQ(start, text.size()) << "the last line is not ended";
    return parts;
}

// --dry-run of the command line: the program's whole road with nothing written.
class DryRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove(CMyRegistry::FilePath());
        CMyRegistry registry;
        registry.CreateKey("Settings\\General");
        registry.WriteString("LogFileName", tmp / "activity.log");
        registry.WriteNumber("LogActivate", 1);
        registry.CreateKey("Settings\\Actions");
        registry.WriteNumber("BackupDelete", 1);
        registry.WriteNumber("BackupTrash", 0);
        registry.CloseKey();

        ASSERT_TRUE(WriteOneSetSession(SessionPath(), "Docs", tmp / "src", tmp / "dest"));
    }

    std::string SessionPath() const { return tmp / "work.kvf"; }
    std::string Backup(const std::string& rel) const { return tmp / ("dest/src/" + rel); }

    // Everything a run could write: both sides, the log, the session, and the
    // scratch home with the settings and the run lock.
    std::map<std::string, std::string> Everything() const
    {
        auto items = Snapshot(tmp.Path());
        for (auto& item : Snapshot(fs::path(CMyRegistry::FilePath()).parent_path().parent_path().parent_path()))
            items.insert(item);
        return items;
    }

    void MakeChanges()
    {
        tmp.Write("src/same.txt", "same");
        tmp.Write("src/changed.txt", "changed text");
        tmp.Write("src/new dir/deep/new.txt", "new");
        ASSERT_EQ(ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" }).status, 0);
        tmp.Write("src/changed.txt", "changed text, and longer");
        fs::remove_all(tmp / "src/new dir");
        tmp.Write("src/added.txt", "added");
        tmp.Write("src/two\nlines.txt", "a name with a line break");
        fs::create_directories(tmp / "src/empty");
        fs::remove(tmp / "activity.log");
    }

    TempDir tmp;
};

TEST_F(DryRunTest, ListsWhatTheRealRunThenDoesAndWritesNothing)
{
    MakeChanges();
    const auto before = Everything();
    const ProgramRun preview
        = ProgramRun::RunSplit({ "--file", SessionPath(), "--set=Docs", "--action=backup", "--dry-run", "--null" });
    ASSERT_EQ(preview.status, 0) << preview.output;
    EXPECT_EQ(Everything(), before) << "the dry run wrote something";

    const std::vector<std::string> lines = Split(preview.standardOutput, '\0');
    const std::vector<std::string> expected { "- " + Backup("new dir") + "/", "- " + Backup("new dir/deep") + "/",
        "- " + Backup("new dir/deep/new.txt"), "+ " + Backup("empty") + "/", "+ 5 " + Backup("added.txt"),
        "+ 24 " + Backup("two\nlines.txt"), "~ 24 " + Backup("changed.txt"),
        "2 files and 1 folders added, 1 files modified, 1 files and 2 folders deleted, 4 files and 1 folders "
        "processed" };
    EXPECT_EQ(lines, expected);

    // The real run does exactly that, and logs the same counts.
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(fs::exists(Backup("new dir")));
    EXPECT_TRUE(fs::is_directory(Backup("empty")));
    EXPECT_EQ(fs::file_size(Backup("added.txt")), 5u);
    EXPECT_EQ(fs::file_size(Backup("changed.txt")), 24u);
    EXPECT_NE(TempDir::Read(tmp / "activity.log").find(expected.back() + " (time: "), std::string::npos);

    // Nothing is left to do: only the counts.
    const ProgramRun again = ProgramRun::RunSplit({ "/F", SessionPath(), "/S", "docs", "/A", "backup", "/N" });
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.standardOutput,
        "0 files and 0 folders added, 0 files modified, 0 files and 0 folders deleted, 4 files and 1 folders "
        "processed\n");
}

TEST_F(DryRunTest, StatusIsTheRunsAndNeitherDefaultsNorQuestionsApply)
{
    tmp.Write("src/a.txt", "alpha");
    tmp.Write("src/sub/b.txt", "beta");
    ASSERT_EQ(ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" }).status, 0);
    // A restore over a read-only file fails there, as the system refuses it.
    tmp.Write("dest/src/a.txt", "alpha, edited in the backup");
    tmp.Write("dest/src/new.txt", "new");
    ::chmod((tmp / "src/a.txt").c_str(), 0444);
    fs::remove(tmp / "activity.log");
    const auto before = Everything();
    const ProgramRun preview
        = ProgramRun::RunSplit({ "/f", SessionPath(), "/s", "Docs", "/a", "restore", "/n", "/d", "/q", "/c", "/e" });
    EXPECT_EQ(preview.status, 1) << preview.output;
    EXPECT_EQ(Everything(), before) << "not even the session's defaults are stored";
    EXPECT_NE(preview.output.find("Korvane: would fail: Permission denied (error: 13), Source: "), std::string::npos)
        << preview.output;
    EXPECT_EQ(preview.output.find("Are you sure"), std::string::npos);
    EXPECT_EQ(preview.output.find("Action has completed!"), std::string::npos);
    EXPECT_EQ(preview.standardOutput.find("+ 3 " + tmp / "src/new.txt" + "\n"), 0u) << preview.standardOutput;

    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "restore", "/e" });
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "src/new.txt"), "new");
    EXPECT_EQ(TempDir::Read(tmp / "src/a.txt"), "alpha");
}

TEST_F(DryRunTest, ReadOnlyBackupMountIsReadAndWhatWouldFailIsSaid)
{
    const std::string mountPoint = tmp / "dest";
    fs::create_directory(mountPoint);
    TmpfsMount mount(mountPoint, "256k");
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    tmp.Write("src/kept.txt", "kept");
    tmp.Write("src/new.txt", "new");
    tmp.Write("dest/src/kept.txt", "kept");
    tmp.Write("dest/src/old.txt", "old");
    fs::last_write_time(tmp / "dest/src/kept.txt", fs::last_write_time(tmp / "src/kept.txt"));
    ASSERT_TRUE(mount.MakeReadOnly());

    const auto before = Everything();
    const ProgramRun preview
        = ProgramRun::RunSplit({ "--file", SessionPath(), "--set", "Docs", "--action", "backup", "--dry-run" });
    EXPECT_EQ(preview.status, 1) << preview.output;
    EXPECT_EQ(Everything(), before);
    EXPECT_NE(preview.output.find("would fail: Read-only file system (error: 30), Source: "), std::string::npos)
        << preview.output;
    // The copy cannot succeed, so it is not listed; the real run on the same
    // mount then ends the same way and logs the same counts.
    EXPECT_EQ(preview.standardOutput.find("+ "), std::string::npos) << preview.standardOutput;
    const std::vector<std::string> lines = Split(preview.standardOutput, '\n');
    ASSERT_FALSE(lines.empty());
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" });
    EXPECT_EQ(run.status, preview.status) << run.output;
    EXPECT_NE(TempDir::Read(tmp / "activity.log").find(lines.back() + " (time: "), std::string::npos) << lines.back();
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/old.txt"), "old");
}

// The stored choice is the run's: the preview says where the replaced files
// go, and the restore puts them there; turned off, neither.
TEST_F(DryRunTest, ARestoreSaysItTrashesWhatItReplacesAndDoes)
{
    tmp.Write("src/a.txt", "backed up");
    ASSERT_EQ(ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" }).status, 0);
    tmp.Write("src/a.txt", "edited since, and longer");
    const std::string trashed = HomeTrashFolder() + "/files/a.txt";
    fs::remove_all(HomeTrashFolder());
    const std::string note = "Korvane: each file to update (~) goes to the trash before its backup replaces it\n";

    const ProgramRun preview = ProgramRun::RunSplit({ "/f", SessionPath(), "/s", "Docs", "/a", "restore", "/n" });
    EXPECT_EQ(preview.status, 0) << preview.output;
    EXPECT_EQ(preview.standardOutput.find("~ 9 " + tmp / "src/a.txt" + "\n"), 0u) << preview.standardOutput;
    EXPECT_NE(preview.output.find(note), std::string::npos) << preview.output;
    EXPECT_FALSE(fs::exists(trashed));

    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "restore", "/e" });
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "src/a.txt"), "backed up");
    EXPECT_EQ(TempDir::Read(trashed), "edited since, and longer");

    fs::remove_all(HomeTrashFolder());
    tmp.Write("src/a.txt", "edited again");
    {
        CMyRegistry registry;
        registry.CreateKey("Settings\\Actions");
        registry.WriteNumber("RestoreTrash", 0);
    }
    const ProgramRun quiet = ProgramRun::RunSplit({ "/f", SessionPath(), "/s", "Docs", "/a", "restore", "/n" });
    EXPECT_EQ(quiet.output.find(note), std::string::npos) << quiet.output;
    EXPECT_EQ(ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "restore", "/e" }).status, 0);
    EXPECT_EQ(TempDir::Read(tmp / "src/a.txt"), "backed up");
    EXPECT_FALSE(fs::exists(trashed));
}

// The lines a dry run prints for a plan: the window's details and the
// printed preview are two readings of one list.
std::vector<std::string> PlanLines(const CRunPlan& plan)
{
    std::vector<std::string> lines;
    for (const CRunPlan::Item& item : plan.Items()) {
        const char* sign = item.What == CRunPlan::Kind::Deleted ? "- "
            : item.What == CRunPlan::Kind::Replaced             ? "~ "
                                                                : "+ ";
        const bool sized = !item.Folder && item.What != CRunPlan::Kind::Deleted;
        lines.push_back(
            sign + (sized ? std::to_string(item.Size) + " " : std::string()) + item.Path + (item.Folder ? "/" : ""));
    }
    return lines;
}

// The plan the file information window gets, made in this process from the
// same folders and settings as the program's.
CRunPlan WindowPlan(const TempDir& tmp, int action)
{
    CSet set;
    set.ActiveAction = action;
    CBackup& entry = set.Entries.emplace_back();
    entry.SourceFolder = tmp / "src";
    entry.DestinationFolder = tmp / "dest";
    entry.IncludeFiles = "*.*";
    SettingsRecord settings;
    settings.Actions.BackupDelete = 1;
    settings.Actions.BackupTrash = 0;
    std::atomic<int> cancel { 0 };
    CGetInfoWorker info(set, cancel);
    CRunPlanner planner(settings, CClock::System());
    info.SetPlanner([&planner](const CSet& scanned, std::vector<CEntryScan> scans, std::atomic<std::int32_t>& stop) {
        return planner.Plan(scanned, std::move(scans), stop);
    });
    info.Start();
    info.Wait();
    return info.TakePlan();
}

TEST_F(DryRunTest, PrintsThePlanOfTheInformationWindowAndARestoreSaysWhatItWillDo)
{
    MakeChanges();
    // The source file changed after its backup, so a restore replaces newer work.
    fs::last_write_time(tmp / "src/changed.txt", fs::last_write_time(Backup("changed.txt")) + std::chrono::hours(1));
    for (const char* action : { "backup", "restore" }) {
        const ProgramRun preview = ProgramRun::RunSplit(
            { "--file", SessionPath(), "--set=Docs", std::string("--action=") + action, "--dry-run", "--null" });
        ASSERT_EQ(preview.status, 0) << preview.output;
        std::vector<std::string> printed = Split(preview.standardOutput, '\0');
        ASSERT_FALSE(printed.empty());
        printed.pop_back();
        const CRunPlan plan = WindowPlan(tmp, std::string(action) == "restore" ? 1 : 0);
        EXPECT_EQ(printed, PlanLines(plan)) << action;
        EXPECT_FALSE(printed.empty()) << action;
    }

    const CRunPlan restore = WindowPlan(tmp, 1);
    EXPECT_EQ(restore.FilesOf(CRunPlan::Kind::BroughtBack), 1);
    EXPECT_EQ(restore.FilesOf(CRunPlan::Kind::Replaced), 1);
    EXPECT_EQ(restore.Tally().NewerReplaced, 1);
    const ProgramRun verbose = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "restore", "/n", "/v" });
    ASSERT_EQ(verbose.status, 0) << verbose.output;
    EXPECT_NE(verbose.output.find("This restore will replace 1 files on the source, 1 of them newer than their "
                                  "backup copy, and bring back 1 files deleted from the source.\n"),
        std::string::npos)
        << verbose.output;
    // A backup says nothing of the kind.
    const ProgramRun backup = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/n", "/v" });
    EXPECT_EQ(backup.output.find("This restore"), std::string::npos);
}

} // namespace

namespace {

// A set that keeps versions for a day, and a version older than that.
class VersionsDryRunTest : public DryRunTest {
protected:
    void SetUp() override
    {
        DryRunTest::SetUp();
        CSession session;
        CSet& set = session.Sets.emplace_back();
        set.Name = "Docs";
        set.Versions.Active = 1;
        set.Versions.Days = 1;
        CBackup& entry = set.Entries.emplace_back();
        entry.SourceFolder = tmp / "src";
        entry.DestinationFolder = tmp / "dest";
        entry.IncludeFiles = "*.*";
        entry.Recursive = 1;
        ASSERT_EQ(CSessionFile::Write(SessionPath(), CSessionFile::BuildDocument(session)), 0);
        for (int i = 0; i < 120; ++i)
            tmp.Write("src/f" + std::to_string(i), "old");
        const ProgramRun first = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" });
        ASSERT_EQ(first.status, 0) << first.output;
        tmp.Write("dest/.korvane-versions/2020-01-01 000000/src/f0", "a version of 2020");
    }
    std::string OldVersion() const { return tmp / "dest/.korvane-versions/2020-01-01 000000/src/f0"; }
};

TEST_F(VersionsDryRunTest, ListsThePruningAndTheBrakeAndTheRealRunDoesIt)
{
    ProgramRun preview
        = ProgramRun::RunSplit({ "--file", SessionPath(), "--set=Docs", "--action=backup", "--dry-run" });
    ASSERT_EQ(preview.status, 0) << preview.output;
    EXPECT_EQ("x " + OldVersion()
            + "\n0 files and 0 folders added, 0 files modified, 0 files and 0 folders deleted, "
              "120 files and 0 folders processed\n",
        preview.standardOutput);

    // Most files gone: the dry run says the brake would stop it, and lists
    // no pruning for a run that would fail.
    for (int i = 0; i < 110; ++i)
        fs::remove(tmp / ("src/f" + std::to_string(i)));
    preview = ProgramRun::RunSplit({ "--file", SessionPath(), "--set=Docs", "--action=backup", "--dry-run" });
    EXPECT_EQ(preview.status, 1);
    EXPECT_NE(preview.output.find("would delete or replace 110 of the 120 files"), std::string::npos) << preview.output;
    EXPECT_EQ(preview.standardOutput.find("x "), std::string::npos) << preview.standardOutput;

    // The real run refuses alike, then, with the files back, prunes.
    EXPECT_EQ(ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" }).status, 1);
    EXPECT_TRUE(fs::exists(Backup("f0")));
    EXPECT_TRUE(fs::exists(OldVersion()));
    for (int i = 0; i < 110; ++i) {
        const std::string name = "f" + std::to_string(i);
        tmp.Write("src/" + name, "old");
        fs::last_write_time(tmp / ("src/" + name), fs::last_write_time(Backup(name)));
    }
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e", "/v" });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(fs::exists(OldVersion()));
    // What is left, in the summary and in the log.
    const std::string area = tmp / "dest/.korvane-versions";
    EXPECT_NE(run.output.find(" Versions: "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(" in " + area + "\n"), std::string::npos) << run.output;
    EXPECT_NE(TempDir::Read(tmp / "activity.log").find("Versions in " + area + " take "), std::string::npos);
}

} // namespace
