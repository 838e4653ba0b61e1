#include "log/LogReader.h"

#include "common/FakeClock.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "log/ActivityLog.h"
#include "log/LogFilter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

constexpr const char* kHeader = "Korvane [LOGVERSION 002]\r\n-\r\n";

// A record as the reader hands it out, with its message.
struct Read {
    std::uint64_t key;
    int type;
    int action;
    std::string message;
    bool operator==(const Read& other) const
    {
        return key == other.key && type == other.type && action == other.action && message == other.message;
    }
};

struct Result {
    LogReadSummary summary;
    std::vector<Read> records; // in the order handed out
    int batches = 0;
};

Result ReadLog(const std::string& path, std::size_t first = 0, std::size_t rest = 0, bool cancel = false)
{
    CLogReader reader(path);
    if (first != 0)
        reader.SetChunkSizes(first, rest);
    Result result;
    const std::atomic<bool> cancelled { cancel };
    result.summary = reader.Read(cancelled, [&result](LogBatch&& batch) {
        ++result.batches;
        for (const LogEntry& entry : batch.Entries)
            result.records.push_back({ entry.Key, entry.Type, entry.Action, std::string(batch.Message(entry)) });
    });
    return result;
}

std::uint64_t Key(std::uint32_t time, std::uint32_t tick)
{
    return (static_cast<std::uint64_t>(time) << 32) | tick;
}

std::vector<std::string> Messages(const Result& result)
{
    std::vector<std::string> messages;
    for (const Read& record : result.records)
        messages.push_back(record.message);
    return messages;
}

struct LogReaderTest : ::testing::Test {
    TempDir dir;
    FakeClock clock { 1'700'000'000 };
    ScriptedPrompter prompter;
    std::string path = dir / "activity.log";
};

TEST_F(LogReaderTest, ReadsWhatTheWriterWroteNewestFirst)
{
    CActivityLog log(true, path, prompter, clock);
    log.WriteEvent(LogScheduled, 0, "%s started for '%s'", "Backup", "Documents");
    clock.AdvanceMs(250);
    log.WriteEvent(LogError, 0, "Failed to access %s", "/home/me/ä.txt");
    clock.Advance(3);
    log.WriteEvent(LogScheduled, 0, "%s completed for '%s'", "Backup", "Documents");
    const Result result = ReadLog(path);
    EXPECT_EQ(LogReadSummary::Complete, result.summary.Outcome);
    EXPECT_EQ(3u, result.summary.Records);
    EXPECT_EQ(0u, result.summary.Skipped);
    const std::vector<Read> expected = {
        { Key(1'700'000'003, 3250), 1, 0, "Backup completed for 'Documents'" },
        { Key(1'700'000'000, 250), 2, 0, "Failed to access /home/me/ä.txt" },
        { Key(1'700'000'000, 0), 1, 0, "Backup started for 'Documents'" },
    };
    EXPECT_EQ(expected, result.records);
}

// Logs written before control characters were escaped hold them raw (a
// line break became '?'); records written since hold their escapes. The
// reader takes both as they stand and never unescapes, so a name that holds
// a backslash reads back as it was logged.
TEST_F(LogReaderTest, RecordsWithRawOrEscapedControlCharactersAreReadAsWritten)
{
    dir.Write("activity.log",
        std::string(kHeader)
            + "1700000000.0\t2\t0\tFailed to access /a?1\t0\t0\tforged\r\n"
              "1700000000.1\t2\t0\tFailed to copy /b\x1b[2J\x07\r\n");
    CActivityLog log(true, path, prompter, clock);
    clock.Advance(1);
    log.WriteText(LogError, 0, "Failed to copy /c\n1\t0\t0\tforged\x1b[2J");
    const Result result = ReadLog(path);
    EXPECT_EQ(LogReadSummary::Complete, result.summary.Outcome);
    EXPECT_EQ(0u, result.summary.Skipped);
    EXPECT_EQ(Messages(result),
        (std::vector<std::string> { "Failed to copy /c\\n1\\t0\\t0\\tforged\\x1b[2J", "Failed to copy /b\x1b[2J\x07",
            "Failed to access /a?1\t0\t0\tforged" }));
}

TEST_F(LogReaderTest, FilesThatHoldNoLogAreRefusedWithTheirMessage)
{
    EXPECT_EQ(LogReadSummary::OpenFailed, ReadLog(dir / "missing.log").summary.Outcome);
    dir.Write("folder/inside", "x");
    EXPECT_EQ(LogReadSummary::OpenFailed, ReadLog(dir / "folder").summary.Outcome);
    // A FIFO would block a reader that waits for a writer: it is no log.
    ASSERT_EQ(0, mkfifo((dir / "fifo").c_str(), 0600));
    EXPECT_EQ(LogReadSummary::OpenFailed, ReadLog(dir / "fifo").summary.Outcome);
    EXPECT_EQ(LogReadSummary::OpenFailed, ReadLog("/dev/zero").summary.Outcome);
    dir.Write("empty.log", "");
    EXPECT_EQ(LogReadSummary::Empty, ReadLog(dir / "empty.log").summary.Outcome);
    EXPECT_EQ(57715, LogReadSummary::OpenFailed);
    EXPECT_EQ(57713, LogReadSummary::Empty);
}

TEST_F(LogReaderTest, HeaderVersionsUpToTwoAreReadAndNewerOnesRefused)
{
    const std::string record = "1700000000.1\t0\t0\tBackup started for 'A'\r\n";
    dir.Write("v1.log", "Korvane [LOGVERSION 001]\r\n-\r\n" + record);
    dir.Write("v3.log", "Korvane [LOGVERSION 003]\r\n-\r\n" + record);
    dir.Write("foreign.log", "something else\r\n-\r\n" + record);
    dir.Write("only-header.log", kHeader);
    EXPECT_EQ(1u, ReadLog(dir / "v1.log").summary.Records);
    EXPECT_EQ(LogReadSummary::NewerVersion, ReadLog(dir / "v3.log").summary.Outcome);
    EXPECT_EQ(1u, ReadLog(dir / "foreign.log").summary.Records);
    const Result onlyHeader = ReadLog(dir / "only-header.log");
    EXPECT_EQ(LogReadSummary::Complete, onlyHeader.summary.Outcome);
    EXPECT_TRUE(onlyHeader.records.empty());

    EXPECT_EQ(2, CLogReader::HeaderVersion("Korvane [LOGVERSION 002]\r"));
    EXPECT_EQ(3, CLogReader::HeaderVersion("Korvane[LOGVERSION   3]"));
    EXPECT_EQ(0, CLogReader::HeaderVersion("Korvane [LOGVERSION x]"));
    EXPECT_EQ(0, CLogReader::HeaderVersion("korvane [LOGVERSION 9]"));
    EXPECT_GT(CLogReader::HeaderVersion("Korvane [LOGVERSION 99999999999999999999]"), 2);
}

TEST_F(LogReaderTest, RecordFieldsAreReadAsTheWindowsProgramWroteThem)
{
    LogEntry entry;
    std::string_view message;
    // A tick that turned negative is read as unsigned 32 bits, so it still
    // orders after the positive ticks of the same second.
    ASSERT_TRUE(CLogReader::ParseRecord("1700000000.-5\t1\t0\tlate", entry, message));
    EXPECT_EQ(Key(1'700'000'000, 0xFFFFFFFBu), entry.Key);
    // No point: tick 0. A message may hold TABs of its own.
    ASSERT_TRUE(CLogReader::ParseRecord("1700000000\t5\t7\ta\tb", entry, message));
    EXPECT_EQ(Key(1'700'000'000, 0), entry.Key);
    EXPECT_EQ(5, entry.Type);
    EXPECT_EQ(7, entry.Action);
    EXPECT_EQ("a\tb", message);
    // The time is taken as 32 bits.
    ASSERT_TRUE(CLogReader::ParseRecord("4294967297.0\t0\t0\t", entry, message));
    EXPECT_EQ(1u, entry.Time());
    EXPECT_EQ("", message);
    ASSERT_TRUE(CLogReader::ParseRecord("1\t-99999999999999\t0\tx", entry, message));
    EXPECT_EQ(std::numeric_limits<std::int32_t>::min(), entry.Type);

    for (const char* damaged : { "", "1700000000.1\t0\t0", "1700000000.1 0 0 message", "x.1\t0\t0\tm",
             "1700000000.1\tuser\t0\tm", "1700000000.1\t0\t\tm", "\t0\t0\tm" })
        EXPECT_FALSE(CLogReader::ParseRecord(damaged, entry, message)) << damaged;
}

TEST_F(LogReaderTest, DamagedAndCutOffLinesArePassedOverAndCounted)
{
    const std::string withNul("1700000001.2\t0\t1\ttw\0o\r\n", 23);
    dir.Write("damaged.log",
        std::string(kHeader) + "1700000000.1\t0\t0\tone\r\n" + "garbage without tabs\r\n" + "\r\n" + withNul
            + "1700000003.1\tx\t0\tbad type\r\n" + "1700000002.3\t0\t0\tthr\xff\r\n"
            + "17000000"); // the last line cut off in the middle of its time
    const Result result = ReadLog(dir / "damaged.log");
    EXPECT_EQ(LogReadSummary::Complete, result.summary.Outcome);
    EXPECT_EQ((std::vector<std::string> { "thr\xff", std::string("tw\0o", 4), "one" }), Messages(result));
    EXPECT_EQ(3u, result.summary.Skipped);
}

TEST_F(LogReaderTest, LastLineWithoutLineEndAndLoneLineFeedsAreRead)
{
    dir.Write("unix.log", "Korvane [LOGVERSION 002]\n-\n1700000000.1\t0\t0\tone\n1700000001.1\t0\t1\ttwo");
    EXPECT_EQ((std::vector<std::string> { "two", "one" }), Messages(ReadLog(dir / "unix.log")));
}

TEST_F(LogReaderTest, OverlongLinesAreCutAndNeverHeldWhole)
{
    const std::string longMessage(3 * CLogReader::kMaxLineBytes, 'm');
    dir.Write("long.log",
        std::string(kHeader) + "1700000000.1\t0\t0\tshort\r\n1700000001.1\t2\t0\t" + longMessage + "\r\n"
            + "1700000002.1\t0\t0\tlast\r\n");
    for (std::size_t chunk : { std::size_t { 0 }, std::size_t { 7 }, std::size_t { 5000 } }) {
        const Result result = ReadLog(dir / "long.log", chunk, chunk);
        ASSERT_EQ(3u, result.records.size()) << chunk;
        EXPECT_EQ("last", result.records[0].message);
        EXPECT_EQ(
            CLogReader::kMaxLineBytes - std::string("1700000001.1\t2\t0\t").size(), result.records[1].message.size());
        EXPECT_EQ(2, result.records[1].type);
        EXPECT_EQ("short", result.records[2].message);
    }
}

// A CR inside an overlong line, just where the line is cut, is kept the
// same whether the line came in one stretch or in several.
TEST_F(LogReaderTest, ACarriageReturnWhereALongLineIsCutStaysPartOfIt)
{
    const std::string head = "1700000001.1\t0\t0\t";
    std::string message(2 * CLogReader::kMaxLineBytes, 'm');
    message[CLogReader::kMaxLineBytes - 1 - head.size()] = '\r';
    dir.Write("cr.log", std::string(kHeader) + "1700000000.1\t0\t0\tshort\r\n" + head + message + "\r\n");
    const Result whole = ReadLog(dir / "cr.log");
    ASSERT_EQ(2u, whole.records.size());
    EXPECT_EQ(CLogReader::kMaxLineBytes - head.size(), whole.records[0].message.size());
    EXPECT_EQ('\r', whole.records[0].message.back());
    // With one byte at a time the long line begins where a stretch does.
    for (std::size_t chunk : { 1, 3, 1000, 8190 })
        EXPECT_EQ(whole.records, ReadLog(dir / "cr.log", chunk, chunk).records) << chunk;
}

// However the file is cut into stretches, the same records come out.
TEST_F(LogReaderTest, StretchSizesNeverChangeWhatIsRead)
{
    std::string log = kHeader;
    for (int i = 0; i < 300; ++i) {
        log += std::to_string(1'700'000'000 + i / 3) + "." + std::to_string(i * 7) + "\t" + std::to_string(i % 4) + "\t"
            + std::to_string(i % 3) + "\t" + std::string(static_cast<std::size_t>(i % 37), 'a' + i % 26)
            + (i % 11 == 0 ? "\n" : "\r\n");
        if (i % 50 == 0)
            log += "a damaged line\r\n";
    }
    dir.Write("many.log", log);
    const Result whole = ReadLog(dir / "many.log");
    ASSERT_EQ(300u, whole.records.size());
    EXPECT_EQ(6u, whole.summary.Skipped);
    for (std::size_t first : { 1, 2, 13, 64, 4096 }) {
        const Result pieces = ReadLog(dir / "many.log", first, first * 3);
        EXPECT_EQ(whole.records, pieces.records) << first;
        EXPECT_EQ(whole.summary.Skipped, pieces.summary.Skipped) << first;
        EXPECT_GT(pieces.batches, 1) << first;
    }
}

TEST_F(LogReaderTest, EachStretchComesNewestFirstEvenWhenTheClockWentBack)
{
    dir.Write("clock.log",
        std::string(kHeader) + "1700000500.1\t0\t0\tbefore the clock went back\r\n"
            + "1700000100.1\t0\t0\tafter it\r\n1700000100.9\t0\t0\tlater still\r\n");
    EXPECT_EQ((std::vector<std::string> { "before the clock went back", "later still", "after it" }),
        Messages(ReadLog(dir / "clock.log")));
}

TEST_F(LogReaderTest, ACancelledReadStopsBeforeItsNextStretch)
{
    dir.Write("some.log", std::string(kHeader) + "1700000000.1\t0\t0\tone\r\n");
    const Result result = ReadLog(dir / "some.log", 0, 0, true);
    EXPECT_EQ(LogReadSummary::Cancelled, result.summary.Outcome);
    EXPECT_FALSE(result.summary.Failed());
    EXPECT_TRUE(result.records.empty());
}

TEST(LogFilterTest, TypesActionsAndAgeAsTheCheckBoxesSay)
{
    const auto entry = [](std::uint32_t time, int type, int action) {
        LogEntry e;
        e.Key = static_cast<std::uint64_t>(time) << 32;
        e.Type = type;
        e.Action = action;
        return e;
    };
    LogFilter filter;
    filter.User = false;
    filter.Restore = false;
    EXPECT_FALSE(filter.Passes(entry(0, LogUser, 0)));
    EXPECT_TRUE(filter.Passes(entry(0, LogScheduled, 0)));
    EXPECT_FALSE(filter.Passes(entry(0, LogError, 1)));
    // Values other than the known ones pass whatever the boxes say.
    filter = LogFilter { false, false, false, false, false, false, 0 };
    EXPECT_TRUE(filter.Passes(entry(0, 5, -1)));
    EXPECT_FALSE(filter.Passes(entry(0, 5, 0)));

    const std::time_t now = 1'700'000'000;
    filter = LogFilter {};
    filter.DisplayLast = true;
    filter.CutOff = LogFilter::CutOffFor(now, 1, 0);
    EXPECT_FALSE(filter.Passes(entry(now - 61 * 60, LogUser, 0)));
    EXPECT_TRUE(filter.Passes(entry(now - 59 * 60, LogUser, 0)));
    filter.DisplayLast = false;
    EXPECT_TRUE(filter.Passes(entry(now - 61 * 60, LogUser, 0)));

    EXPECT_EQ(now - 7 * 86400, LogFilter::CutOffFor(now, 7, 1));
    EXPECT_EQ(now - 2 * 604800, LogFilter::CutOffFor(now, 2, 2));
    EXPECT_EQ(now - 30 * 2592000u, LogFilter::CutOffFor(now, 30, 3));
    // A span reaching back before 1970 shows everything, not nothing.
    EXPECT_EQ(0u, LogFilter::CutOffFor(1000, 1, 3));
}

} // namespace
