#include "engine/RunPlanner.h"

#include "core/Prompter.h"
#include "engine/ActionDisplay.h"
#include "engine/DryRunOperations.h"
#include "engine/ProgressWorker.h"
#include "log/ActivityLog.h"

namespace {

// The worker asks nothing when errors are not shown; should it ask all the
// same, the plan goes on as a dry run would.
class CSilentPrompter : public CPrompter {
public:
    int MessageBox(const std::string&, unsigned) override { return IdIgnore; }
    bool AskFileName(const FileDialogRequest&, std::string&) override { return false; }
};

} // namespace

CRunPlanner::CRunPlanner(const SettingsRecord& settings, CClock& clock)
    : m_settings(DryRunSettings(settings))
    , m_clock(clock)
{
}

SettingsRecord CRunPlanner::DryRunSettings(SettingsRecord settings)
{
    settings.General.LogActivate = 0;
    settings.Actions.PlaySound = 0;
    settings.Actions.PostShutdown = 0;
    settings.Actions.DisplayError = 0;
    settings.Scheduler.DisplayError = 0;
    return settings;
}

CRunPlan CRunPlanner::Plan(const CSet& set, std::vector<CEntryScan> scans, std::atomic<std::int32_t>& cancel) const
{
    CSilentPrompter prompter;
    CActivityLog log(false, std::string(), prompter, m_clock);
    CActionDisplay display;
    CDryRunOperations operations;
    CProgressWorker worker(m_settings, false, cancel, prompter, log, display, m_clock);
    worker.TakeSet(set, std::move(scans));
    worker.SetFileOperations(operations);
    // The plan counts what was processed; it lists only what changes.
    worker.SetKeepFileLists(false);
    worker.Start();
    worker.Wait();
    return std::move(worker.Plan);
}
