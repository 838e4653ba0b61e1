#include "app/MimeAppsList.h"

#include "app/DesktopEntry.h"

namespace {

// "[Group]" gives "Group"; any other line gives false.
bool GroupHeader(const std::string& line, std::string& group)
{
    const std::string trimmed = TrimKeyFileText(line);
    if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']')
        return false;
    group = trimmed.substr(1, trimmed.size() - 2);
    return true;
}

// Splits "key = value" (space around "=" does not count); false for
// comments, blank lines and lines without "=".
bool KeyValue(const std::string& line, std::string& key, std::string& value)
{
    const std::string trimmed = TrimKeyFileText(line);
    if (trimmed.empty() || trimmed.front() == '#')
        return false;
    const auto equals = trimmed.find('=');
    if (equals == std::string::npos)
        return false;
    key = TrimKeyFileText(trimmed.substr(0, equals));
    value = TrimKeyFileText(trimmed.substr(equals + 1));
    return true;
}

std::vector<std::string> SplitIds(const std::string& value)
{
    std::vector<std::string> ids;
    std::string::size_type start = 0;
    while (start < value.size()) {
        auto end = value.find(';', start);
        if (end == std::string::npos)
            end = value.size();
        const std::string id = TrimKeyFileText(value.substr(start, end - start));
        if (!id.empty())
            ids.push_back(id);
        start = end + 1;
    }
    return ids;
}

std::string JoinIds(const std::vector<std::string>& ids)
{
    std::string value;
    for (const std::string& id : ids)
        value += id + ";";
    return value;
}

} // namespace

CMimeAppsList::CMimeAppsList(const std::string& text)
{
    if (text.empty())
        return;
    m_finalNewline = text.back() == '\n';
    std::string group;
    std::string::size_type start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        GroupHeader(line, group);
        m_lines.push_back({ line, group });
        start = end + 1;
    }
}

long CMimeAppsList::FindKey(const std::string& group, const std::string& key, std::size_t from) const
{
    for (std::size_t i = from; i < m_lines.size(); ++i) {
        std::string lineKey;
        std::string value;
        if (m_lines[i].group == group && KeyValue(m_lines[i].text, lineKey, value) && lineKey == key)
            return static_cast<long>(i);
    }
    return -1;
}

std::vector<std::string> CMimeAppsList::Entries(const std::string& group, const std::string& mimeType) const
{
    const long index = FindKey(group, mimeType);
    if (index < 0)
        return {};
    std::string key;
    std::string value;
    KeyValue(m_lines[static_cast<std::size_t>(index)].text, key, value);
    return SplitIds(value);
}

bool CMimeAppsList::Prepend(const std::string& group, const std::string& mimeType, const std::string& desktopId)
{
    std::vector<std::string> ids = Entries(group, mimeType);
    if (!ids.empty() && ids.front() == desktopId)
        return false;
    std::erase(ids, desktopId);
    ids.insert(ids.begin(), desktopId);
    const std::string line = mimeType + "=" + JoinIds(ids);
    const long index = FindKey(group, mimeType);
    if (index >= 0)
        m_lines[static_cast<std::size_t>(index)].text = line;
    else
        Insert(group, line);
    return true;
}

bool CMimeAppsList::Remove(const std::string& group, const std::string& mimeType, const std::string& desktopId)
{
    bool changed = false;
    for (long index = FindKey(group, mimeType); index >= 0;) {
        const auto at = static_cast<std::size_t>(index);
        std::string key;
        std::string value;
        KeyValue(m_lines[at].text, key, value);
        std::vector<std::string> ids = SplitIds(value);
        if (std::erase(ids, desktopId) == 0) {
            index = FindKey(group, mimeType, at + 1);
            continue;
        }
        changed = true;
        if (ids.empty()) {
            m_lines.erase(m_lines.begin() + index);
            index = FindKey(group, mimeType, at);
        } else {
            m_lines[at].text = mimeType + "=" + JoinIds(ids);
            index = FindKey(group, mimeType, at + 1);
        }
    }
    return changed;
}

// A new line goes after the last non-blank line of its group; a missing
// group is added at the end, after a blank line.
void CMimeAppsList::Insert(const std::string& group, const std::string& text)
{
    long last = -1;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].group == group && !TrimKeyFileText(m_lines[i].text).empty())
            last = static_cast<long>(i);
    }
    if (last >= 0) {
        m_lines.insert(m_lines.begin() + last + 1, Line { text, group });
        return;
    }
    if (!m_lines.empty() && !TrimKeyFileText(m_lines.back().text).empty())
        m_lines.push_back({ std::string(), m_lines.back().group });
    m_lines.push_back({ "[" + group + "]", group });
    m_lines.push_back({ text, group });
    m_finalNewline = true;
}

std::string CMimeAppsList::Text() const
{
    std::string text;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        text += m_lines[i].text;
        if (i + 1 < m_lines.size() || m_finalNewline)
            text += '\n';
    }
    return text;
}
