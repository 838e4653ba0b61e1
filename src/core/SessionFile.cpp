#include "core/SessionFile.h"

#include "StringTable.h"
#include "core/Prompter.h"
#include "core/Session.h"
#include "core/SessionTextReader.h"
#include "core/XmlDocument.h"
#include "platform/AtomicFile.h"
#include "platform/FileIo.h"
#include "scan/PathFormat.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kNewestVersion = 3;

std::string Number(std::int32_t value)
{
    return std::to_string(value);
}

// Every value is looked up by name and its text taken whether or not the name
// was found: a missing element repeats the text of the one found before it.
// Kept so that a damaged or hand-edited file loads as in the Windows program.
std::string ChildText(CXmlDocument& document, std::string_view name)
{
    document.SeekChild(name);
    return document.ReadChildText();
}

// The exclude masks are the exception: a missing one excludes nothing. The
// text before it is the include mask or a folder, and taken as an exclude
// mask it would silently leave the entry's files out of every backup.
std::string ExcludeMaskText(CXmlDocument& document, std::string_view name)
{
    return document.SeekChild(name) ? document.ReadChildText() : std::string();
}

// A missing include mask includes everything, as a new entry does: the text
// before it is the exclude folder mask, usually empty, and an empty include
// mask records no file, so the entry would back up nothing and report success.
std::string IncludeMaskText(CXmlDocument& document)
{
    return document.SeekChild("INCLUDEFILES") ? document.ReadChildText() : std::string("*.*");
}

std::int32_t ChildNumber(CXmlDocument& document, std::string_view name)
{
    return CSessionFile::ToNumber(ChildText(document, name));
}

// The schedule's numbers in the order they are written and read.
struct ScheduleNumber {
    const char* tag;
    std::int32_t CScheduler::*field;
};

constexpr ScheduleNumber kScheduleNumbers[] = {
    { "ACTIVE", &CScheduler::Active },
    { "ACTION", &CScheduler::Action },
    { "CONDITION", &CScheduler::Condition },
    { "HOURLYMINUTES", &CScheduler::HourlyMinutes },
    { "DAILYHOUR", &CScheduler::DailyHour },
    { "DAILYMINUTE", &CScheduler::DailyMinute },
    { "WEEKLYHOUR", &CScheduler::WeeklyHour },
    { "WEEKLYMINUTE", &CScheduler::WeeklyMinute },
    { "MONTHLYHOUR", &CScheduler::MonthlyHour },
    { "MONTHLYMINUTE", &CScheduler::MonthlyMinute },
    { "WEEKDAY", &CScheduler::Weekday },
    { "MONTHDAY", &CScheduler::Monthday },
    { "SENDEMAIL", &CScheduler::SendEmail },
};

void WriteSchedule(CXmlDocument& document, const CScheduler& schedule)
{
    document.WriteChild("SCHEDULER");
    document.StepIn();
    for (const ScheduleNumber& number : kScheduleNumbers)
        document.WriteChild(number.tag, Number(schedule.*number.field));
    document.WriteChild("EMAIL", schedule.Email);
    document.StepOut();
}

// The version settings' numbers, read by name in any order.
struct VersionNumber {
    const char* tag;
    std::int32_t CVersionSettings::*field;
};

constexpr VersionNumber kVersionNumbers[] = {
    { "ACTIVE", &CVersionSettings::Active },
    { "KEEP", &CVersionSettings::Keep },
    { "DAYS", &CVersionSettings::Days },
    { "MASSCHANGE", &CVersionSettings::MassChange },
};

// Written only when a value differs from its default, so that a session that
// never used versions keeps the bytes it always had.
void WriteVersions(CXmlDocument& document, const CVersionSettings& versions)
{
    if (versions.IsDefault())
        return;
    document.WriteChild("VERSIONS");
    document.StepIn();
    document.WriteChild("ACTIVE", Number(versions.Active));
    document.WriteChild("KEEP", Number(versions.Keep));
    document.WriteChild("DAYS", Number(versions.Days));
    document.WriteChild("THIN", versions.ThinText());
    document.WriteChild("MASSCHANGE", Number(versions.MassChange));
    document.StepOut();
}

void WriteEntry(CXmlDocument& document, const CBackup& entry)
{
    document.WriteChild("BACKUP");
    document.StepIn();
    document.WriteChild("SOURCEFOLDER", entry.SourceFolder);
    document.WriteChild("DESTINATIONFOLDER", entry.DestinationFolder);
    document.WriteChild("EXCLUDEFOLDERS", entry.ExcludeFolders);
    document.WriteChild("INCLUDEFILES", entry.IncludeFiles);
    document.WriteChild("EXCLUDEFILES", entry.ExcludeFiles);
    document.WriteChild("RECURSIVE", Number(entry.Recursive));
    document.StepOut();
}

void ReadSchedule(CXmlDocument& document, CScheduler& schedule)
{
    for (const ScheduleNumber& number : kScheduleNumbers)
        schedule.*number.field = ChildNumber(document, number.tag);
    schedule.Email = ChildText(document, "EMAIL");
}

// Each child is looked up from the first: unlike the elements older files
// hold, a missing one takes its default, never the text found before it (a
// KEEP taken from an ACTIVE of 0 would lift the count limit).
bool SeekVersionChild(CXmlDocument& document, std::string_view name)
{
    document.StepOut();
    document.StepIn();
    return document.SeekChild(name);
}

// Older readers skip the element: it comes after everything they read.
void ReadVersions(CXmlDocument& document, CVersionSettings& versions)
{
    if (!document.SeekChild("VERSIONS") || !document.StepIn())
        return;
    for (const VersionNumber& number : kVersionNumbers) {
        if (SeekVersionChild(document, number.tag))
            versions.*number.field = CSessionFile::ToNumber(document.ReadChildText());
    }
    // Malformed steps keep the default ones rather than switch thinning off.
    if (SeekVersionChild(document, "THIN"))
        versions.SetThinText(document.ReadChildText());
    document.StepOut();
    versions.Clamp();
}

void ReadEntry(CXmlDocument& document, CBackup& entry)
{
    entry.SourceFolder = ChildText(document, "SOURCEFOLDER");
    entry.DestinationFolder = ChildText(document, "DESTINATIONFOLDER");
    entry.ExcludeFolders = ExcludeMaskText(document, "EXCLUDEFOLDERS");
    entry.IncludeFiles = IncludeMaskText(document);
    entry.ExcludeFiles = ExcludeMaskText(document, "EXCLUDEFILES");
    entry.Recursive = ChildNumber(document, "RECURSIVE");
}

} // namespace

std::string CSessionFile::BuildDocument(const CSession& session)
{
    CXmlDocument document;
    document.WriteElement("SESSION");
    document.WriteAttribute("version", "003");
    document.WriteChild("ACTIVESET", Number(session.ActiveSet));
    for (const CSet& set : session.Sets) {
        document.WriteChild("SET");
        document.StepIn();
        document.WriteChild("NAME", set.Name);
        document.WriteChild("ACTIVEACTION", Number(set.ActiveAction));
        document.WriteChild("LASTDESTINATIONFOLDER", set.LastDestinationFolder);
        for (const CBackup& entry : set.Entries)
            WriteEntry(document, entry);
        WriteSchedule(document, set.Schedule);
        WriteVersions(document, set.Versions);
        document.StepOut();
    }
    return document.GetText();
}

int CSessionFile::Write(const std::string& path, const std::string& document)
{
    CAtomicFile file;
    if (!file.Open(path))
        return -2;
    if (!file.Write(ToDiskBytes(kDeclaration)))
        return -3;
    if (!file.Write(ToDiskBytes(document)))
        return -4;
    if (!file.Commit())
        return -5;
    return 0;
}

std::string CSessionFile::ToDiskBytes(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (std::size_t lf = text.find('\n'); lf != std::string_view::npos; lf = text.find('\n')) {
        bytes.append(text.substr(0, lf));
        bytes += "\r\n";
        text.remove_prefix(lf + 1);
    }
    bytes.append(text);
    return bytes;
}

std::string CSessionFile::FromDiskBytes(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t lf = bytes.find('\n'); lf != std::string_view::npos; lf = bytes.find('\n')) {
        const bool crlf = lf > 0 && bytes[lf - 1] == '\r';
        text.append(bytes.substr(0, crlf ? lf - 1 : lf));
        text += '\n';
        bytes.remove_prefix(lf + 1);
    }
    text.append(bytes);
    return text;
}

std::int32_t CSessionFile::ToNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    std::int64_t number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        number = std::min<std::int64_t>(number * 10 + (text[i] - '0'), std::int64_t { 1 } << 32);
    number = negative ? -number : number;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        number, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

int CSessionFile::Read(const std::string& path, CSession& session, CPrompter& prompter, std::string* reason)
{
    std::string why;
    const int result = ReadFile(path, session, prompter, why);
    if (reason)
        *reason = result < -1 ? why : std::string();
    return result;
}

int CSessionFile::ReadFile(const std::string& path, CSession& session, CPrompter& prompter, std::string& reason)
{
    std::string bytes;
    int error = 0;
    switch (FileIo::ReadWholeFile(path, bytes, kMaxFileSize, &error)) {
    case FileIo::ReadResult::Ok:
        break;
    case FileIo::ReadResult::OpenFailed:
        reason = FailureReasonText(error) + ".";
        return -2;
    case FileIo::ReadResult::ReadFailed:
        reason = FailureReasonText(error) + ".";
        return -5;
    case FileIo::ReadResult::CloseFailed:
        reason = FailureReasonText(error) + ".";
        return -6;
    }
    if (bytes.empty()) {
        reason = LoadString(57743);
        return -3;
    }
    const std::string text = FromDiskBytes(bytes);
    const int version = CSessionTextReader::VersionOf(std::string_view(text).substr(0, text.find('\n')));
    if (version == 1 || version == 2) {
        CSessionTextReader(text).Read(version, session);
        return 0;
    }
    return ReadXml(text, session, prompter, reason);
}

int CSessionFile::ReadXml(const std::string& text, CSession& session, CPrompter& prompter, std::string& reason)
{
    CXmlDocument document;
    // A file that is no session at all once loaded as an empty session
    // without a word, and a run then said the set did not exist.
    if (!document.ParseText(text)) {
        const std::string what = "it is not valid XML (" + document.GetErrorText() + ")";
        reason = FormatString(LoadString(57742).c_str(), what.c_str());
        return -7;
    }
    if (!document.SeekElement("SESSION")) {
        reason = FormatString(LoadString(57742).c_str(), "it holds no SESSION element");
        return -7;
    }
    if (ToNumber(document.ReadAttribute("version")) > kNewestVersion) {
        prompter.MessageBox(LoadString(57695), MbOk | MbIconError);
        return -1;
    }
    session.Edit([&document](CSession& edited) { ReadSets(document, edited); });
    return 0;
}

void CSessionFile::ReadSets(CXmlDocument& document, CSession& session)
{
    session.ActiveSet = ChildNumber(document, "ACTIVESET");
    while (document.SeekChild("SET")) {
        // A SET without child elements (written "<SET/>") holds nothing to
        // read; stepping through it would lose the place among the sets.
        if (!document.HasChildren(document.CurrentChildIndex()))
            continue;
        CSet& set = session.Sets.emplace_back();
        if (!document.StepIn())
            break;
        ReadSet(document, set);
        document.StepOut();
    }
}

void CSessionFile::ReadSet(CXmlDocument& document, CSet& set)
{
    set.Name = ChildText(document, "NAME");
    set.ActiveAction = ChildNumber(document, "ACTIVEACTION");
    set.LastDestinationFolder = ChildText(document, "LASTDESTINATIONFOLDER");
    while (document.SeekChild("BACKUP")) {
        CBackup& entry = set.Entries.emplace_back();
        if (!document.StepIn())
            break;
        ReadEntry(document, entry);
        document.StepOut();
    }
    // A missing SCHEDULER leaves the place on the child found last; its
    // values then read as empty, as they always have.
    document.SeekChild("SCHEDULER");
    if (document.StepIn()) {
        ReadSchedule(document, set.Schedule);
        document.StepOut();
    }
    ReadVersions(document, set.Versions);
}
