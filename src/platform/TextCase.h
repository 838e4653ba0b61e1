#pragma once

#include <string>
#include <string_view>

// Case mapping of UTF-8 texts that ignores the C locale, the way Windows'
// file name comparisons ignore case whatever the user's language.
class CTextCase {
public:
    // Lower-cases every character; bytes that are not valid UTF-8 stay as
    // they are (Linux names may be any bytes).
    static std::string Lower(std::string_view text);
    // Upper-cases the first character and keeps the rest.
    static std::string UpperFirst(std::string_view text);
};
