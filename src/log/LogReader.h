#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One record of the activity log as the viewer keeps it. The message lies in
// the text of the batch the record came with.
struct LogEntry {
    // time × 2^32 + tick: orders records, and within one second the larger
    // tick (the later record) is the newer one.
    std::uint64_t Key = 0;
    std::uint32_t Offset = 0;
    std::uint32_t Length = 0;
    std::int32_t Type = 0;
    std::int32_t Action = 0;

    // Seconds since 1970, taken as 32 bits as the viewer always took them.
    std::uint32_t Time() const { return static_cast<std::uint32_t>(Key >> 32); }
};

// The records of one stretch of the file, newest first, with their messages
// in one block of text (a 100 MB log is a million records: one allocation
// per stretch instead of one per record).
struct LogBatch {
    std::vector<LogEntry> Entries;
    std::string Text;

    std::string_view Message(const LogEntry& entry) const
    {
        return std::string_view(Text).substr(entry.Offset, entry.Length);
    }
};

// How a read of the log ended; the failures carry the message the viewer shows.
struct LogReadSummary {
    enum Result {
        Complete = 0,
        Cancelled = 1,
        OpenFailed = 57715, // "Failed to open log file."
        Empty = 57713, // "The log file is empty."
        ReadFailed = 57727, // "Failed to read from log file."
        NewerVersion = 57728, // "This log file was created with a newer version..."
    };
    Result Outcome = Complete;
    std::uint64_t Records = 0;
    // Lines that hold no record (damaged or cut off) and were passed over.
    std::uint64_t Skipped = 0;

    bool Failed() const { return Outcome != Complete && Outcome != Cancelled; }
};

// Reads the activity log for the viewer: the header's version, then every
// record, from the end of the file towards its start, so the newest records
// come first and a window can show them while the rest is still read. Runs
// on any thread; the file is only read, never locked.
//
// Log files are taken as hostile input: any bytes give a result or a
// failure, never a crash; memory stays in proportion to the file; lines that
// hold no record are passed over and counted.
class CLogReader {
public:
    // The highest log version this program reads (it writes "002").
    static constexpr int kVersion = 2;
    // Longer lines are cut to this many bytes; the writer's are far shorter.
    static constexpr std::size_t kMaxLineBytes = 8192;

    using Sink = std::function<void(LogBatch&& batch)>;

    explicit CLogReader(std::string fileName);

    // The first stretch read is small so the newest records come quickly;
    // the others are larger. Tests and the fuzz target make both tiny.
    void SetChunkSizes(std::size_t first, std::size_t rest);

    // Reads the file, handing each stretch's records, newest first, to sink
    // (on the calling thread). cancel is looked at between stretches.
    LogReadSummary Read(const std::atomic<bool>& cancel, const Sink& sink) const;

    // The version in a header line "Korvane [LOGVERSION 002]"; 0 when the
    // line holds none (such a file is read on as an old one).
    static int HeaderVersion(std::string_view line);

    // Splits one record line (without its line end): false when it holds no
    // record (fewer than three TABs, or a field that is not a number).
    static bool ParseRecord(std::string_view line, LogEntry& entry, std::string_view& message);

private:
    std::string m_fileName;
    std::size_t m_firstChunk = 64 * 1024;
    std::size_t m_chunk = 1024 * 1024;
};
