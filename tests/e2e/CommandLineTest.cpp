#include "ProgramRun.h"
#include "common/AsOtherUser.h"
#include "common/PrivateMounts.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "common/TmpfsMount.h"
#include "core/Session.h"
#include "core/SessionFile.h"
#include "platform/MyRegistry.h"
#include "platform/RunLock.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const char* kHelpLine = "/f <file name> /s <set name> /a <action name> [options]";

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove(CMyRegistry::FilePath());
        tmp.Write("src/a.txt", "alpha");
        tmp.Write("src/sub/b.txt", "beta");
        fs::create_directories(tmp / "dest");
        CMyRegistry registry;
        registry.CreateKey("Settings\\General");
        registry.WriteNumber("LogActivate", 1);
        registry.WriteString("LogFileName", LogPath());
    }

    std::string LogPath() const { return tmp / "activity.log"; }
    std::string SessionPath() const { return tmp / "work.kvf"; }

    CSet& AddSet(const std::string& name, const std::string& destination, int action = 0)
    {
        CSet& set = session.Sets.emplace_back();
        set.Name = name;
        set.ActiveAction = action;
        CBackup& entry = set.Entries.emplace_back();
        entry.SourceFolder = tmp / "src";
        entry.DestinationFolder = destination;
        entry.IncludeFiles = "*.*";
        return set;
    }

    void SaveSession() { ASSERT_EQ(CSessionFile::Write(SessionPath(), CSessionFile::BuildDocument(session)), 0); }

    // "type\taction\tmessage" of every record after the header.
    std::vector<std::string> LogRecords() const
    {
        std::vector<std::string> records;
        const std::string text = TempDir::Read(LogPath());
        std::size_t start = 0;
        for (int line = 1; start < text.size(); ++line) {
            std::size_t end = text.find("\r\n", start);
            if (end == std::string::npos)
                end = text.size();
            const std::string record = text.substr(start, end - start);
            if (line > 2)
                records.push_back(record.substr(record.find('\t') + 1));
            start = end + 2;
        }
        return records;
    }

    TempDir tmp;
    CSession session;
};

TEST_F(CommandLineTest, WrongCallsShowTheHelpAndEndWithStatusTwo)
{
    const std::vector<std::vector<std::string>> calls {
        { "/e" },
        { "/f", SessionPath(), "/s", "Docs", "/e" },
        { "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/a", "backup", "/e" },
        { "/f", SessionPath(), "/s", "Docs", "/e", "/a" },
        {},
    };
    for (const auto& call : calls) {
        const ProgramRun run = ProgramRun::Run(call);
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find(kHelpLine), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("/g  Ignore all errors that occur during action"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(LogPath()));
}

TEST_F(CommandLineTest, BackupAndRestoreLogStartedCountsAndCompleted)
{
    AddSet("Docs", tmp / "dest");
    SaveSession();
    ProgramRun run = ProgramRun::Run({ "/F", SessionPath(), "/S", "docs", "/A", "Backup", "/E" });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/sub/b.txt"), "beta");
    std::vector<std::string> expected { "0\t0\tBackup started for 'Docs'",
        "0\t0\t2 files and 2 folders added, 0 files modified, 0 files and 0 folders deleted, 2 files and 1 folders "
        "processed (time: 00:00:00)",
        "0\t0\tBackup completed for 'Docs'" };
    // The program's own clock runs: a slow machine (a sanitizer build) may
    // take a second.
    std::vector<std::string> records = LogRecords();
    if (records.size() == 3 && records[1].ends_with("(time: 00:00:01)"))
        records[1].replace(records[1].size() - 2, 1, "0");
    EXPECT_EQ(records, expected);

    fs::remove_all(tmp / "src");
    run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "RESTORE", "/e" });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "src/a.txt"), "alpha");
    records = LogRecords();
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[3], "0\t1\tRestore started for 'Docs'");
    EXPECT_EQ(records[5], "0\t1\tRestore completed for 'Docs'");
}

TEST_F(CommandLineTest, LastMatchingSetWinsAndItsNamedActionRuns)
{
    AddSet("Docs", tmp / "first");
    AddSet("DOCS", tmp / "second");
    session.ActiveSet = 0;
    session.Sets[0].ActiveAction = 1;
    session.Sets[1].ActiveAction = 1;
    SaveSession();
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "docs", "/a", "bAcKuP", "/e" });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::exists(tmp / "second/src/a.txt")) << "the named action on the later set";
    EXPECT_FALSE(fs::exists(tmp / "first"));
}

TEST_F(CommandLineTest, MistypedActionIsAWrongCallAndRunsNothing)
{
    // The stored action is a restore: running it for "bakup" would pour the
    // backup over the newer source.
    AddSet("Docs", tmp / "dest", 1);
    SaveSession();
    tmp.Write("dest/src/a.txt", "old");
    for (const char* word : { "bakup", "copy", "" }) {
        const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", word, "/e", "/d" });
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find("Unknown action name '" + std::string(word) + "'."), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(kHelpLine), std::string::npos) << run.output;
    }
    EXPECT_EQ(TempDir::Read(tmp / "src/a.txt"), "alpha");
    EXPECT_FALSE(fs::exists(LogPath()));
    CSession reread;
    ScriptedPrompter prompter;
    ASSERT_EQ(CSessionFile::Read(SessionPath(), reread, prompter), 0);
    EXPECT_EQ(reread.Sets[0].ActiveAction, 1) << "/d saved nothing";
}

TEST_F(CommandLineTest, EntriesSharingABackupFolderEndWithStatusTwo)
{
    CSet& set = AddSet("Docs", tmp / "dest");
    tmp.Write("elsewhere/src/c.txt", "gamma");
    set.Entries.push_back(set.Entries.front());
    set.Entries.back().SourceFolder = tmp / "elsewhere/src";
    SaveSession();
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" });
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find("The folders '" + tmp / "src" + "' and '" + tmp / "elsewhere/src"), std::string::npos)
        << run.output;
    EXPECT_TRUE(fs::is_empty(tmp / "dest"));
}

TEST_F(CommandLineTest, DamagedSettingsFileIsReportedAndKeptAside)
{
    AddSet("Docs", tmp / "dest");
    SaveSession();
    const std::string file = CMyRegistry::FilePath();
    TempDir::Read(file);
    ASSERT_TRUE(fs::exists(file));
    {
        std::FILE* out = std::fopen(file.c_str(), "ab");
        ASSERT_NE(out, nullptr);
        std::fputs("[Settings%2FActions\n\x7f\x7f garbage\n", out);
        std::fclose(out);
    }
    const std::string damaged = TempDir::Read(file);
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" });
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Korvane: warning: The settings file '" + file + "' is damaged. It was kept as '" + file
                  + ".damaged'"),
        std::string::npos)
        << run.output;
    EXPECT_EQ(TempDir::Read(file + ".damaged"), damaged);
    EXPECT_FALSE(fs::exists(LogPath())) << "the defaults keep the log off";
    fs::remove(file + ".damaged");
}

TEST_F(CommandLineTest, EmptySetNameRunsTheActiveSet)
{
    AddSet("One", tmp / "one");
    AddSet("Two", tmp / "dest");
    session.ActiveSet = 1;
    SaveSession();
    tmp.Write("dest/src/only-in-backup.txt", "kept");
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "", "/a", "restore", "/e" });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "src/only-in-backup.txt"), "kept");
    EXPECT_FALSE(fs::exists(tmp / "one"));
}

TEST_F(CommandLineTest, UnknownSetOrSessionIsRefusedWithStatusTwo)
{
    AddSet("Docs", tmp / "dest");
    SaveSession();
    ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Photos", "/a", "backup", "/e" });
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("Set name 'Photos' does not exist in session file."), std::string::npos) << run.output;

    run = ProgramRun::Run({ "/f", tmp / "missing.kvf", "/s", "Docs", "/a", "backup", "/e" });
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("Failed to open session '" + tmp / "missing.kvf" + "'."), std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(tmp / "dest/src"));
    EXPECT_FALSE(fs::exists(LogPath()));
}

TEST_F(CommandLineTest, SessionFileThatCannotBeUsedSaysWhy)
{
    const std::string notXml = tmp.Write("notes.kvf", "Documents -> /mnt/backup\n");
    fs::create_directory(tmp / "folder.kvf");
    const std::pair<std::string, std::string> cases[] = {
        { notXml, "The file is not a valid session file: it is not valid XML" },
        { tmp / "folder.kvf", "Is a directory (error: 21)." },
    };
    for (const auto& [path, reason] : cases) {
        const ProgramRun run = ProgramRun::Run({ "/f", path, "/s", "Docs", "/a", "backup", "/e" });
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find("Failed to open session '" + path + "'.\\n\\n" + reason), std::string::npos)
            << run.output;
        EXPECT_EQ(run.output.find("does not exist"), std::string::npos) << run.output;
    }
}

TEST_F(CommandLineTest, SessionWithoutAValidSetIsRefusedNamingTheFile)
{
    AddSet("Docs", tmp / "dest");
    session.ActiveSet = 4;
    SaveSession();
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "", "/a", "backup", "/e" });
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("Session '" + SessionPath() + "' holds no backup set to run."), std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(tmp / "dest/src"));
}

TEST_F(CommandLineTest, MakeDefaultWritesTheDefaultsAndRunsNothingWithoutExecute)
{
    AddSet("One", tmp / "one");
    AddSet("Two", tmp / "dest");
    SaveSession();
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "two", "/a", "restore", "/d" });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_FALSE(fs::exists(LogPath()));
    EXPECT_TRUE(fs::is_empty(tmp / "dest"));

    CSession reread;
    ScriptedPrompter prompter;
    ASSERT_EQ(CSessionFile::Read(SessionPath(), reread, prompter), 0);
    EXPECT_EQ(reread.ActiveSet, 1);
    EXPECT_EQ(reread.Sets[1].ActiveAction, 1);
    EXPECT_EQ(reread.Sets[0].ActiveAction, 0);
}

TEST_F(CommandLineTest, WithoutExecuteOrWhenAskedWithoutATerminalNothingRuns)
{
    AddSet("Docs", tmp / "dest");
    SaveSession();
    const std::string before = TempDir::Read(SessionPath());
    ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup" });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(TempDir::Read(SessionPath()), before) << "without /d the file is left alone";

    // /q: the question's non-interactive answer is No.
    run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e", "/q" }, "yes\n");
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_NE(run.output.find("Are you sure you want to run action?"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(tmp / "dest"));
    EXPECT_FALSE(fs::exists(LogPath()));
}

TEST_F(CommandLineTest, CancelledMediaCheckWritesNothingMore)
{
    AddSet("Docs", "/media/korvane-test-user/NoSuchDisk/backup");
    SaveSession();
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e", "/c" });
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_NE(run.output.find("Please make backup media available for '/media/korvane-test-user/NoSuchDisk'"),
        std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("Action has completed!"), std::string::npos);
    EXPECT_EQ(LogRecords(), std::vector<std::string> { "0\t0\tBackup started for 'Docs'" });
    EXPECT_FALSE(fs::exists("/media/korvane-test-user"));
}

TEST_F(CommandLineTest, RunWhileAnotherProcessRunsIsRefusedWithStatusThree)
{
    AddSet("Docs", tmp / "dest");
    SaveSession();
    const std::string scratchRuntime = std::getenv("XDG_RUNTIME_DIR");
    // The tray's run in the desktop session...
    const std::string runtime = tmp / "desktop-runtime";
    fs::create_directory(runtime);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    CRunLock running;
    ASSERT_EQ(running.TryLock(CRunLock::Kind::Scheduled), CRunLock::Result::Locked);
    // ...meets a cron run, which has no XDG_RUNTIME_DIR.
    unsetenv("XDG_RUNTIME_DIR");
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" });
    setenv("XDG_RUNTIME_DIR", scratchRuntime.c_str(), 1);
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_NE(run.output.find("A scheduled event is currently being executed."), std::string::npos);
    EXPECT_TRUE(fs::is_empty(tmp / "dest"));
    EXPECT_FALSE(fs::exists(LogPath()));
}

// Root under cron has no /run/user/0: the run lock lies in /tmp/korvane-0,
// a name any user can take first. A folder of theirs, or a link, must stop
// the run with its reason, never let it run unlocked beside another.
TEST_F(CommandLineTest, ARunLockFolderAnotherUserMadeFirstEndsTheRunWithStatusThree)
{
    AddSet("Docs", tmp / "dest");
    SaveSession();
    const fs::path root = fs::path(std::getenv("HOME")).parent_path();
    const fs::path fakeTmp = tmp / "fake-tmp";
    fs::create_directory(fakeTmp);
    const std::string name = "korvane-" + std::to_string(::geteuid());
    const std::vector<std::string> call { "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" };
    const struct {
        std::function<int()> make;
        std::string reason;
    } cases[] = {
        { [&name] { return ::mkdir(name.c_str(), 0777) == 0 && ::chmod(name.c_str(), 0777) == 0 ? 0 : 1; },
            "it belongs to another user (user id 65534)" },
        { [&name] { return ::mkdir("theirs", 0700) == 0 && ::symlink("theirs", name.c_str()) == 0 ? 0 : 1; },
            "it is a symbolic link" },
    };
    const int result = RunInPrivateMounts([&] {
        // A /tmp of its own that still holds the scratch folder and the
        // program (a build in a clone below /tmp), and no /run/user at all.
        if (!MountAt("tmpfs", fakeTmp, "mode=1777"))
            return 10;
        for (const fs::path& kept : { root, fs::path(KORVANE_BIN).parent_path() }) {
            const fs::path inTmp = kept.lexically_relative("/tmp");
            if (inTmp.empty() || *inTmp.begin() == "..")
                continue;
            fs::create_directories(fakeTmp / inTmp);
            if (::mount(kept.c_str(), (fakeTmp / inTmp).c_str(), nullptr, MS_BIND, nullptr) != 0)
                return 11;
        }
        if (::mount(fakeTmp.c_str(), "/tmp", nullptr, MS_BIND | MS_REC, nullptr) != 0)
            return 12;
        if (fs::exists("/run/user") && !MountAt("tmpfs", "/run/user"))
            return 13;
        unsetenv("KORVANE_LOCK_DIR");
        int failed = 20;
        for (const auto& made : cases) {
            fs::remove_all("/tmp/" + name);
            if (RunAsOtherUser("/tmp", made.make) != 0)
                return 14;
            const ProgramRun run = ProgramRun::Run(call);
            const std::string expected = "The lock folder '/tmp/" + name + "' cannot be used: " + made.reason + ".";
            if (run.status != 3 || run.output.find(expected) == std::string::npos) {
                std::fprintf(
                    stderr, "status %d, expected '%s':\n%s\n", run.status, expected.c_str(), run.output.c_str());
                return failed;
            }
            ++failed;
        }
        return 0;
    });
    if (result == kNoPrivateMounts)
        GTEST_SKIP() << "no mount namespace here";
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(fs::is_empty(tmp / "dest"));
    EXPECT_FALSE(fs::exists(LogPath()));
}

TEST_F(CommandLineTest, VerboseRunDrawsProgressAndPrintsTheSummary)
{
    AddSet("Docs", tmp / "dest");
    SaveSession();
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e", "/v", "/c" });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("2/2 files 1/1 folders"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Backup Summary"), std::string::npos);
    EXPECT_NE(run.output.find("    Added: 2 files, 2 folders (9 bytes)"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Action has completed!"), std::string::npos);
}

TEST_F(CommandLineTest, SchedulerWithoutDisplayRunsUntilTerminated)
{
    AddSet("Docs", tmp / "dest");
    SaveSession();
    {
        CMyRegistry registry;
        registry.CreateKey("Info");
        registry.WriteString("LastSession", SessionPath());
    }
    BackgroundProgram program({ "/i" });
    ASSERT_TRUE(program.WaitForOutput("scheduler running")) << program.Output();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0) << program.Output();
    EXPECT_NE(program.Output().find("scheduler stopped"), std::string::npos);
}

} // namespace

namespace {

TEST_F(CommandLineTest, FailedItemsArePassedOverWithStatusOne)
{
    AddSet("Docs", tmp / "dest");
    SaveSession();
    // A FIFO where the backup needs the folder "sub": that folder and its file
    // fail (a backup never replaces what it does not hold itself).
    fs::create_directories(tmp / "dest/src");
    ASSERT_EQ(::mkfifo((tmp / "dest/src/sub").c_str(), 0600), 0);
    ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" });
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/a.txt"), "alpha");
    EXPECT_NE(run.output.find("answered Ignore"), std::string::npos) << run.output;

    // /g: passed over without asking, reported the same way.
    fs::remove(tmp / "dest/src/a.txt");
    run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e", "/g" });
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output.find("answered Ignore"), std::string::npos) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/a.txt"), "alpha");
    // Each failed item is still named, one line each.
    EXPECT_NE(run.output.find("Korvane: failed: Failed to create folder '" + tmp / "dest/src/sub" + "'.\n"),
        std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Korvane: failed: Not a directory (error: 20): Source: " + tmp / "src/sub/b.txt"),
        std::string::npos)
        << run.output;

    // The summary counts them beside what was processed and names each; the
    // log's end record is an error, followed by the count.
    run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e", "/g", "/v" });
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Processed: 2 files, 1 folders"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("   Failed: 2 items\n           " + tmp / "dest/src/sub"
                  + ": Failed to create the folder: File exists (error: 17)\n           " + tmp / "src/sub/b.txt"
                  + ": Not a directory (error: 20)\n"),
        std::string::npos)
        << run.output;
    const std::vector<std::string> records = LogRecords();
    ASSERT_GE(records.size(), 2u);
    EXPECT_EQ(records[records.size() - 2], "2\t0\tBackup completed for 'Docs'");
    EXPECT_EQ(records.back(), "2\t0\tFailed items: 2");
}

// Folders that keep other modes and times than their counterparts fail
// like files that could not be copied: on a read-only backup, and in a
// restore onto a read-only source.
TEST_F(CommandLineTest, FolderTimesThatCannotBeSetAreFailuresWithStatusOne)
{
    const std::string disk = tmp / "disk";
    fs::create_directories(disk);
    TmpfsMount mount(disk, "256k");
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    fs::copy(tmp / "src", disk + "/src", fs::copy_options::recursive);
    AddSet("Docs", disk + "/dest").Entries[0].SourceFolder = disk + "/src";
    SaveSession();
    ASSERT_EQ(ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" }).status, 0);
    const timespec times[2] = { { 1'300'000'000, 0 }, { 1'300'000'000, 0 } };
    for (const std::string& folder : { disk + "/src/sub", disk + "/src" })
        ASSERT_EQ(::utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
    ASSERT_TRUE(mount.MakeReadOnly());

    for (const char* action : { "backup", "restore" }) {
        const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", action, "/e", "/g" });
        EXPECT_EQ(run.status, 1) << run.output;
        const std::string side = disk + (std::string(action) == "backup" ? "/dest/src" : "/src");
        for (const std::string& folder : { side + "/sub", side }) {
            EXPECT_NE(run.output.find("Korvane: failed: Failed to set the mode and time of folder '" + folder
                          + "': Read-only file system (error: 30).\n"),
                std::string::npos)
                << action << "\n"
                << run.output;
        }
    }
}

// Names may hold line breaks, tabs and terminal controls. Whatever fails on
// them, asked about or passed over (/g), standard error gets one line per
// message with the controls escaped, and so does the log: no name can begin
// a line that passes for Korvane's own.
TEST_F(CommandLineTest, ControlCharactersInNamesNeverBreakALineOfOutputOrLog)
{
    AddSet("Docs", tmp / "dest");
    SaveSession();
    const std::string name = "odd\nKorvane: failed: forged\r\x1b[2J\tname";
    const std::string shown = "odd\\nKorvane: failed: forged\\r\\x1b[2J\\tname";
    tmp.Write("src/" + name + "/f.txt", "f");
    fs::create_directories(tmp / "dest/src");
    ASSERT_EQ(::mkfifo((tmp / "dest/src/" + name).c_str(), 0600), 0);
    for (const char* quiet : { "", "/g" }) {
        std::vector<std::string> call { "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" };
        if (*quiet)
            call.push_back(quiet);
        const ProgramRun run = ProgramRun::Run(call);
        EXPECT_EQ(run.status, 1) << run.output;
        // Asked about, the message names it with its escapes; passed over,
        // the list of failed items joins the message's lines (and the name's).
        const std::string named = *quiet ? "odd, Korvane: failed: forged\\r\\x1b[2J\\tname" : shown;
        EXPECT_NE(run.output.find("Failed to create folder '" + tmp / "dest/src/" + named + "'."), std::string::npos)
            << quiet << run.output;
        std::size_t start = 0;
        for (std::size_t end = 0; (end = run.output.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string line = run.output.substr(start, end - start);
            EXPECT_TRUE(line.starts_with("Korvane: ")) << quiet << " " << line;
            EXPECT_FALSE(line.starts_with("Korvane: failed: forged")) << quiet << " " << line;
            EXPECT_TRUE(std::none_of(line.begin(), line.end(), [](char c) { return c >= 0 && c < 0x20; }))
                << quiet << " " << line;
        }
        EXPECT_EQ(start, run.output.size()) << "the output ends with a whole line";
    }
    const std::vector<std::string> records = LogRecords();
    ASSERT_FALSE(records.empty());
    for (const std::string& record : records) {
        EXPECT_EQ(std::count(record.begin(), record.end(), '\t'), 2) << record;
        EXPECT_TRUE(std::none_of(record.begin(), record.end(), [](char c) { return c != '\t' && c >= 0 && c < 0x20; }))
            << record;
    }
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const std::string& record) {
        return record.find("forged\\r\\x1b[2J\\tname") != std::string::npos;
    })) << ::testing::PrintToString(records);
}

TEST_F(CommandLineTest, MissingSidesAreFailuresWithStatusOne)
{
    AddSet("Docs", tmp / "dest");
    session.Sets[0].Entries[0].SourceFolder = tmp / "gone";
    SaveSession();
    for (const char* quiet : { "", "/g" }) {
        std::vector<std::string> call { "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" };
        if (*quiet)
            call.push_back(quiet);
        const ProgramRun run = ProgramRun::Run(call);
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find("Failed to access " + tmp / "gone"), std::string::npos) << run.output;
    }
    // A restore from a backup folder that is not there restores nothing.
    const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "restore", "/e", "/g" });
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Korvane: failed: Failed to access " + tmp / "dest/gone"), std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(tmp / "gone"));
}

} // namespace
