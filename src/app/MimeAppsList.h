#pragma once

#include <string>
#include <vector>

// A mimeapps.list file (freedesktop MIME applications associations): INI
// groups such as [Default Applications] and [Added Associations] with lines
// "<MIME type>=<desktop id>;<desktop id>;". The file belongs to the user and
// to every other program, so only the lines that are changed are touched:
// comments, blank lines, other groups and other lines keep their bytes.
class CMimeAppsList {
public:
    explicit CMimeAppsList(const std::string& text = {});

    // Desktop ids listed for mimeType in group, in order; empty when none.
    std::vector<std::string> Entries(const std::string& group, const std::string& mimeType) const;
    // Puts desktopId first in mimeType's list in group (keeping the other
    // ids after it), adding the line or the group when missing. False when
    // nothing changed.
    bool Prepend(const std::string& group, const std::string& mimeType, const std::string& desktopId);
    // Takes desktopId out of mimeType's lists in group; a line left without
    // ids goes. False when nothing changed.
    bool Remove(const std::string& group, const std::string& mimeType, const std::string& desktopId);

    std::string Text() const;

private:
    struct Line {
        std::string text;
        std::string group; // the group the line belongs to
    };

    // Index of the first line of key in group, or -1.
    long FindKey(const std::string& group, const std::string& key, std::size_t from = 0) const;
    void Insert(const std::string& group, const std::string& text);

    std::vector<Line> m_lines;
    bool m_finalNewline = true;
};
