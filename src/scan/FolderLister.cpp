#include "scan/FolderLister.h"

CFolderLister::CFolderLister(const std::string& root, const Masks& masks, DirRef base, const std::string& basePath,
    const std::vector<std::string>& skipFolders, std::vector<std::string>* unlisted)
    : m_root(root.empty() || root.back() != '/' ? root + '/' : root)
    , m_base(std::move(base))
{
    m_options.ExcludeFolders = masks.ExcludeFolders;
    m_options.IncludeFiles = masks.IncludeFiles;
    m_options.ExcludeFiles = masks.ExcludeFiles;
    m_options.Recursive = masks.AddFolders;
    m_options.AddFolders = masks.AddFolders;
    m_options.UnlistedFolders = unlisted;
    m_options.SkipFolders = CFileRecordArray::SkipFoldersAsScanned(m_root, &skipFolders);
    m_options.Base = m_base.get();
    m_options.BasePath = basePath;
    // Made once: it keeps the masks compiled and the named root open.
    m_scanner = std::make_unique<CFolderScanner>(m_found, m_options);
}

CFolderLister::~CFolderLister() = default;

bool CFolderLister::List(const std::string& below, CFileRecordArray& out)
{
    const bool listed = m_scanner->ScanBelow(m_root, below);
    out.clear();
    out.swap(static_cast<std::vector<CFileRecord>&>(m_found));
    // The room of a large folder is not kept for every small one after it.
    if (m_found.capacity() > 4096)
        std::vector<CFileRecord>().swap(m_found);
    m_found.clear();
    out.SortAppended(0, CFileRecordArray::kByPath);
    return listed;
}
