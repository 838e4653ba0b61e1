#include "scan/FolderLister.h"

CFolderLister::CFolderLister(const std::string& root, const Masks& masks, DirRef base, const std::string& basePath,
    const std::vector<std::string>& skipFolders, std::vector<std::string>* unlisted)
    : m_root(root.empty() || root.back() != '/' ? root + '/' : root)
    , m_base(std::move(base))
    , m_unlisted(unlisted)
{
    m_options.ExcludeFolders = masks.ExcludeFolders;
    m_options.IncludeFiles = masks.IncludeFiles;
    m_options.ExcludeFiles = masks.ExcludeFiles;
    m_options.Recursive = masks.AddFolders;
    m_options.AddFolders = masks.AddFolders;
    m_options.SkipFolders = CFileRecordArray::SkipFoldersAsScanned(m_root, &skipFolders);
    m_options.Base = m_base.get();
    m_options.BasePath = basePath;
}

CFolderLister::~CFolderLister() = default;

std::unique_ptr<CFolderLister::Reader> CFolderLister::TakeReader()
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_idle.empty()) {
            std::unique_ptr<Reader> reader = std::move(m_idle.back());
            m_idle.pop_back();
            return reader;
        }
    }
    auto reader = std::make_unique<Reader>();
    reader->options = m_options;
    reader->options.UnlistedFolders = &reader->unlisted;
    reader->scanner = std::make_unique<CFolderScanner>(reader->found, reader->options);
    return reader;
}

void CFolderLister::Read(const std::string& below, Listing& listing)
{
    std::unique_ptr<Reader> reader = TakeReader();
    listing.complete = reader->scanner->ScanBelow(m_root, below);
    listing.records.clear();
    listing.records.swap(static_cast<std::vector<CFileRecord>&>(reader->found));
    listing.unlisted.swap(reader->unlisted);
    reader->unlisted.clear();
    // The room of a large folder is not kept for every small one after it.
    if (reader->found.capacity() > 4096)
        std::vector<CFileRecord>().swap(reader->found);
    reader->found.clear();
    listing.records.SortAppended(0, CFileRecordArray::kByPath);
    const std::lock_guard lock(m_mutex);
    m_idle.push_back(std::move(reader));
}

bool CFolderLister::Accept(Listing& listing, CFileRecordArray& out)
{
    out.clear();
    out.swap(listing.records);
    if (m_unlisted)
        m_unlisted->insert(m_unlisted->end(), listing.unlisted.begin(), listing.unlisted.end());
    listing.unlisted.clear();
    return listing.complete;
}

bool CFolderLister::List(const std::string& below, CFileRecordArray& out)
{
    Listing listing;
    Read(below, listing);
    return Accept(listing, out);
}
