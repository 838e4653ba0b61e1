#include "scan/PathFormat.h"

#include "StringTable.h"
#include "platform/FileIo.h"
#include "platform/MountTable.h"
#include "platform/SystemInfo.h"
#include "platform/TextCase.h"

#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace {

// %NAME% as Windows expands it: an unknown or empty name is copied with
// both '%' and the text goes on after it; a lone '%' stays.
std::string ExpandEnvironment(const std::string& text)
{
    std::string out;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t open = text.find('%', position);
        if (open == std::string::npos) {
            out.append(text, position);
            break;
        }
        out.append(text, position, open - position);
        const std::size_t close = text.find('%', open + 1);
        if (close == std::string::npos) {
            out.append(text, open);
            break;
        }
        std::string value;
        const std::string name = text.substr(open + 1, close - open - 1);
        if (!name.empty() && CSystemInfo::Environment(name, value))
            out += value;
        else
            out.append(text, open, close - open + 1);
        position = close + 1;
    }
    return out;
}

void ReplaceAll(std::string& text, const std::string& tag, const std::string& value)
{
    std::size_t position = 0;
    while ((position = text.find(tag, position)) != std::string::npos) {
        text.replace(position, tag.size(), value);
        position += value.size();
    }
}

std::string Strftime(const std::tm* local, const char* format)
{
    if (!local)
        return {};
    char buffer[128];
    const std::size_t length = std::strftime(buffer, sizeof(buffer), format, local);
    return std::string(buffer, length);
}

std::string ProfilesFolder()
{
    std::string home = CSystemInfo::HomeFolder();
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    const auto slash = home.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : home.substr(0, slash);
}

std::string DriveLabel(int type)
{
    switch (type) {
    case CMountTable::DriveUnknown:
        return "[Unknown Drive]";
    case CMountTable::DriveNoRoot:
        return "[Invalid Drive]";
    case CMountTable::DriveRemovable:
        return "[Removable Drive]";
    case CMountTable::DriveFixed:
        return "[Fixed Drive]";
    case CMountTable::DriveRemote:
        return "[Network Drive]";
    case CMountTable::DriveCdRom:
        return "[CD-ROM Drive]";
    case CMountTable::DriveRam:
        return "[RAM Drive]";
    default:
        return {};
    }
}

// Cuts a UTF-8 text only between characters, so shortened paths in logs
// and dialogs stay valid text.
bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string ExpandPathTags(const std::string& text, std::time_t now)
{
    if (text.find_first_of("<%") == std::string::npos)
        return text;
    // No 1024-byte cap: a cut-off path would point the backup somewhere else.
    std::string result = ExpandEnvironment(text);
    std::tm localStorage {};
    const std::tm* local = localtime_r(&now, &localStorage);

    const std::vector<std::pair<const char*, std::function<std::string()>>> tags = {
        { "<COMPUTER>", [] { return CSystemInfo::ComputerName(); } },
        { "<USER>", [] { return CSystemInfo::UserName(); } },
        { "<YEAR>", [&] { return Strftime(local, "%Y"); } },
        { "<MONTH>", [&] { return Strftime(local, "%m"); } },
        { "<MONTHNAME>", [&] { return CTextCase::UpperFirst(Strftime(local, "%B")); } },
        { "<DAY>", [&] { return Strftime(local, "%d"); } },
        { "<WEEKDAY>", [&] { return CTextCase::UpperFirst(Strftime(local, "%A")); } },
        { "<WEEKNUMBER>", [&] { return Strftime(local, "%W"); } },
        { "<HOUR12>", [&] { return Strftime(local, "%I"); } },
        { "<AMPM>", [&] { return Strftime(local, "%p"); } },
        { "<HOUR24>", [&] { return Strftime(local, "%H"); } },
        { "<MINUTE>", [&] { return Strftime(local, "%M"); } },
        { "<PROFILE>", [] { return ProfilesFolder(); } },
        { "<USERPROFILE>", [] { return CSystemInfo::HomeFolder(); } },
        { "<COMMONPROFILE>", [] { return std::string("/etc/skel"); } },
    };
    for (const auto& [tag, value] : tags) {
        if (result.find(tag) != std::string::npos)
            ReplaceAll(result, tag, value());
    }
    return result;
}

std::string FormatSize(std::uint64_t bytes)
{
    char buffer[64];
    const double value = static_cast<double>(bytes);
    if (bytes == 0)
        return "-";
    if (bytes < 1024ULL)
        std::snprintf(buffer, sizeof(buffer), "%llu bytes", static_cast<unsigned long long>(bytes));
    else if (bytes < (1ULL << 20))
        std::snprintf(buffer, sizeof(buffer), "%.2f kB", value / 1024.0);
    else if (bytes < (1ULL << 30))
        std::snprintf(buffer, sizeof(buffer), "%.2f MB", value / (1024.0 * 1024.0));
    else if (bytes < (1ULL << 40))
        std::snprintf(buffer, sizeof(buffer), "%.2f GB", value / (1024.0 * 1024.0 * 1024.0));
    else
        std::snprintf(buffer, sizeof(buffer), "%.2f TB", value / (1024.0 * 1024.0 * 1024.0 * 1024.0));
    return buffer;
}

std::string ShortenText(const std::string& text, int max)
{
    if (max < 0)
        max = 0;
    if (text.size() < static_cast<std::size_t>(max))
        return text;
    std::size_t left = static_cast<std::size_t>(max * 0.2);
    std::size_t rightStart = text.size() - static_cast<std::size_t>(max * 0.8);
    while (left > 0 && left < text.size() && IsContinuationByte(text[left]))
        --left;
    while (rightStart < text.size() && IsContinuationByte(text[rightStart]))
        ++rightStart;
    return text.substr(0, left) + "..." + text.substr(rightStart);
}

std::string FolderDisplayName(const std::string& path)
{
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '/')
        trimmed.pop_back();
    if (trimmed.empty()) {
        if (path.empty())
            return {};
        // The root plays the part of a drive such as C:.
        const std::string label = DriveLabel(CMountTable::GetDriveType("/"));
        return label.empty() ? "/Root " : "/Root " + label;
    }
    const auto slash = trimmed.find_last_of('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash);
}

std::string SystemErrorText(int code)
{
    std::string text;
    if (!CSystemInfo::ErrorText(code, text))
        return "Operation failed.";
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\r' || text.back() == '\t'))
        text.pop_back();
    return text;
}

namespace {

// The length of the UTF-8 sequence at text[i] (1 to 4), 0 when it is none.
std::size_t Utf8Length(const std::string& text, std::size_t i)
{
    const auto byte = [&text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4
        : lead >= 0xE0                                      ? 3
        : lead >= 0xC2 && lead < 0xE0                       ? 2
                                                            : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if (!IsContinuationByte(text[i + k]))
            return 0;
    }
    // Overlong forms, surrogates and code points beyond U+10FFFF.
    const unsigned char second = byte(i + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90)
        || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

} // namespace

std::string TerminalSafeText(const std::string& text)
{
    std::string safe;
    safe.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length = Utf8Length(text, i);
        if (length > 1) {
            // C1 controls: U+0080 to U+009F, written C2 80 to C2 9F.
            if (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)
                safe += FormatString("\\u%04x", static_cast<unsigned char>(text[i + 1]));
            else
                safe.append(text, i, length);
            i += length;
            continue;
        }
        ++i;
        if (length == 1 && c >= 0x20 && c != 0x7F)
            safe += static_cast<char>(c);
        else if (c == '\n')
            safe += "\\n";
        else if (c == '\t')
            safe += "\\t";
        else if (c == '\r')
            safe += "\\r";
        else
            safe += FormatString("\\x%02x", c);
    }
    return safe;
}

std::string FailureReasonText(int code)
{
    if (code == FileIo::kNotRegularFile)
        return LoadString(57744);
    return SystemErrorText(code) + " (error: " + std::to_string(code) + ")";
}

std::string FormatLocalDateTime(std::time_t t)
{
    std::tm local {};
    if (!localtime_r(&t, &local))
        return {};
    return Strftime(&local, "%x") + " " + Strftime(&local, "%X");
}

std::string FormatTime(std::time_t t, const std::string& format)
{
    if (format.empty())
        return {};
    std::tm local {};
    if (!localtime_r(&t, &local))
        return {};
    return Strftime(&local, format.c_str());
}
