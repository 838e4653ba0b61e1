#include "core/FolderStatistics.h"

#include "core/Backup.h"
#include "platform/ThreadPriority.h"
#include "scan/PathFormat.h"

#include <algorithm>

// One pass: what it scans, its counters, and its thread.
struct CFolderStatistics::Pass {
    std::string Folder;
    std::string ExcludeFolders;
    std::string IncludeFiles;
    std::string ExcludeFiles;
    bool Recursive = true;
    std::uint64_t ClusterBytes = 0;
    Finished WhenFinished;

    std::atomic<std::int32_t> FileCount { 0 };
    std::atomic<std::int32_t> FolderCount { 0 };
    std::atomic<std::uint64_t> TotalSize { 0 };
    std::atomic<std::uint64_t> SizeOnDisk { 0 };
    std::atomic<std::int32_t> CancelScan { 0 };
    std::atomic<std::int32_t> ScanComplete { 0 };
    // Both under the object's mutex: the figures are final, and then, after
    // the finished call, the thread has nothing left to do.
    bool Done = false;
    bool Ended = false;
    std::thread Thread;

    FolderFigures Figures() const
    {
        return { FileCount.load(), FolderCount.load(), TotalSize.load(), SizeOnDisk.load(), Done ? 0 : 1,
            ScanComplete.load() };
    }
};

CFolderStatistics::CFolderStatistics() = default;

CFolderStatistics::~CFolderStatistics()
{
    Cancel();
    std::lock_guard lock(m_mutex);
    JoinEnded(true);
}

void CFolderStatistics::StartFolderScan(
    const CBackup& entry, std::uint64_t clusterBytes, std::time_t now, Finished finished)
{
    auto pass = std::make_unique<Pass>();
    pass->Folder = ExpandPathTags(entry.SourceFolder, now);
    if (pass->Folder.empty() || pass->Folder.back() != '/')
        pass->Folder += '/';
    pass->ExcludeFolders = entry.ExcludeFolders;
    pass->IncludeFiles = entry.IncludeFiles;
    pass->ExcludeFiles = entry.ExcludeFiles;
    pass->Recursive = entry.Recursive != 0;
    pass->ClusterBytes = clusterBytes;
    pass->WhenFinished = std::move(finished);

    std::lock_guard lock(m_mutex);
    JoinEnded(false);
    if (m_current) {
        m_current->CancelScan = 1;
        m_replaced.push_back(std::move(m_current));
    }
    m_current = std::move(pass);
    Pass& started = *m_current;
    started.Thread = std::thread([this, &started] {
        CThreadPriority::LowerCurrentThread();
        RunPass(started);
    });
}

void CFolderStatistics::RequestCancel()
{
    std::lock_guard lock(m_mutex);
    if (m_current)
        m_current->CancelScan = 1;
}

void CFolderStatistics::Cancel()
{
    RequestCancel();
    Wait();
}

void CFolderStatistics::Wait()
{
    std::unique_lock lock(m_mutex);
    m_ended.wait(lock, [this] {
        const auto ended = [](const std::unique_ptr<Pass>& pass) { return pass->Ended; };
        return (!m_current || m_current->Ended) && std::all_of(m_replaced.begin(), m_replaced.end(), ended);
    });
}

FolderFigures CFolderStatistics::Figures() const
{
    std::lock_guard lock(m_mutex);
    return m_current ? m_current->Figures() : FolderFigures {};
}

std::shared_ptr<const CFileRecordArray> CFolderStatistics::SourceList() const
{
    std::lock_guard lock(m_mutex);
    return m_list;
}

void CFolderStatistics::SetPassStartHook(std::function<void()> hook)
{
    std::lock_guard lock(m_mutex);
    m_passStartHook = std::move(hook);
}

void CFolderStatistics::RunPass(Pass& pass)
{
    std::function<void()> hook;
    {
        std::lock_guard lock(m_mutex);
        hook = m_passStartHook;
    }
    if (hook)
        hook();
    auto fresh = std::make_shared<CFileRecordArray>();
    fresh->ScanFolder(pass.Folder, pass.ExcludeFolders, pass.IncludeFiles, pass.ExcludeFiles, pass.Recursive,
        CFileRecordArray::kByPath, pass.Recursive, &pass.CancelScan, &pass.FileCount, &pass.FolderCount,
        &pass.TotalSize, pass.ClusterBytes, &pass.SizeOnDisk);
    EndPass(pass, std::move(fresh));
}

// A cancelled pass leaves zeros and the records of the pass before it.
void CFolderStatistics::EndPass(Pass& pass, std::shared_ptr<const CFileRecordArray> list)
{
    Finished finished;
    FolderFigures figures;
    {
        std::lock_guard lock(m_mutex);
        if (pass.CancelScan) {
            pass.FileCount = 0;
            pass.FolderCount = 0;
            pass.TotalSize = 0;
            pass.SizeOnDisk = 0;
        } else {
            m_list = std::move(list);
            pass.ScanComplete = 1;
        }
        pass.Done = true;
        figures = pass.Figures();
        if (&pass == m_current.get())
            finished = pass.WhenFinished;
    }
    if (finished)
        finished(figures);
    {
        std::lock_guard lock(m_mutex);
        pass.Ended = true;
    }
    m_ended.notify_all();
}

// Under m_mutex. An ended pass's thread has nothing left but to return.
void CFolderStatistics::JoinEnded(bool all)
{
    const auto join = [](std::unique_ptr<Pass>& pass) {
        if (pass->Thread.joinable())
            pass->Thread.join();
    };
    for (auto it = m_replaced.begin(); it != m_replaced.end();) {
        if (!(*it)->Ended) {
            ++it;
            continue;
        }
        join(*it);
        it = m_replaced.erase(it);
    }
    if (all && m_current && m_current->Ended)
        join(m_current);
}
