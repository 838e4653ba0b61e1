#include "engine/EntryScan.h"

void CEntryScan::ClearSource()
{
    SourceList.clear();
    SourceSkip.clear();
    SourceUnlisted.clear();
    SourceFound = 0;
    SourceError = 0;
    SourceVolumeFlags = 0;
    SourceTwoSecondTimes = 0;
    SourceHandle.reset();
}

void CEntryScan::ClearDestination()
{
    SecondList.clear();
    DestinationSkip.clear();
    DestinationUnlisted.clear();
    DestinationError = 0;
    DestinationVolumeFlags = 0;
    DestinationTwoSecondTimes = 0;
    BackupFolderHandle.reset();
}
