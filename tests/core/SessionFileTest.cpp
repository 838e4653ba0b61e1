#include "core/SessionFile.h"

#include "Sessions.h"
#include "StringTable.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "common/TmpfsMount.h"
#include "core/Session.h"
#include "platform/MyRegistry.h"
#include "scan/FileRecordArray.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Fixture(const std::string& name)
{
    return std::string(KORVANE_TEST_DATA) + "/sessions/" + name;
}

std::string Message(int id, const std::string& path)
{
    return FormatString(LoadString(id).c_str(), path.c_str());
}

std::string LastSession()
{
    CMyRegistry registry;
    if (registry.OpenKey("Info") != 0)
        return {};
    return registry.ReadString("LastSession", "");
}

// A session with every field set, texts that need escaping or are easy to
// lose (line breaks, a lone CR, leading spaces, UTF-8, a NUL byte).
void Fill(CSession& session)
{
    session.Sets.clear();
    session.ActiveSet = 1;
    for (int s = 0; s < 2; ++s) {
        CSet& set = session.Sets.emplace_back();
        set.Name = s == 0 ? "Docs & <Pics>" : "  two\r\nlines\rCR \"q\" 'a' \xc3\xa9";
        set.ActiveAction = s;
        set.LastDestinationFolder = s == 0 ? "/mnt/last" : "";
        set.Schedule.Active = 1;
        set.Schedule.Condition = 3;
        set.Schedule.HourlyMinutes = 45;
        set.Schedule.Monthday = -7;
        set.Schedule.Email = s == 0 ? "a@b.c" : std::string("x\0y", 3);
        for (int e = 0; e < 3; ++e) {
            CBackup& entry = set.Entries.emplace_back();
            entry.SourceFolder = "/src/<YEAR>/%TEMP%/" + std::to_string(e);
            entry.DestinationFolder = "/dst/a&b";
            entry.ExcludeFolders = e == 1 ? "" : ".git;node_modules";
            entry.IncludeFiles = "*.*";
            entry.ExcludeFiles = "<![CDATA[x]]>";
            entry.Recursive = e == 2 ? 0 : 1;
        }
    }
}

constexpr const char* kFreshSession = "<?xml version=\"1.0\"?>\r\r\n"
                                      "<SESSION version=\"003\">\r\r\n"
                                      "<ACTIVESET>0</ACTIVESET>\r\r\n"
                                      "<SET>\r\r\n"
                                      "<NAME>Default Set</NAME>\r\r\n"
                                      "<ACTIVEACTION>0</ACTIVEACTION>\r\r\n"
                                      "<LASTDESTINATIONFOLDER/>\r\r\n"
                                      "<SCHEDULER>\r\r\n"
                                      "<ACTIVE>0</ACTIVE>\r\r\n"
                                      "<ACTION>0</ACTION>\r\r\n"
                                      "<CONDITION>0</CONDITION>\r\r\n"
                                      "<HOURLYMINUTES>0</HOURLYMINUTES>\r\r\n"
                                      "<DAILYHOUR>0</DAILYHOUR>\r\r\n"
                                      "<DAILYMINUTE>0</DAILYMINUTE>\r\r\n"
                                      "<WEEKLYHOUR>0</WEEKLYHOUR>\r\r\n"
                                      "<WEEKLYMINUTE>0</WEEKLYMINUTE>\r\r\n"
                                      "<MONTHLYHOUR>0</MONTHLYHOUR>\r\r\n"
                                      "<MONTHLYMINUTE>0</MONTHLYMINUTE>\r\r\n"
                                      "<WEEKDAY>0</WEEKDAY>\r\r\n"
                                      "<MONTHDAY>0</MONTHDAY>\r\r\n"
                                      "<SENDEMAIL>0</SENDEMAIL>\r\r\n"
                                      "<EMAIL/>\r\r\n"
                                      "</SCHEDULER>\r\r\n"
                                      "</SET>\r\r\n"
                                      "</SESSION>\r\r\n";

// The XML text of a session file as it lies on disk, from LF-ended lines.
std::string OnDisk(const std::string& lines)
{
    return CSessionFile::ToDiskBytes(lines);
}

std::string Xml(const std::string& body, const std::string& version = "003")
{
    return OnDisk("<?xml version=\"1.0\"?>\n<SESSION version=\"" + version + "\">\n<ACTIVESET>0</ACTIVESET>\n" + body
        + "</SESSION>\n");
}

} // namespace

TEST(SessionFile, FreshSessionGivesTheExactBytes)
{
    TempDir dir;
    Sessions s;
    s.working.FileName = dir / "fresh.kvf";
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    EXPECT_EQ(TempDir::Read(dir / "fresh.kvf"), kFreshSession);
    EXPECT_TRUE(s.prompter.asked.empty());
    EXPECT_EQ(LastSession(), dir / "fresh.kvf");
}

TEST(SessionFile, SaveOpenSaveKeepsEveryFieldAndEveryByte)
{
    TempDir dir;
    Sessions s;
    Fill(s.working);
    s.working.FileName = dir / "full.kvf";
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    EXPECT_FALSE(s.working.HasUnsavedChanges());
    const std::string first = TempDir::Read(dir / "full.kvf");

    Sessions again;
    const std::string path = dir / "full.kvf";
    ASSERT_EQ(again.working.OpenSession(again.prompter, &path), 0);
    CSession expected;
    Fill(expected);
    EXPECT_TRUE(again.working.IsSameContent(expected));
    EXPECT_FALSE(again.working.HasUnsavedChanges());
    EXPECT_EQ(again.working.ActiveSet, 1);
    ASSERT_EQ(again.working.Sets.size(), 2u);
    EXPECT_EQ(again.working.Sets[1].ActiveAction, 1);
    EXPECT_EQ(again.working.Sets[0].LastDestinationFolder, "/mnt/last");

    again.working.FileName = dir / "copy.kvf";
    ASSERT_EQ(again.working.SaveSession(again.prompter), 0);
    EXPECT_EQ(TempDir::Read(dir / "copy.kvf"), first);
}

// The due times live in memory only: whatever they hold, the file is the
// same, and sets read from a file start with the initial times.
TEST(SessionFile, DueTimesAreNeitherWrittenNorRead)
{
    TempDir dir;
    Sessions s;
    Fill(s.working);
    s.working.FileName = dir / "initial.kvf";
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    for (CSet& set : s.working.Sets) {
        set.Schedule.NextDue = 1'900'000'000;
        set.Schedule.PreviousDue = 0;
    }
    s.working.FileName = dir / "computed.kvf";
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    EXPECT_EQ(TempDir::Read(dir / "computed.kvf"), TempDir::Read(dir / "initial.kvf"));

    Sessions again;
    const std::string path = dir / "computed.kvf";
    ASSERT_EQ(again.working.OpenSession(again.prompter, &path), 0);
    ASSERT_EQ(again.working.Sets.size(), 2u);
    for (const CSet& set : again.working.Sets) {
        EXPECT_EQ(set.Schedule.NextDue, CScheduler::InitialDueTime());
        EXPECT_EQ(set.Schedule.PreviousDue, CScheduler::InitialDueTime());
    }
}

TEST(SessionFile, NewerVersionIsRefusedOthersAreRead)
{
    TempDir dir;
    const std::string set = "<SET>\n<NAME>S</NAME>\n<SCHEDULER>\n<ACTIVE>1</ACTIVE>\n</SCHEDULER>\n</SET>\n";
    for (const char* version : { "002", "3", "", "x" }) {
        Sessions s;
        const std::string path = dir.Write("v.kvf", Xml(set, version));
        EXPECT_EQ(s.working.OpenSession(s.prompter, &path), 0) << version;
        ASSERT_EQ(s.working.Sets.size(), 1u) << version;
        EXPECT_EQ(s.working.Sets[0].Schedule.Active, 1);
    }
    Sessions s;
    const std::string path = dir.Write("newer.kvf", Xml(set, "004"));
    EXPECT_EQ(s.working.OpenSession(s.prompter, &path), -1);
    ASSERT_EQ(s.prompter.asked.size(), 1u);
    EXPECT_EQ(s.prompter.asked[0].text, LoadString(57695));
    EXPECT_TRUE(s.working.Sets.empty());
    // The empty session must not be offered for saving over the newer file,
    // and a set added later must not be saved over it under its name.
    EXPECT_FALSE(s.working.HasUnsavedChanges());
    EXPECT_TRUE(s.working.FileName.empty());
    s.working.Sets.emplace_back().Name = "Added";
    EXPECT_EQ(s.working.SaveSession(s.prompter), -1) << "asks for a new name; the script cancels";
    EXPECT_EQ(TempDir::Read(path), Xml(set, "004"));
}

TEST(SessionFile, MissingOrMisplacedElementsFollowTheForwardSearch)
{
    TempDir dir;
    Sessions s;
    const std::string path = dir.Write("odd.kvf",
        Xml("<SET>\n<NAME>N</NAME>\n<OTHER>skip</OTHER>\n<BACKUP>\n<SOURCEFOLDER>/s</SOURCEFOLDER>\n"
            "<INCLUDEFILES>*.x</INCLUDEFILES>\n<EXCLUDEFILES>7 files</EXCLUDEFILES>\n</BACKUP>\n"
            "<SCHEDULER>\n<ACTIVE>1</ACTIVE>\n<CONDITION>2</CONDITION>\n<ACTION>1</ACTION>\n"
            "</SCHEDULER>\n</SET>\n"));
    ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
    ASSERT_EQ(s.working.Sets.size(), 1u);
    const CSet& set = s.working.Sets[0];
    ASSERT_EQ(set.Entries.size(), 1u);
    const CBackup& entry = set.Entries[0];
    EXPECT_EQ(entry.SourceFolder, "/s");
    EXPECT_EQ(entry.DestinationFolder, "/s"); // missing: the text found before
    EXPECT_EQ(entry.ExcludeFolders, ""); // a missing exclude mask excludes nothing
    EXPECT_EQ(entry.Recursive, 7); // missing RECURSIVE: EXCLUDEFILES's number
    EXPECT_EQ(set.ActiveAction, 0); // NAME's text read as a number
    EXPECT_EQ(set.Schedule.Action, 1); // ACTION after CONDITION: still found
    EXPECT_EQ(set.Schedule.Condition, 1); // CONDITION then lies behind: ACTION's text
}

TEST(SessionFile, AnEntryWithoutExcludeMasksStillBacksUpItsFiles)
{
    TempDir dir;
    dir.Write("src/a.txt", "alpha");
    dir.Write("src/sub/b.txt", "beta");
    Sessions s;
    const std::string path = dir.Write("no-excludes.kvf",
        Xml("<SET>\n<NAME>N</NAME>\n<BACKUP>\n<SOURCEFOLDER>" + (dir / "src")
            + "</SOURCEFOLDER>\n<DESTINATIONFOLDER>/b</DESTINATIONFOLDER>\n<INCLUDEFILES>*.*</INCLUDEFILES>\n"
              "<RECURSIVE>1</RECURSIVE>\n</BACKUP>\n</SET>\n"));
    ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
    ASSERT_EQ(s.working.Sets.size(), 1u);
    ASSERT_EQ(s.working.Sets[0].Entries.size(), 1u);
    const CBackup& entry = s.working.Sets[0].Entries[0];
    EXPECT_EQ(entry.IncludeFiles, "*.*");
    EXPECT_EQ(entry.ExcludeFolders, "");
    EXPECT_EQ(entry.ExcludeFiles, "");
    EXPECT_EQ(entry.Recursive, 1);

    // Scanned as a backup does, the entry finds both files.
    CFileRecordArray found;
    std::atomic<std::int32_t> files { 0 };
    found.ScanFolder(entry.SourceFolder + "/", entry.ExcludeFolders, entry.IncludeFiles, entry.ExcludeFiles,
        entry.Recursive != 0, CFileRecordArray::kByPath, false, nullptr, &files, nullptr, nullptr, 0, nullptr);
    EXPECT_EQ(files.load(), 2);
}

TEST(SessionFile, AnEntryWithoutAnyMaskBacksUpEverything)
{
    TempDir dir;
    dir.Write("src/a.txt", "alpha");
    dir.Write("src/noext", "no dot");
    Sessions s;
    const std::string path = dir.Write("no-masks.kvf",
        Xml("<SET>\n<NAME>N</NAME>\n<BACKUP>\n<SOURCEFOLDER>" + (dir / "src")
            + "</SOURCEFOLDER>\n<DESTINATIONFOLDER>/b</DESTINATIONFOLDER>\n<EXCLUDEFOLDERS>tmp</EXCLUDEFOLDERS>\n"
              "<RECURSIVE>1</RECURSIVE>\n</BACKUP>\n<BACKUP>\n<SOURCEFOLDER>/s</SOURCEFOLDER>\n"
              "<DESTINATIONFOLDER>/b</DESTINATIONFOLDER>\n<INCLUDEFILES/>\n</BACKUP>\n</SET>\n"));
    ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
    ASSERT_EQ(s.working.Sets.size(), 1u);
    ASSERT_EQ(s.working.Sets[0].Entries.size(), 2u);
    const CBackup& entry = s.working.Sets[0].Entries[0];
    // Not the exclude folder mask read before it, which would record nothing.
    EXPECT_EQ(entry.IncludeFiles, "*.*");
    EXPECT_EQ(entry.ExcludeFolders, "tmp");
    EXPECT_EQ(s.working.Sets[0].Entries[1].IncludeFiles, "") << "an empty mask written out stays as written";

    CFileRecordArray found;
    std::atomic<std::int32_t> files { 0 };
    found.ScanFolder(entry.SourceFolder + "/", entry.ExcludeFolders, entry.IncludeFiles, entry.ExcludeFiles,
        entry.Recursive != 0, CFileRecordArray::kByPath, false, nullptr, &files, nullptr, nullptr, 0, nullptr);
    EXPECT_EQ(files.load(), 2);
}

TEST(SessionFile, EmptySetElementsAreSkippedWithoutLooping)
{
    TempDir dir;
    Sessions s;
    const std::string path = dir.Write("empty-set.kvf",
        Xml("<SET/>\n<SET>just text</SET>\n<SET>\n<NAME>Kept</NAME>\n<SCHEDULER/>\n</SET>\n<SET/>\n"
            "<SET>\n<NAME>No schedule</NAME>\n</SET>\n"));
    ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
    ASSERT_EQ(s.working.Sets.size(), 2u);
    EXPECT_EQ(s.working.Sets[0].Name, "Kept");
    EXPECT_EQ(s.working.Sets[1].Name, "No schedule");
    EXPECT_EQ(s.working.Sets[1].Schedule.Active, 0);
}

TEST(SessionFile, Version1TextFileShiftsActiveConditions)
{
    Sessions s;
    const std::string path = Fixture("version1.kvf");
    ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
    EXPECT_EQ(s.working.ActiveSet, 1);
    ASSERT_EQ(s.working.Sets.size(), 2u);
    const CSet& daily = s.working.Sets[0];
    EXPECT_EQ(daily.Name, "Daily");
    EXPECT_EQ(daily.ActiveAction, 1);
    EXPECT_EQ(daily.LastDestinationFolder, "/mnt/last");
    EXPECT_EQ(daily.Schedule.Condition, 1);
    EXPECT_EQ(daily.Schedule.DailyHour, 22);
    EXPECT_EQ(daily.Schedule.DailyMinute, 30);
    EXPECT_EQ(daily.Schedule.Weekday, 3);
    EXPECT_EQ(daily.Schedule.SendEmail, 1);
    EXPECT_EQ(daily.Schedule.Email, "me@example.org");
    ASSERT_EQ(daily.Entries.size(), 1u);
    EXPECT_EQ(daily.Entries[0].SourceFolder, "/home/me/Documents");
    EXPECT_EQ(daily.Entries[0].DestinationFolder, "/mnt/backup");
    EXPECT_EQ(daily.Entries[0].ExcludeFolders, ".cache");
    EXPECT_EQ(daily.Entries[0].IncludeFiles, "*.*");
    EXPECT_EQ(daily.Entries[0].ExcludeFiles, "*.tmp");
    EXPECT_EQ(daily.Entries[0].Recursive, 0);
    const CSet& idle = s.working.Sets[1];
    EXPECT_EQ(idle.Name, "Idle");
    EXPECT_EQ(idle.Schedule.Condition, 0);
    EXPECT_EQ(idle.Schedule.Action, 1);
    EXPECT_TRUE(idle.Entries.empty());
    EXPECT_FALSE(s.working.HasUnsavedChanges());

    // The next save writes the XML format under the same name.
    TempDir dir;
    s.working.FileName = dir / "converted.kvf";
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    EXPECT_TRUE(TempDir::Read(dir / "converted.kvf").starts_with("<?xml"));
}

TEST(SessionFile, Version2TextFileKeepsHourlyMinutesAndDefaults)
{
    Sessions s;
    const std::string path = Fixture("version2.kvf");
    ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
    ASSERT_EQ(s.working.Sets.size(), 1u);
    const CSet& set = s.working.Sets[0];
    EXPECT_EQ(set.Name, "Hourly & more");
    EXPECT_EQ(set.Schedule.Condition, 0);
    EXPECT_EQ(set.Schedule.HourlyMinutes, 15);
    EXPECT_EQ(set.Schedule.SendEmail, 0); // not a number: stays at its default
    ASSERT_EQ(set.Entries.size(), 2u);
    EXPECT_EQ(set.Entries[0].IncludeFiles, "*.doc;*.txt");
    EXPECT_EQ(set.Entries[1].SourceFolder, "/src/<b>");
    EXPECT_EQ(set.Entries[1].ExcludeFolders, ""); // shorter than its key
    EXPECT_EQ(set.Entries[1].ExcludeFiles, "~*");
    EXPECT_EQ(set.Entries[1].Recursive, 0); // last line without a line feed
}

TEST(SessionFile, HostileTextCountsAreBoundedByTheFile)
{
    TempDir dir;
    Sessions s;
    const std::string path = dir.Write("counts.kvf",
        "SettingsVersion:\t2\nSessionActiveSet:\t-5\nSessionCSetSize:\t"
        "2000000000\nSetCBackupSize:\t2000000000\nSetName:\tX\n");
    ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
    EXPECT_EQ(s.working.ActiveSet, -5);
    EXPECT_LE(s.working.Sets.size(), 5u);
    std::size_t entries = 0;
    for (const CSet& set : s.working.Sets)
        entries += set.Entries.size();
    EXPECT_LE(entries, 5u);
    EXPECT_EQ(s.working.ActiveSetPtr(), nullptr);
}

std::size_t EntryCount(const CSession& session)
{
    std::size_t entries = 0;
    for (const CSet& set : session.Sets)
        entries += set.Entries.size();
    return entries;
}

TEST(SessionFile, HugeCountsOverBlankLinesAllocateOnlyWhatTheFileHolds)
{
    TempDir dir;
    const std::string header = "SettingsVersion:\t2\nSessionActiveSet:\t0\nSessionCSetSize:\t2147483647\n";
    {
        // Every blank line is taken as one of the claimed entry counts; no
        // set block follows them, so the file holds no set.
        Sessions s;
        const std::string path = dir.Write("blank.kvf", header + std::string(200000, '\n'));
        ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
        EXPECT_EQ(s.working.Sets.size(), 0u);
    }
    {
        // One set claiming endless entries: only those whose lines are there
        // and hold something; blank or short lines end the entries.
        for (const std::string& filler : { std::string("\n"), std::string("x\n") }) {
            Sessions s;
            std::string text = "SettingsVersion:\t2\nSessionActiveSet:\t0\nSessionCSetSize:\t1\n"
                               "SetCBackupSize:\t2147483647\nSetName:\tBig\n";
            text += std::string(17, '\n') + "BackupSourceFolder:\t/one\n" + std::string(5, '\n');
            for (int line = 0; line < 6 * 1000; ++line)
                text += filler;
            const std::string path = dir.Write("entries.kvf", text);
            ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
            ASSERT_EQ(s.working.Sets.size(), 1u);
            EXPECT_EQ(s.working.Sets[0].Name, "Big");
            ASSERT_EQ(EntryCount(s.working), 1u);
            EXPECT_EQ(s.working.Sets[0].Entries[0].SourceFolder, "/one");
        }
    }
    {
        // Set blocks that hold nothing are no sets either.
        Sessions s;
        const std::string path = dir.Write("sets.kvf",
            "SettingsVersion:\t2\nSessionActiveSet:\t0\nSessionCSetSize:\t1000\n" + std::string(1000 * 19, '\n'));
        ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
        EXPECT_EQ(s.working.Sets.size(), 0u);
    }
    {
        // A file cut inside its second set keeps that set, and the first
        // set's entry whose lines are all there.
        Sessions s;
        std::string text = "SettingsVersion:\t2\nSessionActiveSet:\t1\nSessionCSetSize:\t2\n"
                           "SetCBackupSize:\t1\nSetCBackupSize:\t3\nSetName:\tOne\n";
        text += std::string(17, '\n') + "BackupSourceFolder:\t/src\n" + std::string(5, '\n') + "SetName:\tTwo\n";
        const std::string path = dir.Write("cut.kvf", text);
        ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
        ASSERT_EQ(s.working.Sets.size(), 2u);
        EXPECT_EQ(s.working.Sets[1].Name, "Two");
        ASSERT_EQ(s.working.Sets[0].Entries.size(), 1u);
        EXPECT_EQ(s.working.Sets[0].Entries[0].SourceFolder, "/src");
        EXPECT_TRUE(s.working.Sets[1].Entries.empty());
    }
}

// The file as it was found: a set claiming 2147483647 entries over 100 MB
// of blank lines. Opened in a child whose heap is capped well below the
// gigabytes that 16 million empty entries took, it loads the set alone.
TEST(SessionFile, AHugeEntryCountOverBlankLinesLoadsWithinModestMemory)
{
    TempDir dir;
    std::string text = "SettingsVersion:\t2\nSessionActiveSet:\t0\nSessionCSetSize:\t1\n"
                       "SetCBackupSize:\t2147483647\nSetName:\tBig\n";
    text.append(std::size_t { 100 } << 20, '\n');
    const std::string path = dir.Write("huge.kvf", text);
    text = {};
    const pid_t child = ::fork();
    if (child == 0) {
        // The file is read whole and turned from text mode: about three
        // copies of it, and room to spare.
        // The sixth field of statm: the data pages in use already.
        rlim_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages >> pages >> pages >> pages >> pages >> pages;
        const rlim_t cap = (rlim_t { 768 } << 20) + pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE));
        const rlimit data { cap, cap };
        if (::setrlimit(RLIMIT_DATA, &data) != 0)
            ::_exit(90);
        // Nothing may leave the child but its exit: not even an exception
        // back into the test runner.
        try {
            CSession working;
            CSession saved;
            working.SavedCopy = &saved;
            ScriptedPrompter prompter;
            if (working.NewSession(prompter) != 0 || working.OpenSession(prompter, &path) != 0)
                ::_exit(91);
            const bool loaded
                = working.Sets.size() == 1 && working.Sets[0].Name == "Big" && working.Sets[0].Entries.empty();
            ::_exit(loaded ? 0 : 92);
        } catch (...) {
            ::_exit(93);
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SessionFile, UnreadableFilesGiveTheirCodesAndTheMessageWithTheReason)
{
    TempDir dir;
    fs::create_directory(dir / "folder.kvf");
    const std::string empty = dir.Write("empty.kvf", "");
    const std::string fifo = dir / "fifo.kvf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string path;
        int code;
        std::string reason;
    } cases[] = {
        { dir / "missing.kvf", -2, "No such file or directory (error: 2)." },
        { dir / "folder.kvf", -2, "Is a directory (error: 21)." },
        { fifo, -2, "Not a regular file (a FIFO, a socket or a device)." },
        { empty, -3, "The file is empty." },
        { "/proc/self/mem", -5, "Input/output error (error: 5)." },
    };
    for (const auto& c : cases) {
        Sessions s;
        EXPECT_EQ(s.working.RunFileCommand(SessionCommand::Open, s.prompter, &c.path), c.code) << c.path;
        ASSERT_EQ(s.prompter.asked.size(), 1u) << c.path;
        EXPECT_EQ(s.prompter.asked[0].text, Message(57688, c.path) + "\n\n" + c.reason);
        EXPECT_TRUE(s.working.Sets.empty());
        EXPECT_EQ(s.working.FileName, c.path);
        EXPECT_FALSE(s.working.HasUnsavedChanges());
    }
}

// Neither a FIFO (which would block a plain open) nor a file far larger than
// any session (here a sparse one) may hang the program or fill its memory.
TEST(SessionFile, FifosAndHugeFilesAreRefusedAtOnce)
{
    TempDir dir;
    const std::string fifo = dir / "fifo.kvf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = dir / "huge.kvf";
    dir.Write("huge.kvf", "<SESSION>");
    fs::resize_file(huge, CSessionFile::kMaxFileSize + 1);
    Sessions s;
    EXPECT_EQ(s.working.OpenSession(s.prompter, &fifo), -2);
    EXPECT_EQ(s.working.OpenSession(s.prompter, &huge), -5);
}

TEST(SessionFile, FilesThatHoldNoSessionSaySoInsteadOfLoadingEmpty)
{
    TempDir dir;
    const std::string notXml = "The file is not a valid session file: it is not valid XML (";
    const std::pair<std::string, std::string> cases[] = {
        { std::string("\x89PNG\r\n\x1a\n\0\0", 10), notXml },
        { "<SESSION version=\"1\"><SET>", notXml },
        { "<OTHER><SET><NAME>x</NAME></SET></OTHER>",
            "The file is not a valid session file: it holds no SESSION element." },
    };
    for (const auto& [bytes, reason] : cases) {
        Sessions s;
        const std::string path = dir.Write("garbage.kvf", bytes);
        EXPECT_EQ(s.working.RunFileCommand(SessionCommand::Open, s.prompter, &path), -7);
        ASSERT_EQ(s.prompter.asked.size(), 1u);
        const std::string& text = s.prompter.asked[0].text;
        EXPECT_EQ(text.rfind(Message(57688, path) + "\n\n" + reason, 0), 0u) << text;
        EXPECT_TRUE(s.working.Sets.empty());
        EXPECT_EQ(s.working.ActiveSet, 0);
    }
}

TEST(SessionFile, CancelledOpenLeavesAnEmptyChangedSession)
{
    Sessions s;
    EXPECT_EQ(s.working.OpenSession(s.prompter), -1);
    ASSERT_EQ(s.prompter.fileDialogs.size(), 1u);
    EXPECT_EQ(s.prompter.fileDialogs[0].title, "Open Session");
    EXPECT_TRUE(s.prompter.fileDialogs[0].mustExist);
    EXPECT_TRUE(s.working.Sets.empty());
    EXPECT_TRUE(s.working.HasUnsavedChanges());
}

TEST(SessionFile, OpenAsksToSaveChangesFirstAndCancelKeepsThem)
{
    TempDir dir;
    Sessions s;
    s.working.Sets[0].Name = "Changed";
    const std::string path = dir.Write("other.kvf", kFreshSession);
    s.prompter.Answer(IdCancel);
    EXPECT_EQ(s.working.OpenSession(s.prompter, &path), -1);
    EXPECT_EQ(s.working.Sets[0].Name, "Changed");

    // Yes: saved under a name from the dialog, then the other file is opened.
    s.prompter.Answer(IdYes);
    s.prompter.FileName(dir / "mine.kvf");
    EXPECT_EQ(s.working.OpenSession(s.prompter, &path), 0);
    EXPECT_EQ(s.working.Sets[0].Name, "Default Set");
    EXPECT_NE(TempDir::Read(dir / "mine.kvf").find("<NAME>Changed</NAME>"), std::string::npos);
}

TEST(SessionFile, OpeningItsOwnFileNameReopensIt)
{
    TempDir dir;
    Sessions s;
    Fill(s.working);
    s.working.FileName = dir / "self.kvf";
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    ASSERT_EQ(s.working.OpenSession(s.prompter, &s.working.FileName), 0);
    EXPECT_EQ(s.working.FileName, dir / "self.kvf");
    EXPECT_EQ(s.working.Sets.size(), 2u);
}

TEST(SessionFile, SaveDialogAsksBeforeReplacingAndRefusesReadOnlyFiles)
{
    TempDir dir;
    Sessions s;
    const std::string existing = dir.Write("existing.kvf", "old");
    s.prompter.FileName(existing);
    s.prompter.Answer(IdNo);
    EXPECT_EQ(s.working.SaveSessionAs(s.prompter), -1);
    ASSERT_EQ(s.prompter.asked.size(), 1u);
    EXPECT_EQ(s.prompter.asked[0].text, Message(57686, existing));
    EXPECT_EQ(s.prompter.asked[0].style, unsigned(MbYesNo | MbIconQuestion));
    EXPECT_EQ(TempDir::Read(existing), "old");
    EXPECT_TRUE(s.working.FileName.empty());

    ASSERT_EQ(s.prompter.fileDialogs.size(), 1u);
    EXPECT_EQ(s.prompter.fileDialogs[0].title, "Save Session");
    EXPECT_EQ(s.prompter.fileDialogs[0].filter, "Korvane Files (*.kvf)");
    EXPECT_EQ(s.prompter.fileDialogs[0].defaultExtension, "kvf");
    EXPECT_TRUE(s.prompter.fileDialogs[0].save);

    s.prompter.FileName(existing);
    s.prompter.Answer(IdYes);
    EXPECT_EQ(s.working.SaveSessionAs(s.prompter), 0);
    EXPECT_EQ(TempDir::Read(existing), kFreshSession);

    const std::string locked = dir.Write("locked.kvf", "keep");
    ::chmod(locked.c_str(), 0444);
    s.prompter.FileName(locked);
    EXPECT_EQ(s.working.SaveSessionAs(s.prompter), -1);
    EXPECT_EQ(s.prompter.asked.back().text, Message(57685, locked));
    EXPECT_EQ(TempDir::Read(locked), "keep");

    // Saving onto it by name fails like creating it would.
    s.working.FileName = locked;
    EXPECT_EQ(s.working.SaveSession(s.prompter), -2);
    EXPECT_EQ(TempDir::Read(locked), "keep");

    EXPECT_EQ(s.working.SaveSessionAs(s.prompter), -1); // dialog cancelled
}

TEST(SessionFile, FailedSaveKeepsTheOldFileAndTheChanges)
{
    TempDir dir;
    Sessions s;
    s.working.FileName = dir / "no-such-folder/x.kvf";
    s.working.Sets[0].Name = "Edited";
    EXPECT_EQ(s.working.RunFileCommand(SessionCommand::Save, s.prompter), -2);
    ASSERT_EQ(s.prompter.asked.size(), 1u);
    EXPECT_EQ(s.prompter.asked[0].text, Message(57687, s.working.FileName));
    EXPECT_TRUE(s.working.HasUnsavedChanges());
    EXPECT_NE(LastSession(), s.working.FileName);

    fs::create_directory(dir / "is-a-folder.kvf");
    s.working.FileName = dir / "is-a-folder.kvf";
    EXPECT_EQ(s.working.SaveSession(s.prompter), -2);
    EXPECT_TRUE(fs::is_directory(dir / "is-a-folder.kvf"));
}

// A full disk is the real way a save breaks half-way: a tiny tmpfs.
TEST(SessionFile, FullDiskLeavesTheOldFileWhole)
{
    TempDir dir;
    const std::string mountPoint = dir / "small";
    fs::create_directory(mountPoint);
    const TmpfsMount mount(mountPoint, "64k");
    if (!mount.Mounted())
        GTEST_SKIP() << "mounting a tmpfs is not permitted here";

    Sessions s;
    const std::string path = mountPoint + "/session.kvf";
    s.working.FileName = path;
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    const std::string old = TempDir::Read(path);

    s.working.Sets[0].Entries.emplace_back().SourceFolder = std::string(200 * 1024, 'x');
    const int result = s.working.SaveSession(s.prompter);
    EXPECT_TRUE(result == -3 || result == -4 || result == -5) << result;
    EXPECT_EQ(TempDir::Read(path), old);
    EXPECT_TRUE(s.working.HasUnsavedChanges());
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& item : fs::directory_iterator(mountPoint))
        ++files;
    EXPECT_EQ(files, 1u); // no temporary file left behind
}

TEST(SessionFile, ReplacingKeepsModeAndLinks)
{
    TempDir dir;
    Sessions s;
    const std::string real = dir.Write("real.kvf", "old");
    ::chmod(real.c_str(), 0640);
    fs::create_symlink(real, dir / "link.kvf");
    s.working.FileName = dir / "link.kvf";
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.kvf"));
    EXPECT_EQ(TempDir::Read(real), kFreshSession);
    struct stat st { };
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(SessionFile, LastSessionIsRememberedWholeAndReopened)
{
    TempDir dir;
    Sessions s;
    Fill(s.working);
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path());
    s.working.FileName = "relative.kvf";
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    fs::current_path(previous);
    EXPECT_EQ(LastSession(), dir / "relative.kvf");

    Sessions later;
    later.working.OpenLastSession(later.prompter);
    EXPECT_EQ(later.working.FileName, dir / "relative.kvf");
    EXPECT_EQ(later.working.Sets.size(), 2u);
}

TEST(SessionFile, TextModeConversionIsLossless)
{
    const std::string text = "a\nb\r\nc\r\rd\r";
    EXPECT_EQ(CSessionFile::ToDiskBytes(text), "a\r\nb\r\r\nc\r\rd\r");
    EXPECT_EQ(CSessionFile::FromDiskBytes(CSessionFile::ToDiskBytes(text)), text);
    EXPECT_EQ(CSessionFile::ToNumber("  -12abc"), -12);
    EXPECT_EQ(CSessionFile::ToNumber("+7"), 7);
    EXPECT_EQ(CSessionFile::ToNumber("x1"), 0);
    EXPECT_EQ(CSessionFile::ToNumber("99999999999999999999"), 2147483647);
    EXPECT_EQ(CSessionFile::ToNumber("-99999999999999999999"), -2147483648LL);
}

TEST(SessionFile, FileWrittenByTheProgramSavesBackByteForByte)
{
    TempDir dir;
    Sessions s;
    const std::string path = Fixture("written003.kvf");
    ASSERT_EQ(s.working.OpenSession(s.prompter, &path), 0);
    ASSERT_EQ(s.working.Sets.size(), 1u);
    EXPECT_EQ(s.working.Sets[0].Name, "Docs & <Pics>");
    EXPECT_EQ(s.working.Sets[0].Entries.at(0).SourceFolder, "/src/<YEAR>");
    EXPECT_EQ(s.working.Sets[0].Schedule.WeeklyMinute, 30);
    s.working.FileName = dir / "again.kvf";
    ASSERT_EQ(s.working.SaveSession(s.prompter), 0);
    EXPECT_EQ(TempDir::Read(dir / "again.kvf"), TempDir::Read(path));
}

TEST(SessionFile, SaveWithoutANameAsksForOneAndCancelWritesNothing)
{
    Sessions s;
    s.working.Sets[0].Name = "Unsaved";
    EXPECT_EQ(s.working.RunFileCommand(SessionCommand::Save, s.prompter), -1);
    EXPECT_EQ(s.prompter.fileDialogs.size(), 1u);
    EXPECT_TRUE(s.prompter.asked.empty());
    EXPECT_TRUE(s.working.HasUnsavedChanges());
}
