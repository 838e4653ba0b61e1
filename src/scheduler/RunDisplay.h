#pragma once

#include "engine/ActionDisplay.h"

#include <string>

class CGetInfoWorker;
class CProgressWorker;
class CShutdownCountdown;

// Everything an action shows: its three windows, the shutdown countdown and
// the tray icon. The windows' implementation lives in the interface layer and
// the console's in app; this base shows nothing and only waits, which is
// what a run without a display gets. Each Show call returns when its window
// has closed.
class CRunDisplay : public CActionDisplay {
public:
    // Totals of the scan, shown by the progress window.
    struct Totals {
        int SourceFiles = 0;
        int SourceFolders = 0;
        int DestinationFiles = 0;
        int DestinationFolders = 0;
    };

    // How the windows of this run behave, fixed by the runner before the
    // first one opens.
    struct WindowRules {
        // The file information window closes by itself once both scans are
        // over (scheduled and command-line runs, NoInteract); otherwise it
        // waits for Continue.
        bool CloseInformationByItself = false;
        // A backup that deletes first: the progress window opens behind a
        // waiting window for as long as the deletions run.
        bool DeleteFirst = false;
    };
    virtual void SetWindowRules(const WindowRules& /*rules*/) { }

    // The file information window while both scans run; false when the user
    // cancelled (the window has set the cancel flag). Returns once both
    // scan threads have ended.
    virtual bool ShowInformation(CGetInfoWorker& worker, int action);
    // Whether ShowInformation shows the plan of the action (the scan worker
    // then makes one after its scans); making it costs a dry run.
    virtual bool WantsPlan(int /*action*/) const { return false; }
    // The progress window while the copy worker runs; returns once it ended.
    virtual void ShowProgress(CProgressWorker& worker, const Totals& totals, int action);
    // The action summary of a finished or cancelled run, with the items the
    // worker kept as failed (its Failures).
    virtual void ShowSummary(const CProgressWorker& /*worker*/, int /*action*/, bool /*cancelled*/) { }
    // What a dry run found the run would do: the worker's lists, after it ended.
    virtual void ShowPreview(const CProgressWorker& /*worker*/, int /*action*/) { }
    // Whether ShowSummary reads the records of the added and updated files
    // or only their tallies; a run keeps the records only for a display
    // that reads them (a dry run always keeps them for ShowPreview).
    virtual bool ListsCopiedFiles() const { return true; }
    // Drives the countdown to its end or until cancelled. This base cancels:
    // switching a computer off needs someone who could have stopped it.
    virtual void ShowShutdown(CShutdownCountdown& countdown);
    // A failure the run carries on after; it is in the activity log
    // already. The console writes it to standard error.
    virtual void ShowError(const std::string& /*text*/) { }

    // How a scheduled event ended, told once at its end (after the action
    // flag is cleared, before the summary window). Text names the set and
    // says that the run was scheduled.
    struct ScheduledOutcome {
        std::string SetName;
        int Action = 0;
        bool Succeeded = false;
        // Whether the desktop is to be told: failures always, successes
        // when NotifySuccess is on.
        bool Notify = true;
        // DisplayError of the scheduler: a failure may open a window.
        bool ShowErrors = true;
        std::string Text;
    };
    virtual void ReportScheduledOutcome(const ScheduledOutcome& /*outcome*/) { }

    // The tray icon (menu 0 is the default menu, 178 "Cancel Action...").
    virtual bool TrayHidden() const { return true; }
    virtual void ShowTray() { }
    virtual void HideTray() { }
    virtual void ShowBalloon(const std::string& /*title*/, const std::string& /*text*/, int /*seconds*/) { }
    virtual void SetTrayMenu(int /*menu*/) { }
    virtual void AnimateTray(bool /*on*/) { }
};
