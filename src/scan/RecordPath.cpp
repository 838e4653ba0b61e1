#include "scan/RecordPath.h"

#include <algorithm>
#include <ostream>

namespace {

// Byte order (as std::string compares) of a1 + a2 against b1 + b2, without
// joining them.
int CompareJoined(std::string_view a1, std::string_view a2, std::string_view b1, std::string_view b2)
{
    std::string_view a = a1.empty() ? a2 : a1;
    std::string_view b = b1.empty() ? b2 : b1;
    bool aSecond = a1.empty();
    bool bSecond = b1.empty();
    for (;;) {
        const std::size_t n = std::min(a.size(), b.size());
        if (const int c = a.substr(0, n).compare(b.substr(0, n)))
            return c;
        a.remove_prefix(n);
        b.remove_prefix(n);
        if (a.empty() && !aSecond) {
            a = a2;
            aSecond = true;
        }
        if (b.empty() && !bSecond) {
            b = b2;
            bSecond = true;
        }
        if (a.empty() || b.empty())
            return a.empty() ? (b.empty() ? 0 : -1) : 1;
    }
}

} // namespace

CRecordPath& CRecordPath::operator=(std::string path)
{
    m_folder.reset();
    m_name = std::move(path);
    return *this;
}

void CRecordPath::Assign(CSharedFolder::Ref folder, std::string_view name)
{
    m_folder = std::move(folder);
    m_name.assign(name);
}

bool CRecordPath::ShareBelow(std::string_view root, CSharedFolder::Ref& recent)
{
    const std::string_view path = m_name;
    if (m_folder || root.empty() || root.back() != '/' || path.size() <= root.size()
        || path.compare(0, root.size(), root) != 0)
        return false;
    const std::size_t nameStart = path.find_last_of('/') + 1;
    const std::string_view folder = path.substr(0, nameStart);
    if (!recent || recent->Path() != folder || recent->Root().size() != root.size())
        recent = CSharedFolder::Make(folder, root.size());
    m_folder = recent;
    m_name.erase(0, nameStart);
    return true;
}

std::string CRecordPath::str() const
{
    std::string text;
    AppendTo(text);
    return text;
}

void CRecordPath::AppendTo(std::string& out) const
{
    out.append(FolderBelowRoot()).append(m_name);
}

int CRecordPath::compare(std::string_view other) const
{
    const std::string_view folder = FolderBelowRoot();
    if (folder.empty())
        return std::string_view(m_name).compare(other);
    const std::size_t n = std::min(folder.size(), other.size());
    if (const int c = folder.compare(0, n, other.substr(0, n)))
        return c;
    if (other.size() < folder.size())
        return 1;
    return std::string_view(m_name).compare(other.substr(folder.size()));
}

int CRecordPath::compare(const CRecordPath& other) const
{
    if (m_folder.get() == other.m_folder.get())
        return m_name.compare(other.m_name);
    return CompareJoined(FolderBelowRoot(), m_name, other.FolderBelowRoot(), other.m_name);
}

int CRecordPath::CompareWhole(const CRecordPath& other) const
{
    if (m_folder.get() == other.m_folder.get())
        return m_name.compare(other.m_name);
    return CompareJoined(WholeFolder(), m_name, other.WholeFolder(), other.m_name);
}

std::string operator+(const CRecordPath& a, std::string_view b)
{
    std::string text = a.str();
    text.append(b);
    return text;
}

std::ostream& operator<<(std::ostream& out, const CRecordPath& path)
{
    return out << path.str();
}
