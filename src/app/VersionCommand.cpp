#include "app/VersionCommand.h"

#include "StringTable.h"
#include "app/KorvaneApp.h"
#include "core/Prompter.h"
#include "engine/VersionList.h"
#include "engine/VersionPruner.h"
#include "engine/VersionRestorer.h"
#include "engine/WallClock.h"
#include "scan/PathFormat.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <ostream>

CVersionCommand::CVersionCommand(const CSet& set, CPrompter& prompter, std::time_t now)
    : m_set(set)
    , m_prompter(prompter)
    , m_now(now)
{
}

std::optional<std::int64_t> CVersionCommand::ParseTime(const std::string& text)
{
    CWallClock::Civil c;
    long long year = 0;
    int used = 0;
    if (std::sscanf(
            text.c_str(), "%4lld-%2d-%2d %2d:%2d:%2d%n", &year, &c.month, &c.day, &c.hour, &c.minute, &c.second, &used)
            != 6
        || static_cast<std::size_t>(used) != text.size())
        return std::nullopt;
    c.year = year;
    if (c.month < 1 || c.month > 12 || c.day < 1 || c.hour < 0 || c.hour > 23 || c.minute < 0 || c.minute > 59
        || c.second < 0 || c.second > 59)
        return std::nullopt;
    // A day past the month's end (a 31st of April) comes back as another day.
    const std::int64_t wall = CWallClock::FromCivil(c);
    if (CWallClock::ToCivil(wall).day != c.day)
        return std::nullopt;
    return wall;
}

std::string CVersionCommand::Absolute(const std::string& path)
{
    if (path.empty())
        return {};
    std::error_code error;
    std::string absolute = std::filesystem::absolute(path, error).lexically_normal().string();
    if (error)
        absolute = path;
    while (absolute.size() > 1 && absolute.back() == '/')
        absolute.pop_back();
    return absolute;
}

std::string CVersionCommand::PlaceOf(std::size_t entry, const std::string& relative) const
{
    const std::string source = CVersionList::SourceFolderOf(m_set.Entries[entry], m_now);
    return (source == "/" ? std::string() : source) + "/" + relative;
}

bool CVersionCommand::ReadVersions(const VersionArea& area, std::vector<VersionItem>& versions)
{
    const int error = CVersionList::Read(area, versions);
    if (error == 0)
        return true;
    m_prompter.MessageBox(
        FormatString(LoadString(57821).c_str(), area.AreaPath().c_str(), SystemErrorText(error).c_str(), error),
        MbOk | MbIconError);
    return false;
}

// Beside the list, never in it: scripts read the list's lines.
void CVersionCommand::ReportSpace(std::ostream& notes)
{
    for (const std::string& folder : CVersionList::AreaFoldersOf(m_set.Entries, m_now)) {
        const std::string area = folder + "/" + CVersionPruner::kAreaName;
        std::uint64_t bytes = 0;
        if (const int error = CVersionPruner::SpaceUsed(folder, bytes)) {
            m_prompter.MessageBox(
                FormatString(LoadString(57821).c_str(), area.c_str(), SystemErrorText(error).c_str(), error),
                MbOk | MbIconError);
            continue;
        }
        notes << "Korvane: "
              << TerminalSafeText(
                     FormatString(LoadString(57805).c_str(), area.c_str(), CVersionPruner::SpaceText(bytes).c_str()))
              << "\n";
    }
    notes.flush();
}

int CVersionCommand::List(const std::string& path, std::ostream& out, char end, std::ostream& notes)
{
    const std::string limit = Absolute(path);
    int status = ExitCompleted;
    for (std::size_t i = 0; i < m_set.Entries.size(); ++i) {
        std::vector<VersionItem> versions;
        if (!ReadVersions(CVersionList::EntryAreaOf(m_set.Entries[i], m_now), versions)) {
            status = ExitItemsFailed;
            continue;
        }
        for (const VersionItem& version : versions) {
            const std::string place = PlaceOf(i, version.Path);
            if (CVersionList::Within(place, limit))
                out << CVersionList::TimeText(version.SetAside) << ' ' << version.Size << ' ' << place << end;
        }
    }
    out.flush();
    if (!out)
        return ExitWrongCall;
    ReportSpace(notes);
    return status;
}

int CVersionCommand::Restore(const std::string& path, const std::string& at, const std::string& to)
{
    std::optional<std::int64_t> when = std::numeric_limits<std::int64_t>::max();
    if (!at.empty() && !(when = ParseTime(at))) {
        m_prompter.MessageBox(FormatString(LoadString(57824).c_str(), at.c_str()), MbOk | MbIconError);
        return ExitWrongCall;
    }
    const std::string place = Absolute(path);
    bool inSet = false;
    for (std::size_t i = 0; i < m_set.Entries.size(); ++i) {
        const std::string source = CVersionList::SourceFolderOf(m_set.Entries[i], m_now);
        if (!CVersionList::Within(place, source) || place.size() <= source.size())
            continue;
        inSet = true;
        const std::string relative = place.substr(source == "/" ? 1 : source.size() + 1);
        const VersionArea area = CVersionList::EntryAreaOf(m_set.Entries[i], m_now);
        std::vector<VersionItem> versions;
        if (!ReadVersions(area, versions))
            return ExitItemsFailed;
        const VersionItem* version = CVersionList::NewestAtOrBefore(versions, relative, *when);
        if (!version)
            continue;
        CVersionRestorer restorer(area, to.empty() ? source : Absolute(to));
        const CVersionRestorer::Result result = restorer.Restore(*version);
        if (result.Failed != CVersionRestorer::Step::None) {
            m_prompter.MessageBox(CVersionRestorer::Message(result), MbOk | MbIconError);
            return ExitItemsFailed;
        }
        return ExitCompleted;
    }
    if (!inSet) {
        m_prompter.MessageBox(FormatString(LoadString(57825).c_str(), place.c_str()), MbOk | MbIconError);
        return ExitItemsFailed;
    }
    const std::string time = at.empty() ? CVersionList::TimeText(CWallClock::FromEpoch(m_now)) : at;
    m_prompter.MessageBox(FormatString(LoadString(57820).c_str(), place.c_str(), time.c_str()), MbOk | MbIconError);
    return ExitItemsFailed;
}
