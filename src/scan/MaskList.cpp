#include "scan/MaskList.h"

#include "platform/TextCase.h"
#include "scan/Wildcard.h"

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

CMaskList::CMaskList(std::string_view masks)
{
    const std::string lower = CTextCase::Lower(masks);
    std::string_view rest = lower;
    while (!rest.empty()) {
        const auto semicolon = rest.find(';');
        std::string_view item = rest.substr(0, semicolon);
        if (item.empty())
            break;
        while (!item.empty() && IsSpace(item.front()))
            item.remove_prefix(1);
        m_items.emplace_back(item);
        if (semicolon == std::string_view::npos)
            break;
        rest.remove_prefix(semicolon + 1);
    }
}

bool CMaskList::MatchesLower(std::string_view lowerName) const
{
    for (const std::string& item : m_items) {
        if (MatchWildcard(item, lowerName))
            return true;
    }
    return false;
}
