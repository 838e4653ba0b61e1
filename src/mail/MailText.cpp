#include "mail/MailText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::size_t kHeaderChunk = 70;

bool HasHighBit(const std::string& bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return (static_cast<unsigned char>(c) & 0x80) != 0; });
}

} // namespace

std::string ToUtf8(const std::string& text)
{
    return text;
}

bool IsUtf8Charset(const std::string& charset)
{
    static const std::string kUtf8 = "utf-8";
    if (charset.size() != kUtf8.size())
        return false;
    for (std::size_t i = 0; i < charset.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(charset[i])) != kUtf8[i])
            return false;
    }
    return true;
}

std::string EncodeHeaderChunk(const std::string& chunk, const std::string& charset)
{
    if (!HasHighBit(chunk))
        return chunk;
    static const char kHex[] = "0123456789ABCDEF";
    std::string result = "=?" + charset + "?q?";
    for (const char ch : chunk) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ') {
            result += '_';
        } else if ((c & 0x80) != 0 || c == '=' || c == '?' || c == '_') {
            result += '=';
            result += kHex[c >> 4];
            result += kHex[c & 15];
        } else {
            result += ch;
        }
    }
    return result + "?=";
}

std::string EncodeHeaderText(const std::string& text, const std::string& charset)
{
    std::string bytes = IsUtf8Charset(charset) ? ToUtf8(text) : text;
    std::replace(bytes.begin(), bytes.end(), '\r', ' ');
    std::replace(bytes.begin(), bytes.end(), '\n', ' ');
    std::string result;
    for (std::size_t start = 0; start < bytes.size(); start += kHeaderChunk)
        result += EncodeHeaderChunk(bytes.substr(start, kHeaderChunk), charset);
    return result;
}

std::string StuffLeadingDots(const std::string& text)
{
    std::string result;
    result.reserve(text.size() + 16);
    // Every body is sent from the start of a line, so a dot there needs the
    // same care as one after a line feed: a lone "." would end the message
    // early and hand the rest to the server as commands.
    if (!text.empty() && text[0] == '.')
        result += '.';
    for (std::size_t i = 0; i < text.size(); ++i) {
        result += text[i];
        if (text[i] == '\n' && i + 1 < text.size() && text[i + 1] == '.')
            result += '.';
    }
    return result;
}

std::string FormatZoneText(long offsetMinutes)
{
    // Hours and minutes come from the magnitude: a zone such as -0330 must not
    // come out as "-03-30".
    const long magnitude = std::labs(offsetMinutes);
    char text[16];
    std::snprintf(
        text, sizeof(text), "%c%02ld%02ld", offsetMinutes < 0 ? '-' : '+', magnitude / 60 % 100, magnitude % 60);
    return text;
}

std::string FormatMailDate(std::time_t when)
{
    // Fixed English names instead of switching the process-wide locale,
    // which other threads may be using at the same moment.
    static const char* const kDays[] = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
    static const char* const kMonths[]
        = { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec" };
    std::tm local {};
    localtime_r(&when, &local);
    char text[64];
    std::snprintf(text, sizeof(text), "%s, %02d %s %04d %02d:%02d:%02d ", kDays[local.tm_wday % 7], local.tm_mday,
        kMonths[local.tm_mon % 12], local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return text + FormatZoneText(local.tm_gmtoff / 60);
}
