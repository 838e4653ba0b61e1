#pragma once

#include <string>
#include <string_view>

// True when the pattern matches the whole name, byte by byte and with case:
// '*' is any run of characters (none included), '?' exactly one. So "*.*"
// matches only names that contain a dot.
bool MatchWildcard(std::string_view pattern, std::string_view name);

// True when the name matches one item of a ';'-separated mask list, case
// ignored. Leading white space of an item is skipped, trailing white space
// belongs to it; an empty item ends the list ("*.log;;*.tmp" never reaches
// *.tmp). The dialogs rely on "; " lists, whose items read cleanly.
bool MatchMasks(std::string_view name, std::string_view masks);

// How the folder listing of Windows matched an include item, which stored
// sessions rely on: case ignored and "*.*" (any "x.*") also matching names
// without a dot. Both texts already lower-cased.
bool MatchListingWildcard(std::string_view lowerPattern, std::string_view lowerName);
