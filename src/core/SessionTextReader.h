#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CSession;

// Reader of the two line-oriented session formats that came before XML
// (versions 1 and 2). They are read, never written.
class CSessionTextReader {
public:
    // text as read in text mode (CR LF already turned into LF).
    explicit CSessionTextReader(std::string_view text);

    // Appends the sets of the file to session. version is 1 or 2.
    void Read(int version, CSession& session);

    // The number of "SettingsVersion:\t%d" in the first line, 0 when it does not match.
    static int VersionOf(std::string_view firstLine);

    // Matches "<key>\t%d" the way the C runtime's formatted scan does: the tab
    // matches any run of white space, none included.
    static bool ScanNumber(std::string_view line, std::string_view key, std::int32_t& value);

private:
    bool NextLine(std::string_view& line);
    void Number(std::string_view key, std::int32_t& field);
    void Text(std::size_t keyLength, std::string& field);

    std::vector<std::string_view> m_lines;
    std::size_t m_next = 0;
};
