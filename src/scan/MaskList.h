#pragma once

#include <string>
#include <string_view>
#include <vector>

// A mask list read once for many names: the items of MatchMasks, lower-cased
// and split ahead, so a scan of a million files does not redo that per file.
class CMaskList {
public:
    CMaskList() = default;
    explicit CMaskList(std::string_view masks);

    bool Empty() const { return m_items.empty(); }
    // The name must already be lower-cased (CTextCase::Lower).
    bool MatchesLower(std::string_view lowerName) const;

private:
    std::vector<std::string> m_items;
};
