#include "core/SessionTextReader.h"

#include "core/Session.h"

#include <algorithm>
#include <limits>

namespace {

bool IsCSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

CSessionTextReader::CSessionTextReader(std::string_view text)
    : m_lines(text)
{
}

bool CSessionTextReader::Lines::Next(std::string_view& line)
{
    if (m_atEnd)
        return false;
    const std::size_t end = m_rest.find('\n');
    line = m_rest.substr(0, end);
    m_rest.remove_prefix(end == std::string_view::npos ? m_rest.size() : end + 1);
    // A final line feed ends the last line; it does not begin another.
    m_atEnd = m_rest.empty();
    return true;
}

bool CSessionTextReader::ScanNumber(std::string_view line, std::string_view key, std::int32_t& value)
{
    if (!line.starts_with(key))
        return false;
    std::size_t i = key.size();
    while (i < line.size() && IsCSpace(line[i]))
        ++i;
    const bool negative = i < line.size() && line[i] == '-';
    if (i < line.size() && (line[i] == '-' || line[i] == '+'))
        ++i;
    if (i >= line.size() || !IsDigit(line[i]))
        return false;
    std::int64_t number = 0;
    for (; i < line.size() && IsDigit(line[i]); ++i)
        number = std::min<std::int64_t>(number * 10 + (line[i] - '0'), std::int64_t { 1 } << 32);
    number = negative ? -number : number;
    value = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        number, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    return true;
}

int CSessionTextReader::VersionOf(std::string_view firstLine)
{
    std::int32_t version = 0;
    return ScanNumber(firstLine, "SettingsVersion:", version) ? version : 0;
}

// A line that does not match leaves the field as it was; true when it matched.
bool CSessionTextReader::Number(std::string_view key, std::int32_t& field)
{
    std::string_view line;
    return m_lines.Next(line) && ScanNumber(line, key, field);
}

// The key is skipped by its length without being looked at; true when the
// field got a text.
bool CSessionTextReader::Text(std::size_t keyLength, std::string& field)
{
    std::string_view line;
    if (!m_lines.Next(line))
        return false;
    field = std::string(line.substr(std::min(keyLength, line.size())));
    return !field.empty();
}

// Sets and entries are made as the file reaches them, never from the counts
// alone: a count is only a claim, and "SessionCSetSize: 2147483647" over a
// few blank lines once made the reader allocate gigabytes. A set is held
// when the file reaches its block, an entry when it reaches its first line;
// a file cut short keeps what it holds, with defaults for the missing lines.
// Nor is a block that holds nothing (no text, no number whose key matched)
// a set or an entry: the sets or the set's entries end there. A block of
// blank lines costs a few bytes of the file but a whole set or entry of
// memory, so "SetCBackupSize: 2147483647" over 100 MB of blank lines once
// made 16 million empty entries and ended in bad_alloc. Every block the
// Windows program writes carries its keys, so no saved set or entry is lost.
void CSessionTextReader::Read(int version, CSession& session)
{
    session.Edit([&](CSession& edited) { ReadSets(version, edited); });
}

void CSessionTextReader::ReadSets(int version, CSession& session)
{
    std::string_view ignored;
    m_lines.Next(ignored); // SettingsVersion
    Number("SessionActiveSet:", session.ActiveSet);
    std::int32_t setCount = 0;
    Number("SessionCSetSize:", setCount);

    // The entry counts come one per set before the first set's block; they
    // are read beside the blocks through a second cursor.
    Lines counts = m_lines;
    std::int32_t countLines = 0;
    while (countLines < setCount && m_lines.Next(ignored))
        ++countLines;

    const std::size_t firstSet = session.Sets.size();
    for (std::int32_t s = 0; s < countLines && !m_lines.AtEnd(); ++s) {
        std::string_view line;
        std::int32_t entries = 0;
        if (counts.Next(line))
            ScanNumber(line, "SetCBackupSize:", entries);
        CSet set;
        if (!ReadSet(version, entries, set))
            break;
        session.Sets.push_back(std::move(set));
    }
    // Version 1 numbered the conditions from daily; hourly came in as 0.
    if (version != 1)
        return;
    for (std::size_t s = firstSet; s < session.Sets.size(); ++s) {
        CScheduler& schedule = session.Sets[s].Schedule;
        if (schedule.Active != 0 && schedule.Condition < std::numeric_limits<std::int32_t>::max())
            ++schedule.Condition;
    }
}

bool CSessionTextReader::ReadSet(int version, std::int32_t entryCount, CSet& set)
{
    CScheduler& schedule = set.Schedule;
    bool held = Text(9, set.Name);
    held |= Number("SetActiveAction:", set.ActiveAction);
    held |= Text(26, set.LastDestinationFolder);
    held |= Number("SetSchedulerActive:", schedule.Active);
    held |= Number("SetSchedulerAction:", schedule.Action);
    held |= Number("SetSchedulerCondition:", schedule.Condition);
    if (version == 2)
        held |= Number("SetSchedulerHourlyMinutes:", schedule.HourlyMinutes);
    held |= Number("SetSchedulerDailyHour:", schedule.DailyHour);
    held |= Number("SetSchedulerDailyMinute:", schedule.DailyMinute);
    held |= Number("SetSchedulerWeeklyHour:", schedule.WeeklyHour);
    held |= Number("SetSchedulerWeeklyMinute:", schedule.WeeklyMinute);
    held |= Number("SetSchedulerMonthlyHour:", schedule.MonthlyHour);
    held |= Number("SetSchedulerMonthlyMinute:", schedule.MonthlyMinute);
    held |= Number("SetSchedulerWeekday:", schedule.Weekday);
    held |= Number("SetSchedulerMonthday:", schedule.Monthday);
    held |= Number("SetSchedulerSendEmail:", schedule.SendEmail);
    held |= Text(19, schedule.Email);
    std::string_view ignored;
    m_lines.Next(ignored);
    for (std::int32_t e = 0; e < entryCount && !m_lines.AtEnd(); ++e) {
        CBackup entry;
        if (!ReadEntry(entry))
            break;
        set.Entries.push_back(std::move(entry));
        held = true;
    }
    return held;
}

// False when the entry's lines hold nothing.
bool CSessionTextReader::ReadEntry(CBackup& entry)
{
    bool held = Text(20, entry.SourceFolder);
    held |= Text(25, entry.DestinationFolder);
    held |= Text(22, entry.ExcludeFolders);
    held |= Text(20, entry.IncludeFiles);
    held |= Text(20, entry.ExcludeFiles);
    held |= Number("BackupRecursive:", entry.Recursive);
    return held;
}
