#pragma once

#include "platform/RunLock.h"

#include <cstdint>
#include <functional>
#include <string>

class CActivityLog;
class CClock;
class CMediaRoot;
class CPowerOff;
class CProgressWorker;
class CPrompter;
class CRunDisplay;
class CSession;
class CSet;
class CSettingsHolder;
class CSoundPlayer;
class CSummaryMailer;
struct CActionFlags;

// How a run ended.
enum class RunResult {
    Completed, // no item failed
    CompletedWithErrors, // some items failed and were passed over
    Cancelled, // cancelled while gathering or copying
    NotRun, // refused (another run active, the lock folder unsafe), medium missing, no such set
    Refused, // the set cannot run as it stands: two entries share a backup folder
    PoweredOff, // the computer is being switched off
};

// Executes every action: a scheduled event, the main window's Execute and
// popup menu, and a command-line run. It works on copies of the set, so
// editing the working session while a run goes on never changes the run; and
// it acts by one snapshot of the settings, taken when the run starts.
class CActionRunner {
public:
    struct Services {
        CPrompter& prompter;
        CRunDisplay& display;
        CSoundPlayer& sounds;
        CSummaryMailer& mailer;
        CPowerOff& powerOff;
        const CMediaRoot& media;
        CClock& clock;
    };

    CActionRunner(CSession& session, const CSettingsHolder& settings, CActionFlags& flags, const Services& services);

    // Called before every run to stop the window's folder statistics passes
    // and wait for them.
    void SetStopFolderScans(std::function<void()> stop) { m_stopFolderScans = std::move(stop); }
    // Where every run records how it went (CRunHistory); empty: beside the
    // settings file.
    void SetHistoryPath(std::string path) { m_historyPath = std::move(path); }

    // The four run modes.
    RunResult RunScheduled(const CSet& set);
    RunResult RunCommandLine(int setIndex, int action, bool verbose, bool ignoreErrors, bool dryRun = false);
    RunResult RunActiveSet();
    RunResult RunEntry(int entryIndex, int action);
    // A command-line run's dry run: the same scan and the same copy worker,
    // whose file operations change nothing; no log, no sound, no question
    // about failures. The display's ShowPreview gets what the run would do.
    RunResult RunPreview(int setIndex, int action, bool verbose);

    // The elapsed time as the log and the e-mail write it: "%H:%M:%S" with
    // the hours as a total count.
    static std::string FormatElapsed(std::int64_t seconds);

private:
    enum class Mode { Scheduled, CommandLine, WholeSet, SingleEntry };
    struct Run;

    RunResult Execute(Run& run);
    RunResult ExecuteSteps(Run& run);
    void EndRun(Run& run, RunResult result);
    void RecordHistory(const Run& run, RunResult result);
    void ReportOutcome(Run& run, RunResult result);
    bool TakeProcessLock(Run& run);
    void RefuseWhileBusy(Run& run, CRunLock::Kind active);
    void RefuseLockFolder(Run& run, const CRunLock::Refusal& refusal);
    void LogRefusal(const Run& run, const std::string& text);
    bool TakeSet(Run& run);
    bool RefuseSharedBackupPath(Run& run);
    bool BeginRun(Run& run);
    bool CheckMedia(Run& run);
    void ShowTrayStart(const Run& run);
    void ResetTray(const Run& run);
    bool Gather(Run& run, CActivityLog& log);
    RunResult Copy(Run& run, CActivityLog& log);
    void LogEnd(const Run& run, const CProgressWorker& worker, CActivityLog& log, const char* format);
    bool OfferShutdown();
    void SendSummaryMail(Run& run, const CProgressWorker& worker, CActivityLog& log);
    bool Shows(const Run& run, std::int32_t schedulerSetting, std::int32_t actionSetting) const;

    CSession& m_session;
    const CSettingsHolder& m_settings;
    CActionFlags& m_flags;
    Services m_services;
    std::function<void()> m_stopFolderScans;
    std::string m_historyPath;
};
