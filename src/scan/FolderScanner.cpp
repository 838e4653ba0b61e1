#include "scan/FolderScanner.h"

#include "platform/DirectoryReader.h"
#include "platform/FileCopier.h"
#include "platform/TextCase.h"
#include "scan/Wildcard.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

// Everything but a folder is an item a backup keeps: FIFOs and device
// nodes are made again where the system lets them be, and what cannot be
// made (a socket) is named, not passed over unseen.
bool IsFileKind(FileKind kind)
{
    return kind == FileKind::Regular || kind == FileKind::Link || kind == FileKind::Other;
}

std::uint64_t RoundUp(std::uint64_t size, std::uint64_t cluster)
{
    const std::uint64_t rest = size % cluster;
    return rest ? size + (cluster - rest) : size;
}

} // namespace

CFolderScanner::CFolderScanner(std::vector<CFileRecord>& records, const Options& options)
    : m_records(records)
    , m_options(options)
    , m_excludeFolders(options.ExcludeFolders)
    , m_excludeFiles(options.ExcludeFiles)
    , m_include(IncludeItems(options.IncludeFiles))
{
}

std::vector<std::string> CFolderScanner::IncludeItems(const std::string& includeFiles)
{
    // Stored lists read "*.doc; *.txt": the reader skips the space after
    // each ';' unseen, which is why "*.doc;*.txt" looks for ".txt".
    std::vector<std::string> items;
    std::size_t position = 0;
    while (position < includeFiles.size()) {
        const std::size_t semicolon = includeFiles.find(';', position);
        const std::size_t end = semicolon == std::string::npos ? includeFiles.size() : semicolon;
        std::string item = Trim(std::string_view(includeFiles).substr(position, end - position));
        if (!item.empty())
            items.push_back(CTextCase::Lower(item));
        if (semicolon == std::string::npos)
            break;
        position = semicolon + 2;
    }
    return items;
}

std::size_t CFolderScanner::Scan(std::string folder)
{
    const std::size_t added = ScanTop(folder);
    MoveBlocksOut();
    return added;
}

std::size_t CFolderScanner::ScanTop(std::string& folder)
{
    // An empty folder would be the current folder on Linux, never what a
    // folder entry meant.
    if (folder.empty()) {
        MarkUnlisted(folder);
        return 0;
    }
    if (folder.back() != '/')
        folder += '/';
    m_rootLength = folder.size();
    if (LiesInSkipped(folder)) {
        MarkUnlisted(folder);
        return 0;
    }
    if (!OpenBase(folder)) {
        MarkUnlisted(folder);
        return 0;
    }
    return ScanOne(folder);
}

bool CFolderScanner::OpenBase(const std::string& folder)
{
    if (m_base)
        return true;
    m_base = m_options.Base;
    m_baseLength = m_options.BasePath.size();
    if (m_base && folder.compare(0, m_baseLength, m_options.BasePath) == 0)
        return true;
    // Links in the folder the user named are followed once, here; nothing
    // below it is.
    m_base = nullptr;
    if (CDirHandle::OpenNamed(folder, m_namedTop) != 0)
        return false;
    m_base = &m_namedTop;
    m_baseLength = folder.size();
    return true;
}

bool CFolderScanner::ScanBelow(const std::string& root, const std::string& below)
{
    const std::size_t unlisted = m_options.UnlistedFolders ? m_options.UnlistedFolders->size() : 0;
    std::string folder = root + below;
    m_rootLength = root.size();
    bool listed = !root.empty() && !LiesInSkipped(folder) && OpenBase(root);
    if (listed) {
        m_oneFolder = true;
        ScanOne(folder);
        m_oneFolder = false;
        listed = !m_options.UnlistedFolders || m_options.UnlistedFolders->size() == unlisted;
    } else {
        MarkUnlisted(folder);
    }
    MoveBlocksOut();
    return listed;
}

bool CFolderScanner::LiesInSkipped(const std::string& folder) const
{
    return std::any_of(m_options.SkipFolders.begin(), m_options.SkipFolders.end(),
        [&](const std::string& skip) { return folder.compare(0, skip.size(), skip) == 0; });
}

bool CFolderScanner::IsSkipped(const std::string& folder, const std::string& name) const
{
    if (m_options.SkipFolders.empty())
        return false;
    m_path.assign(folder).append(name).append(1, '/');
    return std::binary_search(m_options.SkipFolders.begin(), m_options.SkipFolders.end(), m_path);
}

std::size_t CFolderScanner::ScanOne(const std::string& folder)
{
    std::vector<Entry> entries;
    if (!List(folder, entries))
        return 0;
    const CSharedFolder::Ref shared = ShareNames(folder, entries);
    std::size_t added = AddFolders(folder, shared, entries);
    if (Cancelled())
        return added;
    added += AddFiles(shared, entries);
    return added;
}

// The folder is made whole, with the names of every record it will have,
// before the first record refers to it: a record may be read on another
// thread as soon as the list is handed over, and nothing is added after.
CSharedFolder::Ref CFolderScanner::ShareNames(const std::string& folder, std::vector<Entry>& entries) const
{
    std::size_t room = 0;
    bool any = false;
    for (Entry& entry : entries) {
        const bool isFolder = entry.Data.Kind == FileKind::Directory;
        entry.Entered = isFolder && IsWantedFolder(entry) && !IsSkipped(folder, entry.Data.Name);
        // A looked-up entry is one the masks want (see List).
        entry.Recorded = entry.Looked && (isFolder ? entry.Entered : IsFileKind(entry.Data.Kind));
        if (entry.Recorded) {
            room += entry.Data.Name.size();
            any = true;
        }
    }
    if (!any || m_options.CountOnly)
        return {};
    CSharedFolder::Ref shared = CSharedFolder::Make(folder, m_rootLength, room);
    for (Entry& entry : entries) {
        if (entry.Recorded)
            shared->AddName(entry.Data.Name, entry.Name);
    }
    return shared;
}

bool CFolderScanner::List(const std::string& folder, std::vector<Entry>& entries)
{
    CDirectoryReader reader;
    CDirHandle handle;
    const std::string_view below = std::string_view(folder).substr(std::min(m_baseLength, folder.size()));
    if (m_base->OpenFolder(below, handle, true) != 0 || !reader.Take(std::move(handle))) {
        MarkUnlisted(folder);
        return false;
    }
    Entry entry;
    while (reader.Next(entry.Data.Name, entry.Data.Kind)) {
        // A copy's temporary file is never the user's: one a killed run left
        // behind goes now, whatever the scan is for; one being written stays.
        if (entry.Data.Kind != FileKind::Directory && CFileCopier::IsTemporaryName(entry.Data.Name)) {
            reader.RemoveStaleTemporary(entry.Data.Name);
            continue;
        }
        entry.LowerName = CTextCase::Lower(entry.Data.Name);
        entries.push_back(entry);
    }
    bool complete = reader.Error() == 0;
    for (Entry& e : entries) {
        if (!WantsLookup(e))
            continue;
        const int error = reader.Stat(e.Data.Name, e.Data);
        e.Looked = error == 0;
        if (error) {
            // An entry that vanished since the listing is simply gone.
            e.Data.Kind = FileKind::Other;
            complete = complete && error == ENOENT;
        } else if (!WantsLookup(e)) {
            e.Looked = false; // type now known and not needed
        }
    }
    if (!complete)
        MarkUnlisted(folder);
    return true;
}

bool CFolderScanner::WantsLookup(const Entry& entry) const
{
    if (entry.Data.Kind == FileKind::Unknown)
        return true;
    if (entry.Data.Kind == FileKind::Directory)
        return m_options.AddFolders && IsWantedFolder(entry);
    return IsWantedFile(entry);
}

bool CFolderScanner::IsWantedFolder(const Entry& entry) const
{
    return !m_excludeFolders.MatchesLower(entry.LowerName);
}

bool CFolderScanner::IsWantedFile(const Entry& entry) const
{
    if (!IsFileKind(entry.Data.Kind) || m_excludeFiles.MatchesLower(entry.LowerName))
        return false;
    for (const std::string& item : m_include) {
        if (MatchListingWildcard(item, entry.LowerName))
            return true;
    }
    return false;
}

std::size_t CFolderScanner::AddFolders(
    const std::string& folder, const CSharedFolder::Ref& shared, const std::vector<Entry>& entries)
{
    std::size_t added = 0;
    for (const Entry& entry : entries) {
        if (entry.Entered) {
            if (entry.Recorded) {
                AddFolderRecord(shared, entry);
                ++added;
            }
            if (m_options.Recursive && !m_oneFolder)
                added += ScanOne(folder + entry.Data.Name + '/');
        }
        if (Cancelled())
            break;
    }
    return added;
}

std::size_t CFolderScanner::AddFiles(const CSharedFolder::Ref& shared, const std::vector<Entry>& entries)
{
    std::size_t added = 0;
    for (const std::string& item : m_include) {
        for (const Entry& entry : entries) {
            if (entry.Recorded && IsFileKind(entry.Data.Kind) && MatchListingWildcard(item, entry.LowerName)) {
                AddFileRecord(shared, entry);
                ++added;
            }
            if (Cancelled())
                return added;
        }
    }
    return added;
}

CFileRecord& CFolderScanner::NewRecord()
{
    // Past the allocator's mapping threshold, so that a released block goes
    // back to the system at once rather than into the heap's free lists.
    constexpr std::size_t kBlockRecords = 2048;
    // One folder's records go straight into a list that is used again for
    // the next folder: a block per folder would be mapped and unmapped each
    // time.
    if (m_oneFolder)
        return m_records.emplace_back();
    if (m_blocks.empty() || m_blocks.back().size() == kBlockRecords) {
        m_blocks.emplace_back();
        m_blocks.back().reserve(kBlockRecords);
    }
    return m_blocks.back().emplace_back();
}

void CFolderScanner::MoveBlocksOut()
{
    std::size_t count = 0;
    for (const auto& block : m_blocks)
        count += block.size();
    m_records.reserve(m_records.size() + count);
    for (auto& block : m_blocks) {
        std::move(block.begin(), block.end(), std::back_inserter(m_records));
        std::vector<CFileRecord>().swap(block);
    }
    m_blocks.clear();
}

void CFolderScanner::AddFolderRecord(const CSharedFolder::Ref& folder, const Entry& entry)
{
    if (!m_options.CountOnly)
        NewRecord().SetFromFindData(entry.Data, folder, entry.Name);
    if (m_options.FolderCount)
        m_options.FolderCount->fetch_add(1, std::memory_order_relaxed);
}

void CFolderScanner::AddFileRecord(const CSharedFolder::Ref& folder, const Entry& entry)
{
    if (!m_options.CountOnly)
        NewRecord().SetFromFindData(entry.Data, folder, entry.Name);
    const std::uint64_t size = entry.Data.Size;
    if (m_options.FileCount)
        m_options.FileCount->fetch_add(1, std::memory_order_relaxed);
    if (m_options.ByteCount)
        m_options.ByteCount->fetch_add(size, std::memory_order_relaxed);
    if (m_options.SizeOnDisk && m_options.ClusterSize > 0)
        m_options.SizeOnDisk->fetch_add(RoundUp(size, m_options.ClusterSize), std::memory_order_relaxed);
}

void CFolderScanner::MarkUnlisted(const std::string& folder)
{
    if (m_options.UnlistedFolders)
        m_options.UnlistedFolders->push_back(folder);
}

bool CFolderScanner::Cancelled() const
{
    return m_options.Cancel && m_options.Cancel->load(std::memory_order_relaxed) != 0;
}
