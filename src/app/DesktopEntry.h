#pragma once

#include <map>
#include <string>

// Blanks (space, tab, CR) removed from both ends, as key files read them.
std::string TrimKeyFileText(const std::string& text);

// The [Desktop Entry] group of a freedesktop desktop entry file: what the
// program needs to read back from its own registrations (and from those of
// other programs it meets in the machine-wide view), and the quoting of its
// own program path in an Exec line.
class CDesktopEntry {
public:
    explicit CDesktopEntry(const std::string& text);

    // A key's value with the string escapes (\s \n \t \r \\) resolved;
    // empty when absent. Localised keys ("Name[de]") are separate keys.
    std::string Value(const std::string& key) const;
    // "Hidden=true": the entry counts as deleted.
    bool Hidden() const;
    // The program an Exec line starts, unquoted; empty when there is none.
    std::string ExecProgram() const;

    // argument as one quoted Exec argument: double quotes, a backslash
    // before " ` $ and \, and "%" doubled so it is not a field code.
    static std::string QuoteExecArgument(const std::string& argument);
    // value escaped for a desktop entry file (backslash, line breaks).
    static std::string EscapeValue(const std::string& value);

private:
    std::map<std::string, std::string> m_values;
};
