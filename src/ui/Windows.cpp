#include "ui/Windows.h"

#include "StringTable.h"
#include "app/KorvaneApp.h"
#include "app/WindowHooks.h"
#include "platform/Clock.h"
#include "ui/KorvaneDlg.h"
#include "ui/MyDialog.h"
#include "ui/QtPrompter.h"
#include "ui/RunWindows.h"
#include "ui/SingleInstance.h"
#include "ui/TestDrive.h"
#include "ui/UIEffects.h"
#include "ui/UiContext.h"
#include "web/Connectivity.h"
#include "web/UpdateCheck.h"
#include "web/WebTexts.h"

#include <QApplication>
#include <QTimer>
#include <memory>
#include <type_traits>

namespace {

struct WindowState {
    std::unique_ptr<QApplication> application;
    CQtPrompter* prompter = nullptr; // owned by the application's prompter slot
    std::unique_ptr<CSingleInstance> instance;
};

// The start-up lock is held from here until the main window has published
// itself (or this start has handed over and ends). Without it a second
// window could start beside the first, so a start that cannot take it ends.
CKorvaneApp::HandOver HandOver(WindowState& state, const std::optional<std::string>& text)
{
    state.instance = std::make_unique<CSingleInstance>();
    if (!state.instance->LockStartup()) {
        state.prompter->MessageBox(state.instance->StartupRefusal(), MbOk | MbIconError);
        return CKorvaneApp::HandOver::Refused;
    }
    return state.instance->ActivateOtherInstance(text) ? CKorvaneApp::HandOver::HandedOver
                                                       : CKorvaneApp::HandOver::StartHere;
}

void Publish(WindowState& state, CKorvaneDlg& window)
{
    if (!state.instance)
        return;
    state.instance->PublishInstance();
    // Queued: the hand-over may ask questions, which must not run inside
    // the socket's own notification.
    QObject::connect(
        state.instance.get(), &CSingleInstance::HandedOver, &window, [&window](const std::optional<std::string>& text) {
            QTimer::singleShot(0, &window, [&window, text] { window.ReceiveHandOver(text); });
        });
}

bool Prepare(CKorvaneApp& app, WindowState& state, int& argc, char** argv)
{
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("korvane"));
    // The program ends when the main window says so, not when the last
    // window happens to close (a message box before the main window).
    QApplication::setQuitOnLastWindowClosed(false);
    state.application = std::make_unique<QApplication>(argc, argv);
    auto prompter = std::make_unique<CQtPrompter>();
    state.prompter = prompter.get();
    app.SetPrompter(std::move(prompter));
    return true;
}

// The weekly update check, when the settings ask for it and it is due. It
// is called once the event loop runs, so nothing of it delays the window;
// the request is asynchronous, and the offer's Yes opens the Check For
// Updates window through the window's own queue.
std::unique_ptr<CUpdateCheck> StartUpdateCheck(CKorvaneApp& app, CKorvaneDlg& window)
{
    const SettingsRecord settings = *app.Settings().Get();
    if (settings.General.CheckUpdates == 0 || !settings.HasConnectivityProbe)
        return nullptr;
    CPrompter& prompter = app.Prompter();
    auto check = std::make_unique<CUpdateCheck>(
        CWebEndpoint::FromSettings(settings), CClock::System(),
        [&prompter](const std::string& version) {
            const std::string text = FormatString(WebTexts::kNewVersion, version.c_str());
            return prompter.MessageBox(text, MbYesNo | MbIconQuestion) == IdYes;
        },
        [&window] { QMetaObject::invokeMethod(&window, &CKorvaneDlg::CheckForUpdates, Qt::QueuedConnection); });
    if (!check->StartIfDue(CConnectivity::Connected()))
        return nullptr;
    return check;
}

int RunMainWindow(CKorvaneApp& app, WindowState& state)
{
    const SettingsRecord settings = *app.Settings().Get();
    CMyDialog::SetTooltipDelay(settings.General.TooltipDelay);
    CUIEffects::SetEnabled(settings.General.AlphaBlending != 0);
    CUiContext context(app.Session(), app.Settings(), app.Flags(), app.Prompter(), app.Request());
    context.SetPasswords(&app.Passwords());
    CKorvaneDlg::Services services { [&app](CRunDisplay& display) { return app.MakeActionRunner(display); },
        CClock::System(), true };
    CKorvaneDlg window(context, services);
    state.prompter->SetOwner(&window);
    state.prompter->SetGate(&window.RunWindows().Gate());
    QObject::connect(&window, &CKorvaneDlg::ClosedForGood, state.application.get(), &QApplication::quit);
    app.SetStopHandler(
        [&window] { QMetaObject::invokeMethod(&window, &CKorvaneDlg::CloseForSignal, Qt::QueuedConnection); });
    Publish(state, window);
    std::unique_ptr<CUpdateCheck> updateCheck;
    QTimer::singleShot(0, &window, [&] { updateCheck = StartUpdateCheck(app, window); });
    // With the scheduler on, the window starts out of the way: in the tray,
    // or on the task bar where no tray icon can be seen.
    window.ShowAtStart(app.StartedAutomatically());
    if (CTestDrive::Wanted())
        CTestDrive::Start(window);
    QApplication::exec();
    app.SetStopHandler({});
    state.prompter->Close();
    return 0;
}

} // namespace

void MakeWindowHooks(WindowHooks& hooks, int& argc, char** argv)
{
    auto state = std::make_shared<WindowState>();
    hooks.prepare = [state, &argc, argv](CKorvaneApp& self) { return Prepare(self, *state, argc, argv); };
    hooks.mainWindow = [state](CKorvaneApp& self) { return RunMainWindow(self, *state); };
    hooks.instanceGuard = [state](const std::optional<std::string>& text) { return HandOver(*state, text); };
}

void KorvaneWindowHooks(WindowHooks& hooks, int& argc, char** argv)
{
    static_assert(std::is_same_v<decltype(&KorvaneWindowHooks), WindowHooksEntry>);
    MakeWindowHooks(hooks, argc, argv);
}
