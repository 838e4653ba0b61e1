#include "engine/BackgroundRemoval.h"

#include "engine/FileOperations.h"
#include "platform/Together.h"

#include <utility>

CBackgroundRemoval::CBackgroundRemoval(CFileOperations& ops, const CFileRecordArray& files,
    const CFileRecordArray& folders, const std::atomic<std::int32_t>& cancel)
    : m_ops(ops)
    , m_files(files)
    , m_folders(folders)
    , m_cancel(cancel)
{
    m_results.files.assign(m_files.size(), kNotTried);
    m_results.folders.assign(m_folders.size(), kNotTried);
    m_thread = std::thread(&CBackgroundRemoval::Run, this);
}

CBackgroundRemoval::~CBackgroundRemoval()
{
    if (m_thread.joinable())
        m_thread.join();
}

CBackgroundRemoval::Results CBackgroundRemoval::Finish()
{
    if (m_thread.joinable())
        m_thread.join();
    return std::move(m_results);
}

// One after another, each unlink waits for its blocks to be freed (on a file
// system mounted with discard, for the disk): files go together. Folders
// follow in list order, each with what is left in it.
void CBackgroundRemoval::Run()
{
    ForEachTogether(m_files.size(), kThreads, [this](std::size_t i) {
        if (m_cancel.load() == 0)
            m_results.files[i] = RemoveOne(m_files[i]);
    });
    for (std::size_t i = 0; i < m_folders.size() && m_cancel.load() == 0; ++i)
        m_results.folders[i] = RemoveOne(m_folders[i]);
}

int CBackgroundRemoval::RemoveOne(const CFileRecord& record) const
{
    const std::string path = record.FullPath();
    return m_ops.PathExists(path) ? m_ops.RemoveTree(path) : 0; // 0: went with its folder
}
