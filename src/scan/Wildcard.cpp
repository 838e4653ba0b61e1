#include "scan/Wildcard.h"

#include "platform/TextCase.h"
#include "scan/MaskList.h"

bool MatchWildcard(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0;
    std::size_t n = 0;
    while (n < name.size() && (p >= pattern.size() || pattern[p] != '*')) {
        if (p >= pattern.size() || (pattern[p] != name[n] && pattern[p] != '?'))
            return false;
        ++p;
        ++n;
    }
    // The loop above stopped at a '*' whenever name characters remain, so
    // the restart point is set before it is first needed.
    std::size_t restartPattern = p;
    std::size_t restartName = n;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            if (++p == pattern.size())
                return true;
            restartPattern = p;
            restartName = n + 1;
        } else if (p < pattern.size() && (pattern[p] == name[n] || pattern[p] == '?')) {
            ++p;
            ++n;
        } else {
            p = restartPattern;
            n = restartName++;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool MatchMasks(std::string_view name, std::string_view masks)
{
    if (masks.empty())
        return false;
    return CMaskList(masks).MatchesLower(CTextCase::Lower(name));
}

bool MatchListingWildcard(std::string_view lowerPattern, std::string_view lowerName)
{
    if (MatchWildcard(lowerPattern, lowerName))
        return true;
    if (lowerName.find('.') != std::string_view::npos || !lowerPattern.ends_with(".*"))
        return false;
    return MatchWildcard(lowerPattern.substr(0, lowerPattern.size() - 2), lowerName);
}
