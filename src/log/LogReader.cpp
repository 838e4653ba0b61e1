#include "log/LogReader.h"

#include "platform/SequentialFile.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::size_t kHeaderBytes = 4096;
constexpr std::size_t kSkipBlock = 64 * 1024;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view SkipBlanks(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
        ++at;
    return text.substr(at);
}

// The digits at the front, wrapped to 32 bits the way the viewer always
// took the time; false when there are none.
bool ParseUnsigned32(std::string_view text, std::uint32_t& value)
{
    text = SkipBlanks(text);
    if (text.empty() || !IsDigit(text.front()))
        return false;
    std::uint32_t result = 0;
    for (std::size_t at = 0; at < text.size() && IsDigit(text[at]); ++at)
        result = result * 10 + static_cast<std::uint32_t>(text[at] - '0');
    value = result;
    return true;
}

// A signed decimal at the front, held far inside 64 bits however many
// digits follow; false when there is no digit.
bool ParseSigned(std::string_view text, std::int64_t& value)
{
    text = SkipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !IsDigit(text.front()))
        return false;
    constexpr std::int64_t kLimit = std::int64_t { 1 } << 40;
    std::int64_t result = 0;
    for (std::size_t at = 0; at < text.size() && IsDigit(text[at]); ++at) {
        if (result < kLimit)
            result = result * 10 + (text[at] - '0');
    }
    value = negative ? -result : result;
    return true;
}

std::int32_t ToInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// The tick is written as a signed number and read back as unsigned 32 bits.
std::uint32_t ParseTick(std::string_view text)
{
    text = SkipBlanks(text);
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    std::uint32_t value = 0;
    if (!ParseUnsigned32(text, value))
        return 0;
    return negative ? 0u - value : value;
}

// Fills buffer (its size is the count wanted) from offset; a short read
// means the file changed under the reader, which is a failure too.
bool ReadAt(CSequentialFile& file, std::uint64_t offset, std::string& buffer)
{
    if (!file.Seek(offset))
        return false;
    std::size_t done = 0;
    while (done < buffer.size()) {
        const long long count = file.Read(buffer.data() + done, buffer.size() - done);
        if (count <= 0)
            return false;
        done += static_cast<std::size_t>(count);
    }
    return true;
}

// The offset after the first count line ends (the end of the file when it
// holds fewer); false on a read error.
bool SkipLines(CSequentialFile& file, std::uint64_t size, int count, std::uint64_t& offset)
{
    std::string block;
    for (offset = 0; offset < size;) {
        block.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kSkipBlock, size - offset)));
        if (!ReadAt(file, offset, block))
            return false;
        for (std::size_t at = 0; at < block.size(); ++at) {
            if (block[at] == '\n' && --count == 0) {
                offset += at + 1;
                return true;
            }
        }
        offset += block.size();
    }
    return true;
}

void AddLine(std::string_view line, LogBatch& batch, LogReadSummary& summary)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.empty())
        return;
    line = line.substr(0, CLogReader::kMaxLineBytes);
    LogEntry entry;
    std::string_view message;
    if (!CLogReader::ParseRecord(line, entry, message)) {
        ++summary.Skipped;
        return;
    }
    entry.Offset = static_cast<std::uint32_t>(batch.Text.size());
    entry.Length = static_cast<std::uint32_t>(message.size());
    batch.Text.append(message);
    batch.Entries.push_back(entry);
    ++summary.Records;
}

// Takes the whole lines of text, last first, into batch. The part before
// the first line end belongs to a line that begins further back: it is
// returned (cut to the longest line kept) unless whole says text begins
// where the records do.
std::string TakeLines(const std::string& text, bool whole, LogBatch& batch, LogReadSummary& summary)
{
    const std::string_view view(text);
    std::size_t end = view.size();
    while (end > 0) {
        const std::size_t newline = view.rfind('\n', end - 1);
        if (newline == std::string_view::npos)
            break;
        AddLine(view.substr(newline + 1, end - newline - 1), batch, summary);
        end = newline;
    }
    if (whole) {
        AddLine(view.substr(0, end), batch, summary);
        return {};
    }
    // One byte more than a line keeps: a CR there is the line end as it
    // would be for a line read in one piece.
    return std::string(view.substr(0, std::min(end, CLogReader::kMaxLineBytes + 1)));
}

// Within one stretch the records come last line first; a clock set back
// can still put an older one before a newer one.
void SortNewestFirst(std::vector<LogEntry>& entries)
{
    const auto newer = [](const LogEntry& a, const LogEntry& b) { return a.Key > b.Key; };
    if (!std::is_sorted(entries.begin(), entries.end(), newer))
        std::stable_sort(entries.begin(), entries.end(), newer);
}

LogReadSummary Ended(LogReadSummary summary, LogReadSummary::Result outcome)
{
    summary.Outcome = outcome;
    return summary;
}

} // namespace

CLogReader::CLogReader(std::string fileName)
    : m_fileName(std::move(fileName))
{
}

void CLogReader::SetChunkSizes(std::size_t first, std::size_t rest)
{
    m_firstChunk = std::max<std::size_t>(first, 1);
    m_chunk = std::max<std::size_t>(rest, 1);
}

int CLogReader::HeaderVersion(std::string_view line)
{
    constexpr std::string_view kProduct = "Korvane";
    constexpr std::string_view kTag = "[LOGVERSION";
    if (line.substr(0, kProduct.size()) != kProduct)
        return 0;
    line = SkipBlanks(line.substr(kProduct.size()));
    if (line.substr(0, kTag.size()) != kTag)
        return 0;
    std::int64_t version = 0;
    return ParseSigned(line.substr(kTag.size()), version) ? ToInt32(version) : 0;
}

bool CLogReader::ParseRecord(std::string_view line, LogEntry& entry, std::string_view& message)
{
    const std::size_t tab1 = line.find('\t');
    const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
    const std::size_t tab3 = tab2 == std::string_view::npos ? tab2 : line.find('\t', tab2 + 1);
    if (tab3 == std::string_view::npos)
        return false;
    const std::string_view head = line.substr(0, tab1);
    std::uint32_t time = 0;
    std::int64_t type = 0;
    std::int64_t action = 0;
    if (!ParseUnsigned32(head, time) || !ParseSigned(line.substr(tab1 + 1, tab2 - tab1 - 1), type)
        || !ParseSigned(line.substr(tab2 + 1, tab3 - tab2 - 1), action))
        return false;
    const std::size_t dot = head.find('.');
    const std::uint32_t tick = dot == std::string_view::npos ? 0 : ParseTick(head.substr(dot + 1));
    entry.Key = (static_cast<std::uint64_t>(time) << 32) | tick;
    entry.Type = ToInt32(type);
    entry.Action = ToInt32(action);
    message = line.substr(tab3 + 1);
    return true;
}

LogReadSummary CLogReader::Read(const std::atomic<bool>& cancel, const Sink& sink) const
{
    LogReadSummary summary;
    CSequentialFile file;
    // A FIFO or a device is no log: it could block the reader or never end.
    if (file.Open(m_fileName) != 0 || file.RegularFileSize() < 0)
        return Ended(summary, LogReadSummary::OpenFailed);
    const auto size = static_cast<std::uint64_t>(file.RegularFileSize());
    if (size == 0)
        return Ended(summary, LogReadSummary::Empty);
    std::string header(static_cast<std::size_t>(std::min<std::uint64_t>(size, kHeaderBytes)), '\0');
    if (!ReadAt(file, 0, header))
        return Ended(summary, LogReadSummary::ReadFailed);
    if (HeaderVersion(std::string_view(header).substr(0, header.find('\n'))) > kVersion)
        return Ended(summary, LogReadSummary::NewerVersion);
    // The records begin after the header and the "-" line.
    std::uint64_t start = 0;
    if (!SkipLines(file, size, 2, start))
        return Ended(summary, LogReadSummary::ReadFailed);

    std::string carry;
    std::string text;
    std::size_t chunk = m_firstChunk;
    for (std::uint64_t high = size; high > start; chunk = m_chunk) {
        if (cancel.load())
            return Ended(summary, LogReadSummary::Cancelled);
        const std::uint64_t low = high - std::min<std::uint64_t>(chunk, high - start);
        text.resize(static_cast<std::size_t>(high - low));
        if (!ReadAt(file, low, text))
            return Ended(summary, LogReadSummary::ReadFailed);
        text += carry;
        LogBatch batch;
        batch.Text.reserve(text.size());
        carry = TakeLines(text, low == start, batch, summary);
        SortNewestFirst(batch.Entries);
        batch.Text.shrink_to_fit();
        batch.Entries.shrink_to_fit();
        if (!batch.Entries.empty() && sink)
            sink(std::move(batch));
        high = low;
    }
    return Ended(summary, LogReadSummary::Complete);
}
