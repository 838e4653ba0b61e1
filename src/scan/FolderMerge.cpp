#include "scan/FolderMerge.h"

#include <algorithm>
#include <iterator>

CFolderMerge::CFolderMerge(CFolderLister& from, CFolderLister* to, bool enterToOnly, unsigned readers)
    : m_from(from)
    , m_to(to)
    , m_enterToOnly(enterToOnly)
    , m_readers(readers)
{
}

bool CFolderMerge::Walk(const Stretch& stretch, const Left& left, const std::atomic<std::int32_t>* cancel)
{
    m_stretch = &stretch;
    m_left = &left;
    m_cancel = cancel;
    if (m_readers > 0) {
        const bool enterToOnly = m_enterToOnly;
        auto subfolders = [enterToOnly](const CFileRecordArray& from, const CFileRecordArray& to) {
            std::vector<CFolderPrefetch::Wanted> wanted;
            for (Descent& descent : DescentsOf(from, to, enterToOnly))
                wanted.push_back({ std::move(descent.key), descent.from, descent.to });
            return wanted;
        };
        m_prefetch = std::make_unique<CFolderPrefetch>(m_from, m_to, subfolders, m_readers, kReadAhead, cancel);
        m_prefetch->Want({ std::string(), true, m_to != nullptr });
    }
    const bool walked = WalkFolder(std::string(), true, m_to != nullptr);
    m_prefetch.reset();
    return walked;
}

// Both sides of one folder, read ahead or now.
bool CFolderMerge::ListFolder(
    const std::string& below, bool listFrom, bool listTo, CFileRecordArray& from, CFileRecordArray& to)
{
    if (!m_prefetch) {
        if (listFrom)
            m_from.List(below, from);
        if (listTo && m_to)
            m_to->List(below, to);
        return true;
    }
    CFolderLister::Listing fromListing;
    CFolderLister::Listing toListing;
    if (!m_prefetch->Take(below, fromListing, toListing))
        return false;
    m_from.Accept(fromListing, from);
    if (m_to)
        m_to->Accept(toListing, to);
    return true;
}

bool CFolderMerge::Cancelled() const
{
    return m_cancel && m_cancel->load(std::memory_order_relaxed) != 0;
}

// A link is never entered: only real folders are.
std::vector<CFolderMerge::Descent> CFolderMerge::DescentsOf(
    const CFileRecordArray& from, const CFileRecordArray& to, bool enterToOnly)
{
    std::vector<Descent> descents;
    for (const CFileRecord& record : from) {
        if (record.IsFolder())
            descents.push_back({ record.Path.str() + '/', true, false });
    }
    const std::size_t fromCount = descents.size();
    for (const CFileRecord& record : to) {
        if (!record.IsFolder())
            continue;
        std::string key = record.Path.str() + '/';
        const auto found = std::lower_bound(descents.begin(), descents.begin() + static_cast<std::ptrdiff_t>(fromCount),
            key, [](const Descent& d, const std::string& k) { return d.key < k; });
        if (found != descents.begin() + static_cast<std::ptrdiff_t>(fromCount) && found->key == key)
            found->to = true;
        else if (enterToOnly)
            descents.push_back({ std::move(key), false, true });
    }
    if (descents.size() > fromCount) {
        std::inplace_merge(descents.begin(), descents.begin() + static_cast<std::ptrdiff_t>(fromCount), descents.end(),
            [](const Descent& a, const Descent& b) { return a.key < b.key; });
    }
    return descents;
}

// Moves the records from at on whose paths sort before key into out.
void CFolderMerge::TakeBefore(CFileRecordArray& list, std::size_t& at, const std::string& key, CFileRecordArray& out)
{
    out.clear();
    const std::size_t start = at;
    while (at < list.size() && list[at].Path.compare(key) < 0)
        ++at;
    out.insert(out.end(), std::make_move_iterator(list.begin() + static_cast<std::ptrdiff_t>(start)),
        std::make_move_iterator(list.begin() + static_cast<std::ptrdiff_t>(at)));
}

void CFolderMerge::TakeRest(CFileRecordArray& list, std::size_t at, CFileRecordArray& out)
{
    out.assign(
        std::make_move_iterator(list.begin() + static_cast<std::ptrdiff_t>(at)), std::make_move_iterator(list.end()));
}

bool CFolderMerge::WalkFolder(const std::string& below, bool listFrom, bool listTo)
{
    if (Cancelled())
        return false;
    CFileRecordArray from;
    CFileRecordArray to;
    if (!ListFolder(below, listFrom, listTo, from, to))
        return false;
    const std::vector<Descent> descents = DescentsOf(from, to, m_enterToOnly);
    if (descents.empty()) {
        if ((!from.empty() || !to.empty()) && !(*m_stretch)(from, to))
            return false;
    } else {
        std::size_t fromAt = 0;
        std::size_t toAt = 0;
        CFileRecordArray fromPart;
        CFileRecordArray toPart;
        for (const Descent& descent : descents) {
            TakeBefore(from, fromAt, descent.key, fromPart);
            TakeBefore(to, toAt, descent.key, toPart);
            if ((!fromPart.empty() || !toPart.empty()) && !(*m_stretch)(fromPart, toPart))
                return false;
            if (!WalkFolder(descent.key, descent.from, descent.to))
                return false;
        }
        // Past the last folder entered: the rest of both listings.
        TakeRest(from, fromAt, fromPart);
        TakeRest(to, toAt, toPart);
        if ((!fromPart.empty() || !toPart.empty()) && !(*m_stretch)(fromPart, toPart))
            return false;
    }
    return !*m_left || (*m_left)(below);
}
