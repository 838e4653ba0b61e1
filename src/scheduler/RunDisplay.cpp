#include "scheduler/RunDisplay.h"

#include "engine/GetInfoWorker.h"
#include "engine/ProgressWorker.h"
#include "scheduler/ShutdownCountdown.h"

bool CRunDisplay::ShowInformation(CGetInfoWorker& worker, int)
{
    worker.Wait();
    return true;
}

void CRunDisplay::ShowProgress(CProgressWorker& worker, const Totals&, int)
{
    worker.Wait();
}

void CRunDisplay::ShowShutdown(CShutdownCountdown& countdown)
{
    countdown.Cancel();
}
