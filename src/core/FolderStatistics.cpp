#include "core/FolderStatistics.h"

#include "core/Backup.h"
#include "platform/ThreadPriority.h"
#include "scan/PathFormat.h"

CFolderStatistics::~CFolderStatistics()
{
    Cancel();
}

void CFolderStatistics::StartFolderScan(CBackup& entry, std::uint64_t clusterBytes, std::time_t now)
{
    // Starting again while a pass runs would overwrite a running thread.
    Cancel();
    entry.ScanRunning = 1;
    entry.ScanComplete = 0;
    entry.CancelScan = 0;
    entry.FileCount = 0;
    entry.FolderCount = 0;
    entry.TotalSize = 0;
    entry.SizeOnDisk = 0;
    m_entry = &entry;
    m_thread = std::thread([&entry, clusterBytes, now] {
        CThreadPriority::LowerCurrentThread();
        ScanNow(entry, clusterBytes, now);
    });
}

void CFolderStatistics::Cancel()
{
    if (m_entry && m_thread.joinable())
        m_entry->CancelScan = 1;
    Wait();
}

void CFolderStatistics::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CFolderStatistics::ScanNow(CBackup& entry, std::uint64_t clusterBytes, std::time_t now)
{
    std::string folder = ExpandPathTags(entry.SourceFolder, now);
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    const bool recursive = entry.Recursive != 0;
    CFileRecordArray fresh;
    fresh.ScanFolder(folder, entry.ExcludeFolders, entry.IncludeFiles, entry.ExcludeFiles, recursive,
        CFileRecordArray::kByPath, recursive, &entry.CancelScan, &entry.FileCount, &entry.FolderCount, &entry.TotalSize,
        clusterBytes, &entry.SizeOnDisk);
    if (entry.CancelScan) {
        entry.FileCount = 0;
        entry.FolderCount = 0;
        entry.TotalSize = 0;
        entry.SizeOnDisk = 0;
    } else {
        entry.SourceList = std::move(fresh);
        entry.ScanComplete = 1;
    }
    entry.ScanRunning = 0;
}
