#include "core/Backup.h"

bool CBackup::IsSameContent(const CBackup& other) const
{
    return SourceFolder == other.SourceFolder && DestinationFolder == other.DestinationFolder
        && ExcludeFolders == other.ExcludeFolders && IncludeFiles == other.IncludeFiles
        && ExcludeFiles == other.ExcludeFiles && Recursive == other.Recursive;
}
