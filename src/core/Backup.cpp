#include "core/Backup.h"

CBackup::CBackup() = default;

CBackup::CBackup(const CBackup& other)
{
    CopyFrom(other);
}

CBackup& CBackup::operator=(const CBackup& other)
{
    CopyFrom(other);
    return *this;
}

CBackup::~CBackup()
{
    if (m_scanThread.joinable()) {
        CancelScan = 1;
        m_scanThread.join();
    }
}

void CBackup::CopyFrom(const CBackup& other)
{
    if (this == &other)
        return;
    SourceFolder = other.SourceFolder;
    DestinationFolder = other.DestinationFolder;
    ExcludeFolders = other.ExcludeFolders;
    IncludeFiles = other.IncludeFiles;
    ExcludeFiles = other.ExcludeFiles;
    Recursive = other.Recursive;
    SummaryTexts = other.SummaryTexts;
    FileCount = other.FileCount.load();
    FolderCount = other.FolderCount.load();
    TotalSize = other.TotalSize.load();
    SizeOnDisk = other.SizeOnDisk.load();
    CancelScan = other.CancelScan.load();
    ScanRunning = other.ScanRunning.load();
    ScanComplete = other.ScanComplete.load();
    SourceVolumeFlags = other.SourceVolumeFlags;
    DestinationVolumeFlags = other.DestinationVolumeFlags;
    SourceList = other.SourceList;
    SecondList = other.SecondList;
    SourceFound = other.SourceFound;
    SourceUnlisted = other.SourceUnlisted;
}

bool CBackup::IsSameContent(const CBackup& other) const
{
    return SourceFolder == other.SourceFolder && DestinationFolder == other.DestinationFolder
        && ExcludeFolders == other.ExcludeFolders && IncludeFiles == other.IncludeFiles
        && ExcludeFiles == other.ExcludeFiles && Recursive == other.Recursive;
}
