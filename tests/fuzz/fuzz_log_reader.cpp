// Reads arbitrary bytes as an activity log, once in the reader's own
// stretches and once in tiny ones chosen by the input. Either read must keep
// every message inside its batch and within the longest line kept, hand each
// stretch out newest first, and, put in order, give the same records.
#include "ScratchFolder.h"
#include "log/LogFilter.h"
#include "log/LogReader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::string g_folder;

using Record = std::tuple<std::uint64_t, std::int32_t, std::int32_t, std::string>;

struct Outcome {
    LogReadSummary summary;
    std::vector<Record> records;
};

Outcome ReadAll(const std::string& path, std::size_t first, std::size_t rest)
{
    CLogReader reader(path);
    if (first != 0)
        reader.SetChunkSizes(first, rest);
    Outcome outcome;
    const std::atomic<bool> cancel { false };
    outcome.summary = reader.Read(cancel, [&outcome](LogBatch&& batch) {
        if (batch.Entries.empty())
            std::abort();
        for (std::size_t i = 0; i < batch.Entries.size(); ++i) {
            const LogEntry& entry = batch.Entries[i];
            if (std::size_t { entry.Offset } + entry.Length > batch.Text.size()
                || entry.Length > CLogReader::kMaxLineBytes)
                std::abort();
            if (i > 0 && batch.Entries[i - 1].Key < entry.Key)
                std::abort();
            // A filter that lets everything of this age through takes any record.
            LogFilter filter;
            filter.DisplayLast = true;
            filter.CutOff = entry.Time();
            if (!filter.Passes(entry))
                std::abort();
            outcome.records.emplace_back(entry.Key, entry.Type, entry.Action, std::string(batch.Message(entry)));
        }
    });
    // In order as the viewer shows them: newest first; equal keys keep the
    // order they came in, the later line first.
    std::stable_sort(outcome.records.begin(), outcome.records.end(),
        [](const Record& a, const Record& b) { return std::get<0>(a) > std::get<0>(b); });
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_folder = FuzzScratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = g_folder + "/activity.log";
    {
        std::error_code error;
        std::filesystem::remove(path, error);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const Outcome whole = ReadAll(path, 0, 0);
    const std::size_t first = size == 0 ? 1 : 1 + data[0] % 13;
    const std::size_t rest = size < 2 ? 1 : 1 + data[1] % 29;
    const Outcome pieces = ReadAll(path, first, rest);
    if (whole.summary.Outcome != pieces.summary.Outcome || whole.records != pieces.records
        || whole.summary.Skipped != pieces.summary.Skipped || whole.summary.Records != whole.records.size())
        std::abort();
    // Every record and every line passed over took at least one line end
    // or the end of the file.
    const auto lines = static_cast<std::size_t>(std::count(data, data + size, std::uint8_t { '\n' })) + 1;
    if (whole.summary.Records + whole.summary.Skipped > lines)
        std::abort();
    return 0;
}
