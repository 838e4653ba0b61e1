#include "platform/TextCase.h"

#include <QString>

namespace {

bool IsAscii(std::string_view text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiLowerAll(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = AsciiLower(c);
    return result;
}

// The Unicode route, taken only for texts that survive a UTF-8 round trip.
bool ToQString(std::string_view text, QString& out)
{
    out = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QByteArray back = out.toUtf8();
    return std::string_view(back.constData(), static_cast<std::size_t>(back.size())) == text;
}

std::string ToStd(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

std::string CTextCase::Lower(std::string_view text)
{
    if (IsAscii(text))
        return AsciiLowerAll(text);
    QString wide;
    if (!ToQString(text, wide))
        return AsciiLowerAll(text);
    return ToStd(wide.toLower());
}

std::string CTextCase::UpperFirst(std::string_view text)
{
    if (text.empty())
        return {};
    QString wide;
    if (!ToQString(text, wide)) {
        std::string result(text);
        if (result[0] >= 'a' && result[0] <= 'z')
            result[0] = static_cast<char>(result[0] - 'a' + 'A');
        return result;
    }
    // A character outside the basic plane takes two UTF-16 units.
    const qsizetype firstLength = wide.at(0).isHighSurrogate() && wide.size() > 1 ? 2 : 1;
    return ToStd(wide.left(firstLength).toUpper() + wide.mid(firstLength));
}
