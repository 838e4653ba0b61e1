#include "web/WebForms.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace WebForms {

namespace {

constexpr std::size_t kLinesRead = 10;
// Longer than any version number; a page that puts more between the tags
// is not naming a version, and its text is not shown to the user.
constexpr std::size_t kMaxVersionLength = 32;

bool Unreserved(unsigned char c)
{
    return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

void AppendEscaped(std::string& out, unsigned char c)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 15];
}

std::string Upper(std::string_view text)
{
    std::string upper(text);
    std::transform(
        upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

} // namespace

std::string UpdateCheckBody()
{
    return std::string("Action=CheckForUpdates&Protocol=") + kProtocol + "&Application=" + kApplication
        + "&Version=" + kVersion;
}

std::string OnlineSupportQuery()
{
    return std::string("?Action=OnlineSupport&Protocol=") + kProtocol + "&Application=" + kApplication
        + "&Version=" + kVersion;
}

std::string EncodeValue(const std::string& value)
{
    std::string out;
    out.reserve(value.size() * 3);
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
            out += "%0D\n";
        } else if (Unreserved(c)) {
            out += static_cast<char>(c);
        } else {
            AppendEscaped(out, c);
        }
    }
    return out;
}

std::string FeedbackBody(const FeedbackFields& fields, const SystemFields& system)
{
    std::string body = "Action=Feedback";
    body += std::string("&Protocol=") + kProtocol;
    body += std::string("&app_name=") + kApplication;
    body += std::string("&app_version=") + kVersion;
    body += "&ostype=" + EncodeValue(system.OsType);
    body += "&version=" + EncodeValue(system.Version);
    body += "&build=" + EncodeValue(system.Build);
    body += "&langid=" + EncodeValue(system.LangId);
    body += "&additional=" + EncodeValue(system.Additional);
    body += "&about=" + EncodeValue(fields.About);
    body += "&problem=" + EncodeValue(fields.Problem);
    body += "&used=" + EncodeValue(fields.Used);
    body += "&email=" + EncodeValue(fields.Email);
    body += "&comment=" + EncodeValue(fields.Comment);
    return body;
}

std::string FirstTenLines(const std::string& answer)
{
    std::string out;
    std::size_t position = 0;
    for (std::size_t line = 0; line < kLinesRead; ++line) {
        out += '\n';
        if (position >= answer.size())
            continue;
        std::size_t end = answer.find('\n', position);
        if (end == std::string::npos)
            end = answer.size();
        std::string_view text(answer.data() + position, end - position);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        out += text;
        position = end + 1;
    }
    return out;
}

std::optional<std::string> LatestVersion(const std::string& answer)
{
    static constexpr std::string_view kOpen = "<LATEST>";
    static constexpr std::string_view kClose = "</LATEST>";
    const std::string upper = Upper(answer);
    const std::size_t open = upper.find(kOpen);
    const std::size_t close = upper.find(kClose);
    if (open == std::string::npos || close == std::string::npos)
        return std::nullopt;
    std::size_t start = open + kOpen.size();
    // A closing tag before the opening one names nothing.
    if (close <= start)
        return std::nullopt;
    std::size_t end = close;
    // Tags on lines of their own: the version is what stands between them.
    while (start < end && std::isspace(static_cast<unsigned char>(upper[start])))
        ++start;
    while (end > start && std::isspace(static_cast<unsigned char>(upper[end - 1])))
        --end;
    // An empty or overlong text is no version either (it would be offered as one).
    if (end == start || end - start > kMaxVersionLength)
        return std::nullopt;
    std::string version = upper.substr(start, end - start);
    const bool printable
        = std::all_of(version.begin(), version.end(), [](unsigned char c) { return c >= 0x20 && c < 0x7F; });
    if (!printable)
        return std::nullopt;
    return version;
}

bool IsOtherVersion(const std::string& latest)
{
    return Upper(latest) != Upper(kVersion);
}

} // namespace WebForms
