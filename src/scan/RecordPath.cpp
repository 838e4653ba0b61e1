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

// Names lie after their folder's path in its bytes, so a name at offset 0
// belongs to a folder without a path: a path held as text. Two of those
// compare by their text alone, without reading their folders' lengths,
// which in a sorted list of such paths would cost a second cache line for
// every comparison.
bool BothText(CSharedFolder::NameSpan a, CSharedFolder::NameSpan b)
{
    return a.Offset == 0 && b.Offset == 0;
}

} // namespace

CRecordPath& CRecordPath::operator=(std::string_view path)
{
    AssignText(std::string_view(), path);
    return *this;
}

void CRecordPath::AssignText(std::string_view folder, std::string_view name)
{
    if (folder.empty() && name.empty()) {
        m_folder.reset();
        m_name = {};
        return;
    }
    // The text may lie in the folder let go of here.
    CSharedFolder::NameSpan span;
    CSharedFolder::Ref text = CSharedFolder::MakeText(folder, name, span);
    m_folder = std::move(text);
    m_name = span;
}

void CRecordPath::Assign(CSharedFolder::Ref folder, std::string_view name)
{
    if (!folder || folder->IsText()) {
        AssignText(std::string_view(), name);
        return;
    }
    CSharedFolder::NameSpan span;
    if (!folder->AddName(name, span)) {
        folder = CSharedFolder::Make(folder->Path(), folder->Root().size(), name.size());
        folder->AddName(name, span);
    }
    Assign(std::move(folder), span);
}

void CRecordPath::Assign(CSharedFolder::Ref folder, CSharedFolder::NameSpan name)
{
    m_folder = std::move(folder);
    m_name = m_folder ? name : CSharedFolder::NameSpan();
}

const CSharedFolder::Ref& CRecordPath::Shared() const
{
    static const CSharedFolder::Ref none;
    return m_folder && !m_folder->IsText() ? m_folder : none;
}

bool CRecordPath::ShareBelow(std::string_view root, CSharedFolder::Ref& recent)
{
    // Room for the names of a folder's next copies: doubled each time the
    // same folder runs out, so a large folder takes few allocations and a
    // small one wastes little.
    constexpr std::size_t kFirstRoom = 512;
    constexpr std::size_t kLargestRoom = 1 << 20;
    const std::string_view path = Tail();
    if (Shared() || root.empty() || root.back() != '/' || path.size() <= root.size()
        || path.compare(0, root.size(), root) != 0)
        return false;
    const std::size_t nameStart = path.find_last_of('/') + 1;
    const std::string_view folder = path.substr(0, nameStart);
    const std::string_view name = path.substr(nameStart);
    CSharedFolder::NameSpan span;
    const bool sameFolder = recent && recent->Path() == folder && recent->Root().size() == root.size();
    if (!sameFolder || !recent->AddName(name, span)) {
        const std::size_t room = sameFolder ? std::min(2 * recent->NameRoom(), kLargestRoom) : kFirstRoom;
        recent = CSharedFolder::Make(folder, root.size(), std::max(room, name.size()));
        recent->AddName(name, span);
    }
    // path lies in the text folder let go of here.
    Assign(recent, span);
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
    out.append(FolderBelowRoot()).append(Tail());
}

int CRecordPath::compare(std::string_view other) const
{
    const std::string_view folder = FolderBelowRoot();
    if (folder.empty())
        return Tail().compare(other);
    const std::size_t n = std::min(folder.size(), other.size());
    if (const int c = folder.compare(0, n, other.substr(0, n)))
        return c;
    if (other.size() < folder.size())
        return 1;
    return Tail().compare(other.substr(folder.size()));
}

int CRecordPath::compare(const CRecordPath& other) const
{
    if (m_folder.get() == other.m_folder.get() || BothText(m_name, other.m_name))
        return Tail().compare(other.Tail());
    return CompareJoined(FolderBelowRoot(), Tail(), other.FolderBelowRoot(), other.Tail());
}

int CRecordPath::CompareWhole(const CRecordPath& other) const
{
    if (m_folder.get() == other.m_folder.get() || BothText(m_name, other.m_name))
        return Tail().compare(other.Tail());
    return CompareJoined(WholeFolder(), Tail(), other.WholeFolder(), other.Tail());
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
