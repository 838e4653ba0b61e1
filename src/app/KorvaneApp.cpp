#include "app/KorvaneApp.h"

#include "StringTable.h"
#include "app/CommandLine.h"
#include "app/ConsoleDisplay.h"
#include "app/ConsolePrompter.h"
#include "app/LongOptions.h"
#include "app/SettingsStore.h"
#include "app/ShellIntegration.h"
#include "app/VersionCommand.h"
#include "mail/SummaryMail.h"
#include "platform/Clock.h"
#include "platform/CoreApplication.h"
#include "platform/DesktopKeyring.h"
#include "platform/MediaRoot.h"
#include "platform/MemoryTuning.h"
#include "platform/PowerOff.h"
#include "platform/SoundPlayer.h"
#include "platform/Terminal.h"
#include "platform/TerminationSignals.h"
#include "platform/TextCase.h"
#include "scan/PathFormat.h"
#include "scheduler/SchedulerThread.h"

#include <chrono>
#include <clocale>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <thread>

struct CKorvaneApp::Services {
    // A run without a display plays nothing.
    std::unique_ptr<CSoundPlayer> sounds;
    CDesktopKeyring passwords;
    CSummaryMail mailer { &passwords };
    CSystemPowerOff powerOff;
    CMediaRoot media;
    std::unique_ptr<CTerminationSignals> signals;
    std::mutex stopMutex;
    std::condition_variable stopWake;
    bool runningScheduler = false;
};

namespace {

std::string ProgramName(const std::string& argumentZero)
{
    const auto slash = argumentZero.find_last_of('/');
    const std::string name = slash == std::string::npos ? argumentZero : argumentZero.substr(slash + 1);
    return name.empty() ? "korvane" : name;
}

// A slash switch is a slash and one letter; any longer text that begins with
// a slash is an absolute path, such as the session file a desktop hands over
// when a .kvf file is opened.
bool IsSwitchWord(const std::string& argument)
{
    return argument.size() == 2 && argument[0] == '/';
}

} // namespace

CKorvaneApp::CKorvaneApp(std::vector<std::string> arguments, std::string argumentZero)
    : m_arguments(std::move(arguments))
    , m_argumentZero(std::move(argumentZero))
    , m_settings({}, [](const SettingsRecord& record) { SaveSettings(record); })
    , m_prompter(std::make_unique<CConsolePrompter>())
    , m_services(std::make_unique<Services>())
{
}

CKorvaneApp::~CKorvaneApp() = default;

int CKorvaneApp::ExitStatusOf(RunResult result)
{
    switch (result) {
    case RunResult::Completed:
    case RunResult::PoweredOff:
        return ExitCompleted;
    case RunResult::CompletedWithErrors:
        return ExitItemsFailed;
    case RunResult::Refused:
        return ExitWrongCall;
    default:
        return ExitNotCompleted;
    }
}

int CKorvaneApp::InitInstance()
{
    KeepLargeBlocksApart();
    std::setlocale(LC_ALL, "");
    if (const int status = ReadLongOptions(); status >= 0)
        return status;
    // Before any other thread exists, so every thread leaves the two signals
    // to the watcher.
    m_services->signals = std::make_unique<CTerminationSignals>([this](int) { OnTerminationSignal(); });
    m_services->sounds
        = CTerminal::HasDisplay() ? std::make_unique<CDesktopSoundPlayer>() : std::make_unique<CSoundPlayer>();
    m_session.SavedCopy = &m_savedCopy;
    m_session.NewSession(*m_prompter);
    SettingsRecord settings;
    FillComputedSettings(settings, m_argumentZero);
    m_settings.Replace(settings);
    // Before the first read of a setting (the last session's name is one).
    CheckSettingsFile(*m_prompter);

    Start start = StartOf();
    // A command-line run keeps to standard error and its exit status even
    // where a display exists.
    m_windowed = m_mainWindow && CTerminal::HasDisplay() && start != Start::CommandLine;
    if (m_windowed && m_prepareWindows && !m_prepareWindows(*this))
        return ExitNotCompleted;
    // A command-line run is never handed to a running instance: the other
    // instance would take "/f" for a session file and the run would be lost.
    // The hand-over comes before this start reads its session: the running
    // instance opens it, and a broken file is reported there alone.
    if (WindowsShown() && start != Start::CommandLine && m_instanceGuard) {
        switch (m_instanceGuard(HandOverText(start))) {
        case HandOver::StartHere:
            break;
        case HandOver::HandedOver:
            return ExitCompleted;
        case HandOver::Refused:
            return ExitNotCompleted;
        }
    }
    if (!ReadFirstArgument(start))
        return ExitWrongCall;
    CShellIntegration shell(settings.ModulePath, *m_prompter);
    // The offer belongs to the first start that shows a window: a cron run
    // or a service would answer No for the user and use the offer up.
    if (WindowsShown())
        shell.FirstRunCheck();
    LoadSettings(settings, shell);
    m_settings.Replace(settings);
    if (m_arguments.empty() && settings.SchedulerActive)
        m_session.OpenLastSession(*m_prompter);

    if (m_request.CmdVersions)
        return RunVersionCommand();
    if (m_request.CmdRun) {
        if (m_request.CmdDryRun)
            return RunPreview();
        if (m_request.CmdMakeDefault)
            ApplyCommandLineDefaults();
        if (!m_request.CmdExecute)
            return ExitCompleted;
    }
    if (WindowsShown())
        return m_mainWindow(*this);
    return RunWithoutWindows(start);
}

// Replaces the long options by their slash switches; the exit status when
// the program ends here (--help, --version, a wrong long option), else -1.
int CKorvaneApp::ReadLongOptions()
{
    LongOptions options = LongOptions::Translate(m_arguments);
    const std::string name = ProgramName(m_argumentZero);
    if (!options.error.empty()) {
        std::cerr << name << ": " << TerminalSafeText(options.error) << "\n"
                  << CommandLineHelpText(name) << "Try '" << name << " --help' for more information.\n";
        return ExitWrongCall;
    }
    if (options.help || options.version) {
        std::cout << (options.help ? LongOptions::HelpText(name) : LongOptions::VersionText(name));
        std::cout.flush();
        return std::cout ? ExitCompleted : ExitWrongCall;
    }
    m_arguments = std::move(options.arguments);
    m_nullSeparated = options.nullSeparated;
    m_listVersions = options.versions;
    m_restoreVersion = options.restoreVersion;
    m_restoreAt = options.at;
    m_restoreTo = options.to;
    return -1;
}

CKorvaneApp::Start CKorvaneApp::StartOf() const
{
    if (m_listVersions || !m_restoreVersion.empty())
        return Start::CommandLine;
    if (m_arguments.empty())
        return Start::Plain;
    const std::string& first = m_arguments.front();
    if (!IsSwitchWord(first))
        return Start::SessionFile;
    return CTextCase::Lower(first) == "/i" ? Start::Automatic : Start::CommandLine;
}

// False when the program must end (the command line was wrong or its
// session or set could not be opened).
bool CKorvaneApp::ReadFirstArgument(Start& start)
{
    if (start == Start::CommandLine && (m_listVersions || !m_restoreVersion.empty()))
        return ParseVersionCommand(m_arguments, m_restoreVersion, ProgramName(m_argumentZero), m_session, *m_prompter,
                   std::cerr, m_request)
            != 0;
    if (m_arguments.empty())
        return true;
    const std::string& first = m_arguments.front();
    if (!IsSwitchWord(first)) {
        start = Start::SessionFile;
        if (m_session.OpenSession(*m_prompter, &first) < -1) {
            m_prompter->MessageBox(m_session.FailureMessage(57688), MbOk | MbIconError);
        }
        return true;
    }
    if (CTextCase::Lower(first) == "/i") {
        start = Start::Automatic;
        m_session.OpenLastSession(*m_prompter);
        return true;
    }
    start = Start::CommandLine;
    return ParseCommandLine(m_arguments, ProgramName(m_argumentZero), m_session, *m_prompter, std::cerr, m_request)
        != 0;
}

// The running instance has another working folder: a relative session path
// is made absolute here.
std::optional<std::string> CKorvaneApp::HandOverText(Start start) const
{
    if (m_arguments.empty())
        return std::nullopt;
    const std::string& first = m_arguments.front();
    if (start != Start::SessionFile || first.empty())
        return first;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(first, error);
    return error ? first : absolute.lexically_normal().string();
}

// /d: the set and action become the session's defaults. The save's result is
// not checked; the run goes on even if it failed.
void CKorvaneApp::ApplyCommandLineDefaults()
{
    m_session.Edit([this](CSession& session) {
        session.ActiveSet = m_request.CmdSetIndex;
        session.Sets[static_cast<std::size_t>(m_request.CmdSetIndex)].ActiveAction = m_request.CmdAction;
    });
    m_session.SaveSession(*m_prompter);
}

int CKorvaneApp::RunWithoutWindows(Start start)
{
    if (start == Start::CommandLine)
        return RunUnattended();
    if (start == Start::Automatic)
        return RunScheduler();
    const char* why = CTerminal::HasDisplay() ? "" : " (no display)";
    std::cerr << "Korvane: no window can be shown here" << why << ". Run a backup set like this:\n\n"
              << CommandLineHelpText(ProgramName(m_argumentZero))
              << "\nor run the scheduler with: " << ProgramName(m_argumentZero) << " /i\n";
    return ExitWrongCall;
}

CPasswordStore& CKorvaneApp::Passwords()
{
    return m_services->passwords;
}

std::unique_ptr<CActionRunner> CKorvaneApp::MakeActionRunner(CRunDisplay& display)
{
    return MakeRunner(display, false);
}

void CKorvaneApp::SetStopHandler(std::function<void()> handler)
{
    std::lock_guard lock(m_services->stopMutex);
    m_stopHandler = std::move(handler);
}

std::unique_ptr<CActionRunner> CKorvaneApp::MakeRunner(CRunDisplay& display, bool)
{
    const CActionRunner::Services services { *m_prompter, display, *m_services->sounds, m_services->mailer,
        m_services->powerOff, m_services->media, CClock::System() };
    return std::make_unique<CActionRunner>(m_session, m_settings, m_flags, services);
}

int CKorvaneApp::RunUnattended()
{
    if (m_request.CmdAsk && m_prompter->MessageBox(LoadString(57724), MbYesNo | MbIconQuestion) != IdYes)
        return ExitNotCompleted;
    CConsoleDisplay display(std::cerr, CTerminal::ErrorIsTerminal(), CTerminal::ErrorColumns(), m_flags.ActionCancel);
    auto runner = MakeRunner(display, m_request.CmdVerbose != 0);
    const RunResult result = runner->RunCommandLine(
        m_request.CmdSetIndex, m_request.CmdAction, m_request.CmdVerbose != 0, m_request.CmdIgnoreErrors != 0);
    // Only a run that got to its end is reported as completed.
    const bool completed = result == RunResult::Completed || result == RunResult::CompletedWithErrors;
    if (m_request.CmdNotifyDone && completed)
        m_prompter->MessageBox(LoadString(57725), MbOk | MbIconInformation);
    return ExitStatusOf(result);
}

// --dry-run: never a window, whatever the display, and nothing written, so
// /d (a save), /q and /c, which belong to a real run, are passed over. The
// run decides everything as a real run would; what it would do goes to
// standard output, what it could not read or would fail on to standard error.
int CKorvaneApp::RunPreview()
{
    CConsoleDisplay display(std::cerr, CTerminal::ErrorIsTerminal(), CTerminal::ErrorColumns(), m_flags.ActionCancel);
    display.SetPreviewOutput(
        std::cout, m_nullSeparated ? '\0' : '\n', CTerminal::OutputIsTerminal() && !m_nullSeparated);
    auto runner = MakeRunner(display, m_request.CmdVerbose != 0);
    return ExitStatusOf(runner->RunPreview(m_request.CmdSetIndex, m_request.CmdAction, m_request.CmdVerbose != 0));
}

// --versions and --restore-version: never a window, and the session is
// only read.
int CKorvaneApp::RunVersionCommand()
{
    const CSet& set = m_session.Sets[static_cast<std::size_t>(m_request.CmdSetIndex)];
    CVersionCommand command(set, *m_prompter, CClock::System().Now());
    if (m_request.CmdVersions == 1)
        return command.List(m_request.CmdVersionPath, std::cout, m_nullSeparated ? '\0' : '\n', std::cerr);
    return command.Restore(m_request.CmdVersionPath, m_restoreAt, m_restoreTo);
}

// "/i" without windows: the scheduler alone, until SIGTERM or SIGINT. Being
// started this way is what activates it, so it does not wait for the
// desktop's automatic start entry.
int CKorvaneApp::RunScheduler()
{
    // The summary mail may ask the keyring for the SMTP password.
    CCoreApplication application(m_argumentZero);
    m_settings.Update([](SettingsRecord& settings) { settings.SchedulerActive = true; });
    CConsoleDisplay display(std::cerr, false, 80, m_flags.ActionCancel);
    display.SetNotifications(std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr);
    auto runner = MakeRunner(display, false);
    CSchedulerThread scheduler(m_session, m_settings, m_flags, *m_prompter, CClock::System(),
        [&runner](const CSet& set) { runner->RunScheduled(set); });
    {
        std::unique_lock lock(m_services->stopMutex);
        m_services->runningScheduler = true;
        if (m_stopRequested)
            return ExitCompleted;
        std::cerr << "Korvane: scheduler running\n";
        scheduler.Start();
        m_services->stopWake.wait(lock, [this] { return m_stopRequested.load(); });
    }
    // No new events; a running action ends as cancelled.
    scheduler.RequestStop();
    while (!scheduler.Finished()) {
        m_flags.ActionCancel = 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    scheduler.Stop();
    std::cerr << "Korvane: scheduler stopped\n";
    return ExitCompleted;
}

void CKorvaneApp::OnTerminationSignal()
{
    std::lock_guard lock(m_services->stopMutex);
    if (m_stopHandler) {
        m_stopHandler();
        return;
    }
    m_flags.ActionCancel = 1;
    m_stopRequested = true;
    m_services->stopWake.notify_all();
    // Outside the scheduler and between actions (a question on the terminal,
    // loading the session) there is nothing to cancel: end at once.
    if (!m_services->runningScheduler && m_flags.ActionRunning == 0) {
        std::cerr << "\nKorvane: stopped\n";
        std::_Exit(ExitNotCompleted);
    }
}
