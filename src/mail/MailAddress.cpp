#include "mail/MailAddress.h"

#include "mail/MailText.h"

#include <algorithm>
#include <utility>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string WithoutLineBreaks(std::string text)
{
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

} // namespace

std::string TrimText(const std::string& text)
{
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && IsSpace(text[start]))
        ++start;
    while (end > start && IsSpace(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

CMailAddress::CMailAddress(std::string displayName, std::string address)
    : DisplayName(std::move(displayName))
    , Address(std::move(address))
{
}

void CMailAddress::ParseAddress(const std::string& text)
{
    const std::string trimmed = TrimText(text);
    const std::size_t open = trimmed.find('<');
    const std::size_t close = trimmed.find('>');
    if (open != std::string::npos && close != std::string::npos && open + 2 <= close) {
        Address = trimmed.substr(open + 1, close - open - 1);
        DisplayName = TrimText(trimmed.substr(0, open));
        return;
    }
    Address = trimmed;
    DisplayName.clear();
}

std::string CMailAddress::FormatForHeader(bool encode, const std::string& charset) const
{
    const std::string address = WithoutLineBreaks(Address);
    if (DisplayName.empty())
        return address;
    const std::string name = encode ? EncodeHeaderText(DisplayName, charset) : WithoutLineBreaks(DisplayName);
    return name + " <" + address + ">";
}
