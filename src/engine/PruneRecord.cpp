#include "engine/PruneRecord.h"

#include "engine/VersionPruner.h"
#include "engine/WallClock.h"
#include "platform/fs/DirHandle.h"
#include "platform/fs/ItemOps.h"

#include <cerrno>
#include <charconv>
#include <string_view>

namespace {

// A record is a few dozen bytes; anything much larger is not one.
constexpr std::size_t kMaxRecordBytes = 1024;

int OpenArea(const std::string& backupFolder, CDirHandle& area)
{
    CDirHandle root;
    if (const int error = CDirHandle::OpenNamed(backupFolder.empty() ? "/" : backupFolder, root))
        return error;
    return root.OpenFolder(CVersionPruner::kAreaName, area);
}

// The text after "key " on a line of its own at the start of text, which
// then moves past the line; empty when the line is not there whole.
std::optional<std::string_view> TakeLine(std::string_view& text, std::string_view key)
{
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos || text.substr(0, key.size()) != key || end <= key.size()
        || text[key.size()] != ' ')
        return std::nullopt;
    const std::string_view value = text.substr(key.size() + 1, end - key.size() - 1);
    text.remove_prefix(end + 1);
    return value;
}

} // namespace

int CPruneRecord::Read(const std::string& backupFolder, CPruneRecord& record)
{
    CDirHandle area;
    std::string text;
    int error = OpenArea(backupFolder, area);
    if (!error)
        error = ItemOps::ReadSmallFile(area, kName, text, kMaxRecordBytes);
    if (error)
        return error == EFBIG ? EINVAL : error;
    const std::optional<CPruneRecord> parsed = Parse(text);
    if (!parsed)
        return EINVAL;
    record = *parsed;
    return 0;
}

int CPruneRecord::Write(const std::string& backupFolder) const
{
    CDirHandle area;
    if (const int error = OpenArea(backupFolder, area))
        return error;
    return ItemOps::ReplaceSmallFile(area, kName, Text(), 0600);
}

int CPruneRecord::Drop(const std::string& backupFolder)
{
    CDirHandle area;
    int error = OpenArea(backupFolder, area);
    if (!error)
        error = ItemOps::RemoveFile(area, kName);
    return error == ENOENT ? 0 : error;
}

bool CPruneRecord::Covers(const CVersionSettings& settings, std::int64_t now) const
{
    return Rules == RulesOf(settings) && CWallClock::DayOf(PrunedAt) == CWallClock::DayOf(now);
}

std::string CPruneRecord::RulesOf(const CVersionSettings& settings)
{
    return "keep " + std::to_string(settings.Keep) + ", days " + std::to_string(settings.Days) + ", thin "
        + settings.ThinText();
}

std::string CPruneRecord::Text() const
{
    return "pruned " + CWallClock::Stamp(PrunedAt) + "\nrules " + Rules + "\nbytes " + std::to_string(Bytes) + "\n";
}

std::optional<CPruneRecord> CPruneRecord::Parse(const std::string& text)
{
    std::string_view rest = text;
    const std::optional<std::string_view> at = TakeLine(rest, "pruned");
    const std::optional<std::string_view> rules = at ? TakeLine(rest, "rules") : std::nullopt;
    const std::optional<std::string_view> bytes = rules ? TakeLine(rest, "bytes") : std::nullopt;
    if (!bytes || !rest.empty())
        return std::nullopt;
    CPruneRecord record;
    record.Rules = std::string(*rules);
    const auto [end, error] = std::from_chars(bytes->data(), bytes->data() + bytes->size(), record.Bytes);
    if (error != std::errc() || end != bytes->data() + bytes->size())
        return std::nullopt;
    const std::optional<std::int64_t> wall = CWallClock::ParseStamp(*at);
    if (!wall)
        return std::nullopt;
    record.PrunedAt = *wall;
    return record;
}
