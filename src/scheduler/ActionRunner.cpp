#include "scheduler/ActionRunner.h"

#include "StringTable.h"
#include "core/Prompter.h"
#include "core/Session.h"
#include "core/SettingsHolder.h"
#include "engine/DryRunOperations.h"
#include "engine/GetInfoWorker.h"
#include "engine/ProgressWorker.h"
#include "engine/RunPlanner.h"
#include "engine/SharedBackupPath.h"
#include "engine/VersionPruner.h"
#include "log/ActivityLog.h"
#include "mail/SummaryMailer.h"
#include "platform/MediaRoot.h"
#include "platform/RunLock.h"
#include "platform/SoundPlayer.h"
#include "platform/SystemInfo.h"
#include "scan/PathFormat.h"
#include "scheduler/ActionFlags.h"
#include "scheduler/MailOptions.h"
#include "scheduler/RunDisplay.h"
#include "scheduler/RunHistory.h"
#include "scheduler/ShutdownCountdown.h"

#include <memory>
#include <optional>

namespace {

constexpr int kSoundCompleted = 146;
constexpr int kSoundCancelled = 153;
constexpr int kSoundTrayShown = 164;
constexpr int kMenuDefault = 0;
constexpr int kMenuCancelAction = 178;

const char* ActionName(int action)
{
    return action == 1 ? "Restore" : "Backup";
}

const char* LowerActionName(int action)
{
    return action == 1 ? "restore" : "backup";
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

} // namespace

struct CActionRunner::Run {
    Mode mode = Mode::WholeSet;
    int setIndex = -1;
    int entryIndex = -1;
    int action = 0;
    bool verbose = false;
    bool ignoreErrors = false;
    bool dryRun = false;
    const CSet* scheduledSet = nullptr;

    // The run's own copy of the set and of the settings it acts by.
    CSet set;
    SettingsRecord settings;
    std::unique_ptr<CGetInfoWorker> info;
    CRunLock processLock;

    // Why a run failed, for the scheduled event's outcome; empty for the
    // failures the result itself tells (failed items, cancelled).
    std::string failure;
    int failedItems = 0;
    // The set was taken: the run has a place in the run history.
    bool setTaken = false;
    std::string sessionFile;
    bool reported = false;

    bool Scheduled() const { return mode == Mode::Scheduled; }
    int LogType() const { return Scheduled() ? LogScheduled : LogUser; }
};

CActionRunner::CActionRunner(
    CSession& session, const CSettingsHolder& settings, CActionFlags& flags, const Services& services)
    : m_session(session)
    , m_settings(settings)
    , m_flags(flags)
    , m_services(services)
{
}

RunResult CActionRunner::RunScheduled(const CSet& set)
{
    Run run;
    run.mode = Mode::Scheduled;
    run.scheduledSet = &set;
    return Execute(run);
}

RunResult CActionRunner::RunCommandLine(int setIndex, int action, bool verbose, bool ignoreErrors, bool dryRun)
{
    Run run;
    run.mode = Mode::CommandLine;
    run.setIndex = setIndex;
    run.action = action;
    run.verbose = verbose;
    run.ignoreErrors = ignoreErrors;
    run.dryRun = dryRun;
    return Execute(run);
}

RunResult CActionRunner::RunPreview(int setIndex, int action, bool verbose)
{
    return RunCommandLine(setIndex, action, verbose, true, true);
}

RunResult CActionRunner::RunActiveSet()
{
    Run run;
    run.mode = Mode::WholeSet;
    return Execute(run);
}

RunResult CActionRunner::RunEntry(int entryIndex, int action)
{
    Run run;
    run.mode = Mode::SingleEntry;
    run.entryIndex = entryIndex;
    run.action = action;
    return Execute(run);
}

std::string CActionRunner::FormatElapsed(std::int64_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    return FormatString("%02lld:%02d:%02d", static_cast<long long>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
        static_cast<int>(seconds % 60));
}

// The history is written while the run lock is still held, so runs of
// other processes never write it at the same time.
void CActionRunner::EndRun(Run& run, RunResult result)
{
    RecordHistory(run, result);
    run.processLock.Unlock();
    m_flags.ActionRunning = 0;
    ReportOutcome(run, result);
}

void CActionRunner::RecordHistory(const Run& run, RunResult result)
{
    if (!run.setTaken || run.dryRun)
        return;
    const bool succeeded = result == RunResult::Completed || result == RunResult::PoweredOff;
    CRunHistory(m_historyPath).RecordRun(run.sessionFile, run.set.Name, m_services.clock.Now(), succeeded);
}

// A scheduled event says how it went, whatever ended it: the user was not
// there to see it.
void CActionRunner::ReportOutcome(Run& run, RunResult result)
{
    if (!run.Scheduled() || run.reported)
        return;
    run.reported = true;
    CRunDisplay::ScheduledOutcome outcome;
    outcome.SetName = run.scheduledSet->Name;
    outcome.Action = run.scheduledSet->Schedule.Action;
    std::string reason = run.failure;
    if (reason.empty() && result == RunResult::CompletedWithErrors)
        reason = FormatString(LoadString(57773).c_str(), run.failedItems);
    if (reason.empty() && result == RunResult::Cancelled)
        reason = LoadString(57774);
    outcome.Succeeded = reason.empty() && (result == RunResult::Completed || result == RunResult::PoweredOff);
    const auto settings = m_settings.Get();
    outcome.Notify = !outcome.Succeeded || settings->Scheduler.NotifySuccess != 0;
    outcome.ShowErrors = settings->Scheduler.DisplayError != 0;
    const char* action = LowerActionName(outcome.Action);
    outcome.Text = outcome.Succeeded
        ? FormatString(LoadString(57771).c_str(), action, outcome.SetName.c_str())
        : FormatString(LoadString(57770).c_str(), action, outcome.SetName.c_str(), reason.c_str());
    m_services.display.ReportScheduledOutcome(outcome);
}

RunResult CActionRunner::Execute(Run& run)
{
    if (m_stopFolderScans)
        m_stopFolderScans();
    const RunResult result = ExecuteSteps(run);
    // A run refused before it held the action flag reports here; the
    // others have in EndRun.
    ReportOutcome(run, result);
    return result;
}

RunResult CActionRunner::ExecuteSteps(Run& run)
{
    // Test and set in one step: a scheduled event and a manual run starting
    // at the same moment cannot both pass.
    std::int32_t idle = 0;
    if (!m_flags.ActionRunning.compare_exchange_strong(idle, 1)) {
        // The scheduler marks its event while it runs; a scheduled run
        // refused here met a manual one.
        const bool scheduledActive = !run.Scheduled() && m_flags.ScheduledEvent != 0;
        RefuseWhileBusy(run, scheduledActive ? CRunLock::Kind::Scheduled : CRunLock::Kind::Manual);
        return RunResult::NotRun;
    }
    if (!TakeProcessLock(run)) {
        m_flags.ActionRunning.store(0);
        return RunResult::NotRun;
    }
    m_flags.ActionCancel = 0;
    if (!TakeSet(run)) {
        EndRun(run, RunResult::NotRun);
        return RunResult::NotRun;
    }
    if (RefuseSharedBackupPath(run)) {
        EndRun(run, RunResult::Refused);
        return RunResult::Refused;
    }
    CActivityLog log(
        run.settings.General.LogActivate != 0, run.settings.General.LogFileName, m_services.prompter, m_services.clock);
    log.WriteEvent(run.LogType(), run.action, "%s started for '%s'", ActionName(run.action), run.set.Name.c_str());
    if (!CheckMedia(run)) {
        EndRun(run, RunResult::NotRun);
        return RunResult::NotRun;
    }
    ShowTrayStart(run);
    if (!Gather(run, log)) {
        log.WriteEvent(
            run.LogType(), run.action, "%s cancelled for '%s'", ActionName(run.action), run.set.Name.c_str());
        ResetTray(run);
        if (run.Scheduled() && run.settings.Scheduler.TrayHideIdle)
            m_services.display.HideTray();
        EndRun(run, RunResult::Cancelled);
        return RunResult::Cancelled;
    }
    return Copy(run, log);
}

// The same refusal for a run of another Korvane process of this user. A
// dry run writes nothing, not even the lock file, and gets in no one's way.
bool CActionRunner::TakeProcessLock(Run& run)
{
    if (run.dryRun)
        return true;
    switch (run.processLock.TryLock(run.Scheduled() ? CRunLock::Kind::Scheduled : CRunLock::Kind::Manual)) {
    case CRunLock::Result::Locked:
        return true;
    case CRunLock::Result::Busy:
        RefuseWhileBusy(run, CRunLock::Holder());
        return false;
    case CRunLock::Result::Refused:
        RefuseLockFolder(run, run.processLock.Problem());
        return false;
    }
    return false;
}

// The refusal names the run it waits for. A scheduled event refused this
// way is not run at all, so it leaves an error record in the log.
void CActionRunner::RefuseWhileBusy(Run& run, CRunLock::Kind active)
{
    const std::string text = LoadString(active == CRunLock::Kind::Manual ? 57741 : 57719);
    LogRefusal(run, text);
    run.failure = FirstLine(text);
    m_services.prompter.MessageBox(text, MbOk | MbIconInformation);
}

// Without a lock no one can see, two runs of one set could copy over each
// other: the run is refused, never run unlocked.
void CActionRunner::RefuseLockFolder(Run& run, const CRunLock::Refusal& refusal)
{
    const std::string text = FormatString(LoadString(57756).c_str(), refusal.folder.c_str(), refusal.reason.c_str());
    LogRefusal(run, text);
    run.failure = FirstLine(text);
    m_services.prompter.MessageBox(text, MbOk | MbIconError);
}

void CActionRunner::LogRefusal(const Run& run, const std::string& text)
{
    if (!run.Scheduled())
        return;
    const auto settings = m_settings.Get();
    CActivityLog log(
        settings->General.LogActivate != 0, settings->General.LogFileName, m_services.prompter, m_services.clock);
    const int action = run.scheduledSet->Schedule.Action;
    log.WriteEvent(LogError, action, "%s refused for '%s': %s", ActionName(action), run.scheduledSet->Name.c_str(),
        text.substr(0, text.find('\n')).c_str());
}

// Copies the set of the run mode out of the working session (under its lock)
// and fixes the action; false when there is no such set or entry.
bool CActionRunner::TakeSet(Run& run)
{
    run.settings = *m_settings.Get();
    if (run.dryRun) {
        // Nothing is written, not even the log; failures are foreseen and
        // listed, not asked about; nothing is played or switched off. The
        // plan of the information window is made by the same settings.
        run.settings = CRunPlanner::DryRunSettings(run.settings);
        run.ignoreErrors = true;
    }
    if (run.ignoreErrors) {
        // /g: every error of the run is passed over without asking.
        run.settings.Actions.DisplayError = 0;
        run.settings.Scheduler.DisplayError = 0;
    }
    if (run.Scheduled()) {
        run.set = *run.scheduledSet;
        run.action = run.set.Schedule.Action;
    } else {
        std::optional<CSet> set
            = run.mode == Mode::CommandLine ? m_session.CopySet(run.setIndex) : m_session.CopyActiveSet();
        if (!set)
            return false;
        run.set = *set;
    }
    if (run.mode == Mode::WholeSet)
        run.action = run.set.ActiveAction;
    if (run.mode == Mode::SingleEntry) {
        if (run.entryIndex < 0 || static_cast<std::size_t>(run.entryIndex) >= run.set.Entries.size())
            return false;
        CBackup entry = run.set.Entries[static_cast<std::size_t>(run.entryIndex)];
        run.set.Entries.clear();
        run.set.Entries.push_back(entry);
    }
    // The workers pick the procedure from the set's action.
    run.set.ActiveAction = run.action;
    run.sessionFile = m_session.Read([](const CSession& session) { return session.FileName; });
    run.setTaken = true;
    return true;
}

// Entries that share a backup folder overwrite each other's files, delete
// them on alternate runs (with deletion on), and a restore pours one source's
// files into the other's. Such a set is refused before anything is written;
// the refusal is logged as an error, as nobody may see a scheduled run's
// message. True when refused.
bool CActionRunner::RefuseSharedBackupPath(Run& run)
{
    const auto shared = FindSharedBackupPath(run.set, m_services.clock.Now());
    if (!shared)
        return false;
    const std::string text
        = FormatString(LoadString(57740).c_str(), run.set.Entries[shared->First].SourceFolder.c_str(),
            run.set.Entries[shared->Second].SourceFolder.c_str(), shared->Folder.c_str());
    CActivityLog log(
        run.settings.General.LogActivate != 0, run.settings.General.LogFileName, m_services.prompter, m_services.clock);
    log.WriteEvent(LogError, run.action, "%s refused for '%s': %s", ActionName(run.action), run.set.Name.c_str(),
        FirstLine(text).c_str());
    run.failure = FirstLine(text);
    m_services.prompter.MessageBox(text, MbOk | MbIconError);
    return true;
}

// Each entry's backup folder (its source folder for a restore) must be on a
// mounted medium; the user is asked to bring it until it is there or Cancel.
bool CActionRunner::CheckMedia(Run& run)
{
    const std::time_t now = m_services.clock.Now();
    for (const CBackup& entry : run.set.Entries) {
        const std::string& folder = run.action == 0 ? entry.DestinationFolder : entry.SourceFolder;
        const std::string root = m_services.media.RootOf(ExpandPathTags(folder, now));
        while (!m_services.media.IsAvailable(root)) {
            const std::string text = FormatString(LoadString(57721).c_str(), root.c_str());
            if (m_services.prompter.MessageBox(text, MbOkCancel | MbIconInformation) != IdOk) {
                run.failure = FormatString(LoadString(57775).c_str(), root.c_str());
                return false;
            }
        }
    }
    return true;
}

void CActionRunner::ShowTrayStart(const Run& run)
{
    CRunDisplay& display = m_services.display;
    const auto& scheduler = run.settings.Scheduler;
    if (run.Scheduled() && scheduler.TrayHideIdle && display.TrayHidden()) {
        display.ShowTray();
        if (scheduler.TrayPlaySound)
            m_services.sounds.Play(kSoundTrayShown);
    }
    if (run.Scheduled() && scheduler.TrayBalloons && run.settings.IsNT) {
        const std::string text = FormatString(LoadString(57718).c_str(), ActionName(run.action), run.set.Name.c_str());
        display.ShowBalloon("Scheduled Event Started", text, 10);
    }
    display.SetTrayTooltip(LoadString(57722));
    display.SetTrayMenu(kMenuCancelAction);
    display.AnimateTray(true);
}

void CActionRunner::ResetTray(const Run&)
{
    m_services.display.SetTrayTooltip("Korvane");
    m_services.display.SetTrayMenu(kMenuDefault);
    m_services.display.AnimateTray(false);
}

// Which windows a run shows: a scheduled run by the scheduler's display
// settings, a command-line run only with /v, a run from the main window
// always (the summary by its own setting).
bool CActionRunner::Shows(const Run& run, std::int32_t schedulerSetting, std::int32_t actionSetting) const
{
    if (run.Scheduled())
        return schedulerSetting != 0;
    if (run.mode == Mode::CommandLine)
        return run.verbose;
    return actionSetting != 0;
}

// The two-sided scan; false when it was cancelled.
bool CActionRunner::Gather(Run& run, CActivityLog&)
{
    run.info = std::make_unique<CGetInfoWorker>(run.set, m_flags.ActionCancel, m_services.clock, &m_services.media);
    CRunDisplay::WindowRules rules;
    rules.CloseInformationByItself
        = run.Scheduled() || run.mode == Mode::CommandLine || run.settings.Actions.NoInteract != 0;
    rules.DeleteFirst = run.action == 0 && run.settings.Actions.BackupDelete != 0;
    m_services.display.SetWindowRules(rules);
    const bool shown = Shows(run, run.settings.Scheduler.DisplayInformation, 1);
    // Counts are for a window to show before the run; the run counts for
    // itself as it goes.
    run.info->SetCounting(shown);
    if (shown && m_services.display.WantsPlan(run.action)) {
        run.info->SetPlanner(
            [planner = CRunPlanner(run.settings, m_services.clock)](const CSet& set, std::vector<CEntryScan> scans,
                std::atomic<std::int32_t>& cancel) { return planner.Plan(set, std::move(scans), cancel); });
    }
    run.info->Start();
    if (shown)
        m_services.display.ShowInformation(*run.info, run.action);
    // A plan still being made when the user went on is of no more use.
    run.info->DropPlan();
    run.info->Wait();
    return m_flags.ActionCancel == 0;
}

RunResult CActionRunner::Copy(Run& run, CActivityLog& log)
{
    CProgressWorker worker(run.settings, run.Scheduled(), m_flags.ActionCancel, m_services.prompter, log,
        m_services.display, m_services.clock);
    // A fresh copy of the set and of what the scan opened for it.
    worker.TakeSet(run.info->Set, std::move(run.info->Scans));
    worker.Set.ActiveAction = run.action;
    CDryRunOperations dryRun;
    if (run.dryRun)
        worker.SetFileOperations(dryRun);
    const CGetInfoWorker& info = *run.info;
    const CRunDisplay::Totals totals { info.SourceFiles, info.SourceFolders, info.DestinationFiles,
        info.DestinationFolders };
    worker.SetKeepFileLists(m_services.display.ListsCopiedFiles());
    worker.Start();
    if (Shows(run, run.settings.Scheduler.DisplayProgress, 1))
        m_services.display.ShowProgress(worker, totals, run.action);
    worker.Wait();

    log.WriteEvent(run.LogType(), run.action,
        "%d files and %d folders added, %d files modified, %d files and %d folders deleted, %d files and "
        "%d folders processed (time: %s)",
        worker.AddedTally.Files, static_cast<int>(worker.AddedFolders.size()), worker.UpdatedTally.Files,
        static_cast<int>(worker.DeletedFiles.size()), static_cast<int>(worker.DeletedFolders.size()),
        worker.ProcessedFileCount(), worker.ProcessedFolderCount(), FormatElapsed(worker.Elapsed).c_str());
    for (const VersionAreaSpace& space : worker.VersionSpace) {
        log.WriteText(run.LogType(), run.action,
            FormatString(
                LoadString(57805).c_str(), space.Area.c_str(), CVersionPruner::SpaceText(space.Bytes).c_str()));
    }

    const bool cancelled = m_flags.ActionCancel != 0;
    const bool playSound = run.settings.Actions.PlaySound != 0;
    if (!cancelled) {
        if (playSound)
            m_services.sounds.Play(kSoundCompleted);
        LogEnd(run, worker, log, "%s completed for '%s'");
        if (run.settings.Actions.PostShutdown && OfferShutdown()) {
            ResetTray(run);
            EndRun(run, RunResult::PoweredOff);
            return RunResult::PoweredOff;
        }
    } else {
        if (playSound)
            m_services.sounds.Play(kSoundCancelled);
        LogEnd(run, worker, log, "%s cancelled for '%s'");
    }
    ResetTray(run);
    if (run.Scheduled() && run.set.Schedule.SendEmail)
        SendSummaryMail(run, worker, log);
    run.failedItems = worker.FailedItems;
    const RunResult result = cancelled ? RunResult::Cancelled
        : worker.FailedItems > 0       ? RunResult::CompletedWithErrors
                                       : RunResult::Completed;
    EndRun(run, result);
    if (run.dryRun)
        m_services.display.ShowPreview(worker, run.action);
    if (Shows(run, run.settings.Scheduler.DisplaySummary, run.settings.Actions.DisplaySummary))
        m_services.display.ShowSummary(worker, run.action, cancelled);
    if (run.Scheduled() && run.settings.Scheduler.TrayHideIdle)
        m_services.display.HideTray();
    return result;
}

// A run that passed over failed items does not end like a clean one: its
// end record carries the error type, so it stands out in the log viewer, and
// the next record says how many items failed (the error records before it
// say which).
void CActionRunner::LogEnd(const Run& run, const CProgressWorker& worker, CActivityLog& log, const char* format)
{
    const int failed = worker.FailedItems.load();
    const int type = failed > 0 ? LogError : run.LogType();
    log.WriteText(type, run.action, FormatString(format, ActionName(run.action), run.set.Name.c_str()));
    if (failed > 0)
        log.WriteText(LogError, run.action, FormatString(LoadString(57759).c_str(), failed));
}

// True when the computer is being switched off. A refused power-off request
// carries on like a cancelled countdown, so the e-mail and the summary still
// follow instead of the program ending with the machine still running.
bool CActionRunner::OfferShutdown()
{
    CShutdownCountdown countdown(m_services.powerOff);
    m_services.display.ShowShutdown(countdown);
    return countdown.PoweredOff();
}

// A mail that fails is not silent: one error record names the server and
// the reason, and the event's outcome says the same.
void CActionRunner::SendSummaryMail(Run& run, const CProgressWorker& worker, CActivityLog& log)
{
    SummaryMailData data;
    data.ComputerName = CSystemInfo::ComputerName();
    data.UserName = CSystemInfo::UserName();
    data.SetName = run.set.Name;
    data.Action = run.action;
    data.ElapsedText = FormatElapsed(worker.Elapsed);
    data.Recipients = run.set.Schedule.Email;
    data.ProcessedFiles = worker.ProcessedFileCount();
    data.ProcessedFolders = worker.ProcessedFolderCount();
    data.AddedFiles = worker.AddedTally.Files;
    data.AddedFolders = static_cast<int>(worker.AddedFolders.size());
    data.UpdatedFiles = worker.UpdatedTally.Files;
    data.DeletedFiles = static_cast<int>(worker.DeletedFiles.size());
    data.DeletedFolders = static_cast<int>(worker.DeletedFolders.size());

    const SmtpOptions options = MailOptionsFromSettings(run.settings.Scheduler);
    std::string failure;
    if (m_services.mailer.Send(data, options, failure))
        return;
    const std::string text
        = FormatString(LoadString(57733).c_str(), options.Server.c_str(), options.Port, failure.c_str());
    log.WriteText(LogError, run.action, text);
    // Told with the event's outcome, which names the set.
    run.failure = text;
}
