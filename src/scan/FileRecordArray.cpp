#include "scan/FileRecordArray.h"

#include "platform/FileOps.h"
#include "platform/MountTable.h"
#include "scan/FolderScanner.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace {

// Records below different roots compare by their whole paths. Records of
// one scan share their root, so the whole paths order them as their
// relative paths do, and one pass over both beats testing the roots first.
int ComparePaths(const CFileRecord& a, const CFileRecord& b)
{
    return a.Path.CompareWhole(b.Path);
}

// Strict "comes before" of each order; AddSorted inserts before the first
// record that does not come before the new one.
bool ComesBefore(const CFileRecord& a, const CFileRecord& b, int orderCode)
{
    switch (orderCode) {
    case CFileRecordArray::kBySizeAscending:
        return a.Size < b.Size;
    case CFileRecordArray::kBySizeDescending:
        return a.Size > b.Size;
    case CFileRecordArray::kByPath:
        return ComparePaths(a, b) < 0;
    case CFileRecordArray::kByPathDescending:
        return ComparePaths(a, b) > 0;
    default:
        return false;
    }
}

bool IsSortedOrder(int orderCode)
{
    return orderCode >= CFileRecordArray::kBySizeAscending && orderCode <= CFileRecordArray::kByPathDescending;
}

} // namespace

std::size_t CFileRecordArray::InsertPosition(const CFileRecord& record, int orderCode) const
{
    if (!IsSortedOrder(orderCode))
        return size();
    const auto before
        = [orderCode](const CFileRecord& a, const CFileRecord& b) { return ComesBefore(a, b, orderCode); };
    if (orderCode == kByPath)
        return static_cast<std::size_t>(std::lower_bound(begin(), end(), record, before) - begin());
    // The other orders look for the first record from the front, which also
    // serves a list that is not in their order.
    const auto found = std::find_if(begin(), end(), [&](const CFileRecord& e) { return !before(e, record); });
    return static_cast<std::size_t>(found - begin());
}

std::size_t CFileRecordArray::AddSorted(const CFileRecord& record, int orderCode)
{
    return AddSorted(CFileRecord(record), orderCode);
}

std::size_t CFileRecordArray::AddSorted(CFileRecord&& record, int orderCode)
{
    const std::size_t index = InsertPosition(record, orderCode);
    insert(begin() + static_cast<std::ptrdiff_t>(index), std::move(record));
    return index;
}

std::size_t CFileRecordArray::FindSorted(std::string_view path) const
{
    const auto found = std::lower_bound(
        begin(), end(), path, [](const CFileRecord& e, std::string_view key) { return e.Path < key; });
    return static_cast<std::size_t>(found - begin());
}

std::size_t CFileRecordArray::AddPath(const std::string& path, int orderCode)
{
    CFileRecord record;
    record.SetFromPath(path);
    return AddSorted(std::move(record), orderCode);
}

namespace {

// Rearranges records so that position i holds what was at order[i], moving
// each record once along the permutation's cycles.
void Permute(std::vector<CFileRecord>::iterator records, std::vector<std::uint32_t>& order)
{
    for (std::uint32_t start = 0; start < order.size(); ++start) {
        if (order[start] == start)
            continue;
        CFileRecord held = std::move(records[start]);
        std::uint32_t at = start;
        for (;;) {
            const std::uint32_t from = order[at];
            order[at] = at;
            if (from == start) {
                records[at] = std::move(held);
                break;
            }
            records[at] = std::move(records[from]);
            at = from;
        }
    }
}

std::string WithSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

} // namespace

// The scan builds paths from the folder text, which may reach the same place
// as the resolved mount points through links or "..". Only folders at or
// below the scanned folder (or holding it) matter.
std::vector<std::string> CFileRecordArray::SkipFoldersAsScanned(
    const std::string& folder, const std::vector<std::string>* extra)
{
    std::vector<std::string> paths = CMountTable::PseudoMountPoints();
    if (extra) {
        for (const std::string& path : *extra)
            paths.push_back(WithSlash(path));
    }
    const std::string text = WithSlash(folder);
    const std::string real = RealPathOf(folder);
    const std::string resolved = real.empty() ? text : WithSlash(real);
    std::vector<std::string> skip;
    for (const std::string& path : paths) {
        if (path.compare(0, resolved.size(), resolved) == 0)
            skip.push_back(text + path.substr(resolved.size()));
        else if (resolved.compare(0, path.size(), path) == 0)
            skip.push_back(text); // holds the folder itself: nothing is scanned
    }
    std::sort(skip.begin(), skip.end());
    return skip;
}

void CFileRecordArray::SortAppended(std::size_t firstNew, int orderCode)
{
    if (!IsSortedOrder(orderCode) || firstNew >= size())
        return;
    const auto before
        = [orderCode](const CFileRecord& a, const CFileRecord& b) { return ComesBefore(a, b, orderCode); };
    const auto middle = begin() + static_cast<std::ptrdiff_t>(firstNew);
    if (!std::is_sorted(begin(), middle, before)) {
        // Insertion into a list out of order has no shortcut: replay it.
        std::vector<CFileRecord> added(std::make_move_iterator(middle), std::make_move_iterator(end()));
        erase(middle, end());
        for (CFileRecord& record : added)
            AddSorted(std::move(record), orderCode);
        return;
    }
    // Equal keys end up newest first, and new records before the old ones
    // they equal. The new block is ordered through an index list rather than
    // a stable sort, whose buffer would hold a second copy of every record.
    const std::size_t addedCount = size() - firstNew;
    std::vector<std::uint32_t> order(addedCount);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const CFileRecord& first = middle[a];
        const CFileRecord& second = middle[b];
        if (before(first, second))
            return true;
        return !before(second, first) && a > b;
    });
    Permute(middle, order);
    std::rotate(begin(), middle, end());
    std::inplace_merge(begin(), begin() + static_cast<std::ptrdiff_t>(addedCount), end(), before);
}

std::size_t CFileRecordArray::ScanFolder(const std::string& folder, const std::string& excludeFolders,
    const std::string& includeFiles, const std::string& excludeFiles, bool recursive, int orderCode, bool addFolders,
    const std::atomic<std::int32_t>* cancel, std::atomic<std::int32_t>* fileCount,
    std::atomic<std::int32_t>* folderCount, std::atomic<std::uint64_t>* byteCount, std::uint64_t clusterSize,
    std::atomic<std::uint64_t>* sizeOnDisk, std::vector<std::string>* unlistedFolders,
    const std::vector<std::string>* skipFolders, const CDirHandle* base, const std::string& basePath)
{
    CFolderScanner::Options options;
    options.ExcludeFolders = excludeFolders;
    options.IncludeFiles = includeFiles;
    options.ExcludeFiles = excludeFiles;
    options.Recursive = recursive;
    options.AddFolders = addFolders;
    options.Cancel = cancel;
    options.FileCount = fileCount;
    options.FolderCount = folderCount;
    options.ByteCount = byteCount;
    options.ClusterSize = clusterSize;
    options.SizeOnDisk = sizeOnDisk;
    options.UnlistedFolders = unlistedFolders;
    options.SkipFolders = SkipFoldersAsScanned(folder, skipFolders);
    options.Base = base;
    options.BasePath = basePath;

    const std::size_t firstNew = size();
    CFolderScanner scanner(*this, options);
    const std::size_t added = scanner.Scan(folder);
    SortAppended(firstNew, orderCode);
    return added;
}
