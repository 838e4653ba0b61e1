#include "app/DesktopEntry.h"

std::string TrimKeyFileText(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

namespace {

std::string UnescapeValue(const std::string& value)
{
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text.push_back(value[i]);
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's':
            text.push_back(' ');
            break;
        case 'n':
            text.push_back('\n');
            break;
        case 't':
            text.push_back('\t');
            break;
        case 'r':
            text.push_back('\r');
            break;
        default:
            text.push_back(next);
            break;
        }
    }
    return text;
}

// The first argument of an Exec value: a double-quoted argument with its
// backslash escapes, or the text up to the first space.
std::string FirstArgument(const std::string& exec)
{
    std::size_t at = exec.find_first_not_of(' ');
    if (at == std::string::npos)
        return {};
    std::string argument;
    if (exec[at] != '"')
        return exec.substr(at, exec.find(' ', at) - at);
    for (++at; at < exec.size() && exec[at] != '"'; ++at) {
        if (exec[at] == '\\' && at + 1 < exec.size())
            ++at;
        argument.push_back(exec[at]);
    }
    return argument;
}

std::string UndoublePercent(const std::string& text)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        result.push_back(text[i]);
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%')
            ++i;
    }
    return result;
}

} // namespace

CDesktopEntry::CDesktopEntry(const std::string& text)
{
    bool inEntry = false;
    std::string::size_type start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = TrimKeyFileText(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const auto equals = line.find('=');
        if (!inEntry || equals == std::string::npos)
            continue;
        // The first of duplicated keys counts.
        m_values.emplace(TrimKeyFileText(line.substr(0, equals)), UnescapeValue(TrimKeyFileText(line.substr(equals + 1))));
    }
}

std::string CDesktopEntry::Value(const std::string& key) const
{
    const auto found = m_values.find(key);
    return found == m_values.end() ? std::string() : found->second;
}

bool CDesktopEntry::Hidden() const
{
    return Value("Hidden") == "true";
}

std::string CDesktopEntry::ExecProgram() const
{
    return UndoublePercent(FirstArgument(Value("Exec")));
}

std::string CDesktopEntry::QuoteExecArgument(const std::string& argument)
{
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted.push_back('\\');
        quoted.push_back(c);
        if (c == '%')
            quoted.push_back('%');
    }
    return quoted + "\"";
}

std::string CDesktopEntry::EscapeValue(const std::string& value)
{
    std::string escaped;
    for (char c : value) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped.push_back(c);
            break;
        }
    }
    return escaped;
}
