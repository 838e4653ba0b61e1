#pragma once

#include "app/CommandLineRequest.h"
#include "core/Prompter.h"
#include "core/Session.h"
#include "core/SettingsHolder.h"
#include "scheduler/ActionFlags.h"
#include "scheduler/ActionRunner.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CPasswordStore;
class CRunDisplay;

// Exit statuses of the program, listed in the README.
enum ExitStatus : int {
    ExitCompleted = 0, // completed without errors (or nothing to run)
    ExitItemsFailed = 1, // completed, but some items failed and were passed over
    ExitWrongCall = 2, // wrong call (help shown), the session or set could not be opened, or the set
                       // cannot run as it stands (entries sharing a backup folder)
    ExitNotCompleted = 3, // cancelled, or not run (medium missing, another run active, the lock folder
                          // unsafe, /q answered No, the windows' library cannot be loaded)
};

// The application object: prepares the process, reads the command line,
// loads settings and session, and then runs the main window or, without
// windows, the unattended run or the scheduler. It owns the two sessions, the
// settings record, the command-line request and the process-wide flags for
// the whole run.
class CKorvaneApp {
public:
    // arguments without the program name; argumentZero as the system gave it.
    CKorvaneApp(std::vector<std::string> arguments, std::string argumentZero);
    ~CKorvaneApp();
    CKorvaneApp(const CKorvaneApp&) = delete;
    CKorvaneApp& operator=(const CKorvaneApp&) = delete;

    // The windows of the interface layer: run the main window modally and
    // return the exit status. Unset (or no display), the program runs
    // without any window.
    using MainWindow = std::function<int(CKorvaneApp&)>;
    void SetMainWindow(MainWindow mainWindow) { m_mainWindow = std::move(mainWindow); }
    // Called once start-up knows that windows will be shown, before the
    // first question can be asked: the interface layer sets up its
    // application object and puts its prompter in place here. False when
    // the windows cannot be shown (their library does not load; the reason
    // is on standard error): the program then ends without running anything.
    using PrepareWindows = std::function<bool(CKorvaneApp&)>;
    void SetPrepareWindows(PrepareWindows prepare) { m_prepareWindows = std::move(prepare); }
    // While set, SIGTERM and SIGINT call this (on the signal watcher's
    // thread) instead of ending the program, so that the windows close
    // through their normal path.
    void SetStopHandler(std::function<void()> handler);
    // Hands the first argument (none without arguments; a session file's
    // path made absolute) to an instance already running. HandedOver when one
    // took it, Refused when the start-up lock could not be taken (the reason
    // was shown); this program then ends.
    enum class HandOver { StartHere, HandedOver, Refused };
    using InstanceGuard = std::function<HandOver(const std::optional<std::string>& firstArgument)>;
    void SetInstanceGuard(InstanceGuard guard) { m_instanceGuard = std::move(guard); }

    // The prompter of start-up and of every run (the console's until the
    // interface layer puts its own in place, before InitInstance).
    void SetPrompter(std::unique_ptr<CPrompter> prompter) { m_prompter = std::move(prompter); }
    CPrompter& Prompter() { return *m_prompter; }

    // Start-up in its fixed order; returns the exit status.
    int InitInstance();

    // The working session; the interface thread (the main thread without
    // windows) is its only writer, and other threads read copies of it.
    CSession& Session() { return m_session; }
    // The settings: snapshots for every thread; Apply saves a new record.
    CSettingsHolder& Settings() { return m_settings; }
    CommandLineRequest& Request() { return m_request; }
    // Where the SMTP password is kept while SMTPPasswordInKeyring is set.
    CPasswordStore& Passwords();
    CActionFlags& Flags() { return m_flags; }

    static int ExitStatusOf(RunResult result);

    // Started with "/i", the automatic start at logon.
    bool StartedAutomatically() const { return StartOf() == Start::Automatic; }

    // A runner with the program's services that shows itself on display.
    std::unique_ptr<CActionRunner> MakeActionRunner(CRunDisplay& display);

private:
    enum class Start { Plain, SessionFile, Automatic, CommandLine };

    int ReadLongOptions();
    bool WindowsShown() const { return m_windowed; }
    Start StartOf() const;
    bool ReadFirstArgument(Start& start);
    std::optional<std::string> HandOverText(Start start) const;
    void ApplyCommandLineDefaults();
    int RunWithoutWindows(Start start);
    int RunUnattended();
    int RunPreview();
    int RunVersionCommand();
    int RunScheduler();
    void OnTerminationSignal();
    std::unique_ptr<CActionRunner> MakeRunner(CRunDisplay& display, bool verbose);

    std::vector<std::string> m_arguments;
    std::string m_argumentZero;
    CSession m_session;
    CSession m_savedCopy;
    CSettingsHolder m_settings;
    CommandLineRequest m_request;
    CActionFlags m_flags;
    std::unique_ptr<CPrompter> m_prompter;
    MainWindow m_mainWindow;
    PrepareWindows m_prepareWindows;
    std::function<void()> m_stopHandler;
    bool m_windowed = false;
    InstanceGuard m_instanceGuard;
    struct Services;
    std::unique_ptr<Services> m_services;
    std::atomic<bool> m_stopRequested { false };
    bool m_nullSeparated = false; // --null: a dry run ends its lines with NUL
    // --versions, or the path of --restore-version, with --at and --to.
    bool m_listVersions = false;
    std::string m_restoreVersion;
    std::string m_restoreAt;
    std::string m_restoreTo;
};
