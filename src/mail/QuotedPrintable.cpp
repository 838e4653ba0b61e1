#include "mail/QuotedPrintable.h"

namespace {

constexpr std::size_t kLineLimit = 76;

bool IsLiteral(unsigned char c)
{
    return (c >= 33 && c <= 60) || (c >= 62 && c <= 126) || c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

std::string EscapeBytes(const std::string& bytes)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(bytes.size() + bytes.size() / 4);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsLiteral(c)) {
            result += ch;
            continue;
        }
        result += '=';
        result += kHex[c >> 4];
        result += kHex[c & 15];
    }
    return result;
}

// Where a too-long line starting at lineStart and reaching end may be cut:
// after white space or after a whole escape, searching backwards.
std::size_t FindBreakPoint(const std::string& text, std::size_t lineStart, std::size_t end)
{
    for (std::size_t k = end; k > lineStart; --k) {
        if (text[k] == ' ' || text[k] == '\t')
            return k;
        if (k >= lineStart + 2 && text[k - 2] == '=')
            return k;
    }
    // No such place: cut at the limit, but never between an escape's "=" and
    // its two digits, which would leave a broken escape on both lines.
    std::size_t cut = lineStart + kLineLimit;
    while (cut > lineStart && (text[cut] == '=' || text[cut - 1] == '='))
        --cut;
    return cut;
}

} // namespace

std::string EncodeQuotedPrintable(const std::string& bytes)
{
    const std::string text = EscapeBytes(bytes);
    std::string result;
    result.reserve(text.size() + text.size() / 25);
    std::size_t i = 0;
    for (std::size_t j = 0; j < text.size(); ++j) {
        if (text[j] == '\n' || text[j] == '\r' || j + 1 == text.size()) {
            result.append(text, i, j - i + 1);
            i = j + 1;
            continue;
        }
        if (j - i > kLineLimit) {
            const std::size_t cut = FindBreakPoint(text, i, j);
            result.append(text, i, cut - i + 1);
            result += "=\r\n";
            i = cut + 1;
        }
    }
    return result;
}
