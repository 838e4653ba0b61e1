#include "log/ActivityLog.h"

#include "common/FakeClock.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct LogFixture : ::testing::Test {
    TempDir dir;
    FakeClock clock { 1'700'000'000 };
    ScriptedPrompter prompter;
    std::string path = dir / "activity.log";
};

TEST_F(LogFixture, MissingFileGetsHeaderThenRecordWithCrLf)
{
    CActivityLog log(true, path, prompter, clock);
    clock.AdvanceMs(1234);
    EXPECT_EQ(1, log.WriteEvent(LogScheduled, 0, "%s started for '%s'", "Backup", "Documents"));
    EXPECT_EQ("Korvane [LOGVERSION 002]\r\n-\r\n1700000001.1234\t1\t0\tBackup started for 'Documents'\r\n",
        TempDir::Read(path));
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(LogFixture, EmptyFileGetsHeaderButForeignTextDoesNot)
{
    dir.Write("activity.log", "");
    CActivityLog log(true, path, prompter, clock);
    log.WriteEvent(LogUser, 1, "one");
    EXPECT_EQ(0u, TempDir::Read(path).find("Korvane [LOGVERSION 002]\r\n-\r\n"));

    const std::string other = dir.Write("other.log", "something else\r\n");
    CActivityLog otherLog(true, other, prompter, clock);
    otherLog.WriteEvent(LogError, 1, "Failed to create folder %s", "/x");
    EXPECT_EQ("something else\r\n1700000000.0\t2\t1\tFailed to create folder /x\r\n", TempDir::Read(other));
}

TEST_F(LogFixture, SwitchedOffCreatesNothingAndSucceeds)
{
    CActivityLog log(false, path, prompter, clock);
    EXPECT_EQ(1, log.WriteEvent(LogUser, 0, "x"));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(LogFixture, SameSecondRecordsAreOrderedByTick)
{
    CActivityLog log(true, path, prompter, clock);
    log.WriteEvent(LogUser, 0, "first");
    clock.AdvanceMs(5);
    log.WriteEvent(LogUser, 0, "second");
    EXPECT_EQ("Korvane [LOGVERSION 002]\r\n-\r\n1700000000.0\t0\t0\tfirst\r\n1700000000.5\t0\t0\tsecond\r\n",
        TempDir::Read(path));
}

TEST_F(LogFixture, TickPastTwoToThe31IsWrittenNegative)
{
    EXPECT_EQ("1702147483.-2147483648\t0\t0\tm", CActivityLog::FormatRecord(1702147483, 0x80000000u, 0, 0, "m"));
}

TEST_F(LogFixture, UnopenableFileShows57714WithTheReasonAndReportsFailure)
{
    // A folder where the file should be: root cannot open it for appending either.
    std::filesystem::create_directory(path);
    CActivityLog log(true, path, prompter, clock);
    EXPECT_EQ(-1, log.WriteEvent(LogError, 0, "lost"));
    ASSERT_EQ(1u, prompter.asked.size());
    EXPECT_EQ("Failed to create log file.\n\n" + path + ": Is a directory (error: 21)", prompter.asked[0].text);
    EXPECT_EQ(unsigned(MbOk | MbIconError), prompter.asked[0].style);
}

TEST_F(LogFixture, FifoAsTheLogIsRefusedWithoutWaitingForAReader)
{
    // No one reads the FIFO: an open that waited for a reader would hang here.
    ASSERT_EQ(0, ::mkfifo(path.c_str(), 0600));
    CActivityLog log(true, path, prompter, clock);
    EXPECT_EQ(-1, log.WriteEvent(LogUser, 0, "Backup started for 'x'"));
    ASSERT_EQ(1u, prompter.asked.size());
    EXPECT_EQ("Failed to create log file.\n\n" + path + ": Not a regular file (a FIFO, a socket or a device)",
        prompter.asked[0].text);

    // With a reader at the other end, nothing is written into it either.
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(-1, log.WriteEvent(LogUser, 0, "Backup started for 'x'"));
    char byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0);
    ::close(reader);
}

// A line break inside a message would end the record early and let the rest
// pass for a record of its own; an escape sequence would drive the terminal
// of whoever reads the log with cat or tail.
TEST_F(LogFixture, ControlCharactersInMessagesAreWrittenAsEscapes)
{
    CActivityLog log(true, path, prompter, clock);
    log.WriteEvent(LogError, 0, "Failed to access %s", "/a\n1\t0\t0\tBackup completed for 'x'");
    log.WriteText(LogError, 0, "Failed to copy /b\r\x1b[2J\x1b]0;owned\x07\x7f\xc2\x9b.txt");
    EXPECT_EQ("Korvane [LOGVERSION 002]\r\n-\r\n"
              "1700000000.0\t2\t0\tFailed to access /a\\n1\\t0\\t0\\tBackup completed for 'x'\r\n"
              "1700000000.0\t2\t0\tFailed to copy /b\\r\\x1b[2J\\x1b]0;owned\\x07\\x7f\\u009b.txt\r\n",
        TempDir::Read(path));
}

// The default log lies in the user's state folder, which may not be there yet.
TEST_F(LogFixture, AnEmptyNameWritesTheDefaultLogAndMakesItsFolder)
{
    const std::string state = std::getenv("XDG_STATE_HOME");
    const std::string expected = state + "/korvane/korvane.log";
    std::filesystem::remove_all(state);
    EXPECT_EQ(expected, CActivityLog::EffectiveFileName(""));
    EXPECT_EQ(path, CActivityLog::EffectiveFileName(path));

    CActivityLog log(true, "", prompter, clock);
    EXPECT_EQ(expected, log.FileName());
    EXPECT_EQ(1, log.WriteEvent(LogUser, 0, "%s started for '%s'", "Backup", "Documents"));
    EXPECT_EQ(1, log.WriteEvent(LogUser, 0, "%s completed for '%s'", "Backup", "Documents"));
    const std::string text = TempDir::Read(expected);
    EXPECT_EQ(4, std::count(text.begin(), text.end(), '\n')) << "the header and both records";
    struct stat st { };
    ASSERT_EQ(0, ::stat((state + "/korvane").c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
    EXPECT_TRUE(prompter.asked.empty());

    // Without XDG_STATE_HOME, the state folder is ~/.local/state.
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(
        std::string(std::getenv("HOME")) + "/.local/state/korvane/korvane.log", CActivityLog::EffectiveFileName(""));
    setenv("XDG_STATE_HOME", state.c_str(), 1);
}

// A name the user typed is theirs: its missing folder is not made.
TEST_F(LogFixture, ATypedNameInAMissingFolderIsNotMade)
{
    CActivityLog log(true, dir / "missing/activity.log", prompter, clock);
    EXPECT_EQ(-1, log.WriteEvent(LogUser, 0, "one"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

} // namespace
