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
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        m_lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
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

bool CSessionTextReader::NextLine(std::string_view& line)
{
    if (m_next >= m_lines.size())
        return false;
    line = m_lines[m_next++];
    return true;
}

// A line that does not match leaves the field as it was.
void CSessionTextReader::Number(std::string_view key, std::int32_t& field)
{
    std::string_view line;
    if (NextLine(line))
        ScanNumber(line, key, field);
}

// The key is skipped by its length without being looked at.
void CSessionTextReader::Text(std::size_t keyLength, std::string& field)
{
    std::string_view line;
    if (NextLine(line))
        field = std::string(line.substr(std::min(keyLength, line.size())));
}

void CSessionTextReader::Read(int version, CSession& session)
{
    std::lock_guard lock(session.Lock);
    std::string_view ignored;
    NextLine(ignored); // SettingsVersion
    Number("SessionActiveSet:", session.ActiveSet);
    std::int32_t setCount = 0;
    Number("SessionCSetSize:", setCount);

    // Every set and entry has at least one line of its own in a real file, so
    // counts beyond the number of lines are a damaged or hostile file; they are
    // cut there rather than let them allocate without bound.
    std::size_t budget = m_lines.size();
    const std::size_t sets = std::min<std::size_t>(static_cast<std::size_t>(std::max(setCount, 0)), budget);
    std::vector<std::size_t> entryCounts(sets, 0);
    for (std::size_t& count : entryCounts) {
        std::int32_t entries = 0;
        Number("SetCBackupSize:", entries);
        count = std::min<std::size_t>(static_cast<std::size_t>(std::max(entries, 0)), budget);
        budget -= count;
    }
    const std::size_t firstSet = session.Sets.size();
    for (const std::size_t count : entryCounts)
        session.Sets.emplace_back().Entries.resize(count);

    for (std::size_t s = firstSet; s < session.Sets.size(); ++s) {
        CSet& set = session.Sets[s];
        CScheduler& schedule = set.Schedule;
        Text(9, set.Name);
        Number("SetActiveAction:", set.ActiveAction);
        Text(26, set.LastDestinationFolder);
        Number("SetSchedulerActive:", schedule.Active);
        Number("SetSchedulerAction:", schedule.Action);
        Number("SetSchedulerCondition:", schedule.Condition);
        if (version == 2)
            Number("SetSchedulerHourlyMinutes:", schedule.HourlyMinutes);
        Number("SetSchedulerDailyHour:", schedule.DailyHour);
        Number("SetSchedulerDailyMinute:", schedule.DailyMinute);
        Number("SetSchedulerWeeklyHour:", schedule.WeeklyHour);
        Number("SetSchedulerWeeklyMinute:", schedule.WeeklyMinute);
        Number("SetSchedulerMonthlyHour:", schedule.MonthlyHour);
        Number("SetSchedulerMonthlyMinute:", schedule.MonthlyMinute);
        Number("SetSchedulerWeekday:", schedule.Weekday);
        Number("SetSchedulerMonthday:", schedule.Monthday);
        Number("SetSchedulerSendEmail:", schedule.SendEmail);
        Text(19, schedule.Email);
        NextLine(ignored);
        for (CBackup& entry : set.Entries) {
            Text(20, entry.SourceFolder);
            Text(25, entry.DestinationFolder);
            Text(22, entry.ExcludeFolders);
            Text(20, entry.IncludeFiles);
            Text(20, entry.ExcludeFiles);
            Number("BackupRecursive:", entry.Recursive);
        }
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
