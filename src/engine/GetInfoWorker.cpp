#include "engine/GetInfoWorker.h"

#include "engine/VersionPruner.h"
#include "platform/FileOps.h"
#include "platform/MediaRoot.h"
#include "platform/MountTable.h"
#include "platform/ThreadPriority.h"
#include "scan/FolderScanner.h"
#include "scan/PathFormat.h"

#include <cerrno>

namespace {

std::string WithoutTrailingSlashes(std::string folder)
{
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// inner as a folder never to scan when it lies strictly inside outer (both
// resolved, as they may reach each other through links); else nothing.
std::vector<std::string> InnerFolder(const std::string& inner, const std::string& outer)
{
    const std::string realInner = RealPathOf(inner);
    const std::string realOuter = RealPathOf(outer);
    if (realInner.empty() || realOuter.empty() || realInner == realOuter)
        return {};
    const std::string prefix = realOuter == "/" ? realOuter : realOuter + "/";
    if (realInner.compare(0, prefix.size(), prefix) != 0)
        return {};
    return { realInner };
}

// The folder the user named, its links followed once: the scan and the run
// after it reach everything below through this handle. Empty when the folder
// is not there.
DirRef OpenNamed(const std::string& folder)
{
    CDirHandle handle;
    if (CDirHandle::OpenNamed(folder.empty() ? std::string("/") : folder, handle) != 0)
        return nullptr;
    return std::make_shared<const CDirHandle>(std::move(handle));
}

} // namespace

CGetInfoWorker::CGetInfoWorker(const CSet& set, std::atomic<int>& cancel, const CClock& clock, const CMediaRoot* media)
    : Set(set)
    , Scans(set.Entries.size())
    , m_cancel(cancel)
    , m_clock(clock)
    , m_media(media)
{
    for (const CBackup& entry : Set.Entries)
        m_texts.push_back({ entry.SourceFolder, entry.DestinationFolder });
}

CGetInfoWorker::~CGetInfoWorker()
{
    DropPlan();
    Wait();
}

void CGetInfoWorker::SetCounting(bool counting)
{
    m_counting = counting;
}

void CGetInfoWorker::SetPlanner(Planner planner)
{
    m_planner = std::move(planner);
}

void CGetInfoWorker::Start()
{
    if (m_sourceThread.joinable() || m_destinationThread.joinable())
        return;
    m_now = m_clock.Now();
    PlanRunning = m_planner ? 1 : 0;
    m_sourceThread = std::thread(&CGetInfoWorker::RunSourceSide, this);
    m_destinationThread = std::thread(&CGetInfoWorker::RunDestinationSide, this);
    if (m_planner)
        m_planThread = std::thread(&CGetInfoWorker::RunPlan, this);
}

void CGetInfoWorker::WaitScans()
{
    if (m_sourceThread.joinable())
        m_sourceThread.join();
    if (m_destinationThread.joinable())
        m_destinationThread.join();
}

void CGetInfoWorker::Wait()
{
    WaitScans();
    if (m_planThread.joinable())
        m_planThread.join();
}

CRunPlan CGetInfoWorker::TakePlan()
{
    if (PlanRunning != 0)
        return {};
    return std::move(m_plan);
}

void CGetInfoWorker::SideDone()
{
    {
        std::lock_guard lock(m_sidesMutex);
        --m_sidesLeft;
    }
    m_sidesDone.notify_all();
}

// The plan's worker walks both sides itself, from copies of what the scans
// opened. A cancelled scan found too little to plan from.
void CGetInfoWorker::RunPlan()
{
    {
        std::unique_lock lock(m_sidesMutex);
        m_sidesDone.wait(lock, [this] { return m_sidesLeft == 0; });
    }
    if (!Cancelled() && m_planCancel == 0) {
        CThreadPriority::LowerCurrentThread();
        m_plan = m_planner(Set, Scans, m_planCancel);
    }
    PlanRunning = 0;
}

std::string CGetInfoWorker::BackupRoot(const CBackup& expandedEntry)
{
    // The root was stripped to "" like C:\ to C:, and still names a folder.
    const std::string& source = expandedEntry.SourceFolder.empty() ? std::string("/") : expandedEntry.SourceFolder;
    return expandedEntry.DestinationFolder + FolderDisplayName(source);
}

void CGetInfoWorker::RunSourceSide()
{
    CThreadPriority::LowerCurrentThread();
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        ScanSource(Set.Entries[i], Scans[i], m_texts[i]);
        if (Cancelled())
            break;
    }
    SideDone();
    SourceScanRunning = 0;
}

void CGetInfoWorker::RunDestinationSide()
{
    CThreadPriority::LowerCurrentThread();
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        ScanDestination(Set.Entries[i], Scans[i], m_texts[i]);
        if (Cancelled())
            break;
    }
    SideDone();
    DestinationScanRunning = 0;
}

void CGetInfoWorker::ScanSource(CBackup& entry, CEntryScan& scan, const FolderTexts& texts)
{
    const std::string expanded = Expand(texts.Source);
    scan.ClearSource();
    entry.SourceFolder = WithoutTrailingSlashes(expanded);
    // An empty folder text would scan the current folder; an entry without
    // a source has nothing to gather.
    if (expanded.empty() || Expand(texts.Destination).empty())
        return;
    const std::string folder = entry.SourceFolder + "/";
    // The empty mount point of a medium that is not there would read as a
    // source whose files were all deleted.
    if (!MediumMounted(entry.SourceFolder)) {
        scan.SourceError = ENOMEDIUM;
        return;
    }
    scan.SourceVolumeFlags = CMountTable::VolumeFlags(folder);
    scan.SourceTwoSecondTimes = CMountTable::HasTwoSecondTimes(folder) ? 1 : 0;
    scan.SourceHandle = OpenNamed(entry.SourceFolder);
    scan.SourceFound = scan.SourceHandle ? 1 : 0;
    scan.SourceError = scan.SourceFound ? 0 : ENOENT;
    const bool recursive = entry.Recursive != 0;
    // A backup folder inside its own source would be copied into each new
    // backup, which would then grow by the whole backup every run.
    CBackup sides;
    sides.SourceFolder = entry.SourceFolder;
    sides.DestinationFolder = WithoutTrailingSlashes(Expand(texts.Destination));
    std::vector<std::string> skip = InnerFolder(sides.DestinationFolder, folder);
    if (skip.empty())
        skip = InnerFolder(BackupRoot(sides), folder);
    // Nor are the kept versions of any backup folder of the set, when the
    // source holds one: they are the backup's own, never the user's files.
    for (const FolderTexts& other : m_texts) {
        const std::string backupFolder = WithoutTrailingSlashes(Expand(other.Destination));
        if (Expand(other.Destination).empty())
            continue;
        for (std::string& area : InnerFolder(backupFolder + "/" + CVersionPruner::kAreaName, folder))
            skip.push_back(std::move(area));
    }
    scan.SourceSkip = std::move(skip);
    // A folder that cannot be opened cannot be listed either: named where
    // the folders that could not be read are.
    if (!scan.SourceFound)
        scan.SourceUnlisted.push_back(folder);
    if (!m_counting || !scan.SourceFound)
        return;
    CFolderScanner::Options options;
    options.ExcludeFolders = entry.ExcludeFolders;
    options.IncludeFiles = entry.IncludeFiles;
    options.ExcludeFiles = entry.ExcludeFiles;
    options.Recursive = recursive;
    options.AddFolders = recursive;
    options.FileCount = &SourceFiles;
    options.FolderCount = &SourceFolders;
    options.ByteCount = &SourceBytes;
    Count(options, folder, scan.SourceSkip, scan.SourceHandle.get(), entry.SourceFolder);
}

// Counts a side for the window as the run will find it, keeping no record:
// the run walks both sides itself, one folder at a time.
void CGetInfoWorker::Count(CFolderScanner::Options& options, const std::string& folder,
    const std::vector<std::string>& skip, const CDirHandle* base, const std::string& basePath)
{
    options.Cancel = &m_cancel;
    options.CountOnly = true;
    options.SkipFolders = CFileRecordArray::SkipFoldersAsScanned(folder, &skip);
    options.Base = base;
    options.BasePath = basePath;
    std::vector<CFileRecord> none;
    CFolderScanner(none, options).Scan(folder);
}

void CGetInfoWorker::ScanDestination(CBackup& entry, CEntryScan& scan, const FolderTexts& texts)
{
    const std::string expanded = Expand(texts.Destination);
    scan.ClearDestination();
    entry.DestinationFolder = WithoutTrailingSlashes(expanded);
    // The source text is expanded here too, so this side never depends on
    // how far the other thread has come.
    const std::string source = Expand(texts.Source);
    const std::string displayName = FolderDisplayName(source);
    // Without a source name the root would be the whole backup folder, which
    // a backup with deletion would then empty.
    if (expanded.empty() || displayName.empty())
        return;
    const std::string folder = entry.DestinationFolder + displayName + "/";
    // A restore must not take a stale copy in an empty mount point for the
    // backup.
    if (!MediumMounted(entry.DestinationFolder)) {
        scan.DestinationError = ENOMEDIUM;
        return;
    }
    scan.DestinationVolumeFlags = CMountTable::VolumeFlags(folder);
    scan.DestinationTwoSecondTimes = CMountTable::HasTwoSecondTimes(folder) ? 1 : 0;
    // Nor does the backup side take in a source that lies inside the backup.
    scan.DestinationSkip = InnerFolder(WithoutTrailingSlashes(source), folder);
    scan.BackupFolderHandle = OpenNamed(entry.DestinationFolder);
    if (!scan.BackupFolderHandle || !m_counting)
        return;
    CFolderScanner::Options options;
    options.IncludeFiles = "*.*";
    options.Recursive = true;
    options.AddFolders = true;
    options.FileCount = &DestinationFiles;
    options.FolderCount = &DestinationFolders;
    options.ByteCount = &DestinationBytes;
    Count(options, folder, scan.DestinationSkip, scan.BackupFolderHandle.get(), entry.DestinationFolder);
}

bool CGetInfoWorker::MediumMounted(const std::string& folder) const
{
    return !m_media || m_media->IsAvailable(m_media->RootOf(folder.empty() ? std::string("/") : folder));
}

std::string CGetInfoWorker::Expand(const std::string& text) const
{
    return ExpandPathTags(text, m_now);
}

bool CGetInfoWorker::Cancelled() const
{
    return m_cancel.load() != 0;
}
