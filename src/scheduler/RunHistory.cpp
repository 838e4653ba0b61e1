#include "scheduler/RunHistory.h"

#include "platform/MyRegistry.h"
#include "platform/SmallFile.h"

#include <mutex>
#include <sstream>
#include <vector>

namespace {

constexpr const char* kFileName = "Korvane.runs";
constexpr const char* kHeader = "# Korvane runs 1\n";
constexpr unsigned kFileMode = 0600;

// A read-change-write of one process at a time: a scheduled run and the main
// window's overdue mark may meet. Runs of different processes never meet,
// as each writes while it holds the user's run lock.
std::mutex& FileMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Tabs, line feeds and backslashes of a name are escaped, so that one line
// holds one record whatever the names are.
std::string Escape(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string Unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

bool ToNumber(const std::string& text, std::int64_t& value)
{
    if (text.empty())
        return false;
    std::size_t used = 0;
    try {
        value = std::stoll(text, &used);
    } catch (...) {
        return false;
    }
    return used == text.size();
}

} // namespace

CRunHistory::CRunHistory(std::string path)
    : m_path(std::move(path))
{
}

std::string CRunHistory::DefaultPath()
{
    const std::string settings = CMyRegistry::FilePath();
    const auto slash = settings.find_last_of('/');
    return (slash == std::string::npos ? std::string() : settings.substr(0, slash + 1)) + kFileName;
}

std::string CRunHistory::Path() const
{
    return m_path.empty() ? DefaultPath() : m_path;
}

// Fields: session, set, last run, succeeded, last success, failing since,
// overdue notified.
std::string CRunHistory::Format(const std::map<Key, Record>& records)
{
    std::ostringstream out;
    out << kHeader;
    for (const auto& [key, record] : records) {
        out << Escape(key.first) << '\t' << Escape(key.second) << '\t' << record.LastRun << '\t'
            << (record.Succeeded ? 1 : 0) << '\t' << record.LastSuccess << '\t' << record.FailingSince << '\t'
            << (record.OverdueNotified ? 1 : 0) << '\n';
    }
    return out.str();
}

std::map<CRunHistory::Key, CRunHistory::Record> CRunHistory::Parse(const std::string& text)
{
    std::map<Key, Record> records;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() != 7)
            continue;
        std::int64_t numbers[5] {};
        bool valid = true;
        for (std::size_t i = 0; i < 5; ++i)
            valid = valid && ToNumber(fields[i + 2], numbers[i]);
        if (!valid)
            continue;
        Record record;
        record.LastRun = numbers[0];
        record.Succeeded = numbers[1] != 0;
        record.LastSuccess = numbers[2];
        record.FailingSince = numbers[3];
        record.OverdueNotified = numbers[4] != 0;
        records[{ Unescape(fields[0]), Unescape(fields[1]) }] = record;
    }
    return records;
}

std::map<CRunHistory::Key, CRunHistory::Record> CRunHistory::Load() const
{
    std::string text;
    if (!ReadSmallFile(Path(), text))
        return {};
    return Parse(text);
}

std::optional<CRunHistory::Record> CRunHistory::Find(const std::string& session, const std::string& set) const
{
    const auto records = Load();
    const auto found = records.find({ session, set });
    if (found == records.end())
        return std::nullopt;
    return found->second;
}

bool CRunHistory::Save(const std::map<Key, Record>& records) const
{
    return WriteSmallFile(Path(), Format(records), kFileMode);
}

bool CRunHistory::RecordRun(const std::string& session, const std::string& set, std::int64_t when, bool succeeded)
{
    std::lock_guard lock(FileMutex());
    auto records = Load();
    Record& record = records[{ session, set }];
    record.LastRun = when;
    record.Succeeded = succeeded;
    if (succeeded) {
        record.LastSuccess = when;
        record.FailingSince = 0;
        record.OverdueNotified = false;
    } else if (record.FailingSince == 0) {
        record.FailingSince = when;
    }
    return Save(records);
}

bool CRunHistory::MarkOverdueNotified(const std::string& session, const std::string& set)
{
    std::lock_guard lock(FileMutex());
    auto records = Load();
    const auto found = records.find({ session, set });
    if (found == records.end())
        return false;
    found->second.OverdueNotified = true;
    return Save(records);
}
