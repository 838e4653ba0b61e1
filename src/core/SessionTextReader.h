#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CBackup;
class CSession;
class CSet;

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
    // The lines of the file not read yet. Lines are taken one by one rather
    // than indexed up front: a file of blank lines would otherwise cost far
    // more memory than its own size.
    class Lines {
    public:
        explicit Lines(std::string_view text)
            : m_rest(text)
            , m_atEnd(text.empty())
        {
        }
        bool Next(std::string_view& line);
        bool AtEnd() const { return m_atEnd; }

    private:
        std::string_view m_rest;
        bool m_atEnd;
    };

    void ReadSets(int version, CSession& session);
    bool Number(std::string_view key, std::int32_t& field);
    bool Text(std::size_t keyLength, std::string& field);
    bool ReadSet(int version, std::int32_t entryCount, CSet& set);
    bool ReadEntry(CBackup& entry);

    Lines m_lines;
};
