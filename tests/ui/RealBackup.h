#pragma once

#include "core/Session.h"
#include "core/SettingsRecord.h"
#include "engine/ActionDisplay.h"
#include "engine/GetInfoWorker.h"
#include "engine/ProgressWorker.h"
#include "log/ActivityLog.h"
#include "platform/Clock.h"
#include "ui/QtPrompter.h"
#include "ui/QtRunDisplay.h"
#include "ui/RunView.h"

#include <atomic>
#include <cstdint>

// Backs up set for real, by the scan and the copy worker run directly, and
// returns what the summary window is given for that run. Unasked, failures
// are passed over as Ignore would. clock: the run's time (its versions are
// set aside under it).
inline ActionSummaryData RealBackup(const CSet& set, bool unasked = false, CClock& clock = CClock::System())
{
    std::atomic<int> cancel { 0 };
    CGetInfoWorker scan(set, cancel, clock);
    scan.Start();
    scan.Wait();
    SettingsRecord settings;
    settings.Actions.DisplayError = unasked ? 0 : 1;
    CQtPrompter prompter;
    CActivityLog log(false, "", prompter, clock);
    CActionDisplay display;
    std::atomic<std::int32_t> copyCancel { 0 };
    CProgressWorker worker(settings, false, copyCancel, prompter, log, display, clock);
    worker.TakeSet(scan.Set, std::move(scan.Scans));
    worker.Start();
    worker.Wait();
    return ActionSummaryOf(worker, 0);
}
