#include "scan/FileRecordArray.h"

#include "scan/FolderScanner.h"

#include <algorithm>

namespace {

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
        return a.Path < b.Path;
    case CFileRecordArray::kByPathDescending:
        return a.Path > b.Path;
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

std::size_t CFileRecordArray::FindSorted(const std::string& path) const
{
    const auto found = std::lower_bound(
        begin(), end(), path, [](const CFileRecord& e, const std::string& key) { return e.Path < key; });
    return static_cast<std::size_t>(found - begin());
}

std::size_t CFileRecordArray::AddPath(const std::string& path, int orderCode)
{
    CFileRecord record;
    record.SetFromPath(path);
    return AddSorted(std::move(record), orderCode);
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
    // they equal: reverse, sort stably, then merge with the new block first.
    std::reverse(middle, end());
    std::stable_sort(middle, end(), before);
    const std::size_t addedCount = size() - firstNew;
    std::rotate(begin(), middle, end());
    std::inplace_merge(begin(), begin() + static_cast<std::ptrdiff_t>(addedCount), end(), before);
}

std::size_t CFileRecordArray::ScanFolder(const std::string& folder, const std::string& excludeFolders,
    const std::string& includeFiles, const std::string& excludeFiles, bool recursive, int orderCode, bool addFolders,
    const std::atomic<std::int32_t>* cancel, std::atomic<std::int32_t>* fileCount,
    std::atomic<std::int32_t>* folderCount, std::atomic<std::uint64_t>* byteCount, std::uint64_t clusterSize,
    std::atomic<std::uint64_t>* sizeOnDisk, std::vector<std::string>* unlistedFolders)
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

    const std::size_t firstNew = size();
    CFolderScanner scanner(*this, options);
    const std::size_t added = scanner.Scan(folder);
    SortAppended(firstNew, orderCode);
    return added;
}
