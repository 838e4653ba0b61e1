#include "common/EventualAssert.h"
#include "ui/TrayIcon.h"

#include "DialogTestSupport.h"
#include "common/FakeClock.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "platform/MediaRoot.h"
#include "scheduler/RunnerFixture.h"
#include "ui/KorvaneDlg.h"
#include "ui/RunWindows.h"
#include "ui/UiContext.h"
#include "ui/WindowedRunDisplay.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

namespace {

std::vector<std::string> Items(const QMenu& menu)
{
    std::vector<std::string> items;
    for (const QAction* action : menu.actions())
        items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    return items;
}

QImage Picture(const QIcon& icon)
{
    return icon.pixmap(16, 16).toImage();
}

TEST(TrayIcon, MenusHoldTheirCommands)
{
    CTrayIcon tray(true);
    EXPECT_EQ(Items(*tray.DefaultMenu()),
        (std::vector<std::string> {
            "About Korvane...", "-", "Maximize", "Minimize", "-", "Settings...", "-", "Exit" }));
    EXPECT_EQ(tray.MenuId(), CTrayIcon::kDefaultMenu);
    tray.SetMenu(CTrayIcon::kActionMenu);
    EXPECT_EQ(Items(*tray.CurrentMenu()), (std::vector<std::string> { "&Cancel Action..." }));
    tray.SetMenu(0);
    EXPECT_EQ(tray.CurrentMenu(), tray.DefaultMenu());

    std::vector<int> chosen;
    QObject::connect(&tray, &CTrayIcon::CommandChosen, [&chosen](int command) { chosen.push_back(command); });
    tray.Action(CTrayIcon::Exit)->trigger();
    tray.Action(CTrayIcon::CancelAction)->trigger();
    EXPECT_EQ(chosen, (std::vector<int> { CTrayIcon::Exit, CTrayIcon::CancelAction }));
}

TEST(TrayIcon, ClickRunsTheEnabledDefaultItemOnce)
{
    CTrayIcon tray(true);
    int minimised = 0;
    QObject::connect(&tray, &CTrayIcon::CommandChosen, [&minimised](int command) {
        if (command == CTrayIcon::Minimize)
            ++minimised;
    });
    tray.SetDefaultItem(CTrayIcon::Minimize);
    EXPECT_EQ(tray.DefaultItem(), tray.Action(CTrayIcon::Minimize));
    EXPECT_TRUE(tray.DefaultItem()->font().bold() || tray.DefaultMenu()->defaultAction() == tray.DefaultItem());
    // A double-click that arrives as a click and a double-click acts once.
    tray.Activate(QSystemTrayIcon::Trigger);
    tray.Activate(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(minimised, 1);
    tray.Activate(QSystemTrayIcon::Context);
    EXPECT_EQ(minimised, 1);
    tray.Action(CTrayIcon::Minimize)->setEnabled(false);
    tray.Activate(QSystemTrayIcon::Trigger);
    EXPECT_EQ(minimised, 1);
    // The action menu has no default item: a click does nothing there.
    tray.SetMenu(CTrayIcon::kActionMenu);
    EXPECT_EQ(tray.DefaultItem(), nullptr);
}

TEST(TrayIcon, AnimationTurnsThroughTwelveOwnFramesAndPutsTheIconBack)
{
    const std::vector<QIcon> frames = CTrayIcon::AnimationFrames();
    ASSERT_EQ(frames.size(), 12u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        ASSERT_FALSE(frames[i].isNull()) << i;
        EXPECT_NE(Picture(frames[i]), Picture(frames[(i + 1) % frames.size()])) << i;
    }
    CTrayIcon tray(true);
    tray.Create(QStringLiteral("Korvane"), false);
    const QImage still = Picture(tray.CurrentIcon());
    tray.Animate(CTrayIcon::kFrameDelayMs, -1);
    EXPECT_TRUE(tray.Animating());
    for (int tick = 1; tick <= 30; ++tick) {
        tray.NextFrame();
        ASSERT_EQ(tray.Frame(), tick % 12);
    }
    EXPECT_EQ(Picture(tray.CurrentIcon()), Picture(frames[6]));
    tray.StopAnimation();
    EXPECT_FALSE(tray.Animating());
    EXPECT_EQ(Picture(tray.CurrentIcon()), still);

    // One second at 83 ms a frame is twelve frames; the thirteenth ends it.
    tray.Animate(CTrayIcon::kFrameDelayMs, 1);
    for (int tick = 0; tick < 12; ++tick)
        tray.NextFrame();
    EXPECT_TRUE(tray.Animating());
    tray.NextFrame();
    EXPECT_FALSE(tray.Animating());

    tray.SetAnimationEnabled(false);
    tray.Animate(CTrayIcon::kFrameDelayMs, -1);
    EXPECT_FALSE(tray.Animating());
}

TEST(TrayIcon, TooltipWaitsWhileHidden)
{
    CTrayIcon tray(true);
    tray.Create(QStringLiteral("Korvane"), true);
    EXPECT_TRUE(tray.Hidden());
    tray.SetTooltip(QStringLiteral("Getting file information..."));
    tray.ShowIcon();
    EXPECT_FALSE(tray.Hidden());
    EXPECT_EQ(tray.Tooltip(), QStringLiteral("Getting file information..."));
}

TEST(TrayIcon, WithoutANotificationAreaTheWindowGoesToTheTaskBar)
{
    for (const bool available : { false, true }) {
        CTrayIcon tray(available);
        // Available but hidden (TrayHideIdle) is as good as none.
        tray.Create(QStringLiteral("Korvane"), true);
        QWidget window;
        window.show();
        EXPECT_FALSE(tray.MinimiseToTray(window));
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(window.isMinimized());
        tray.RestoreFromTray(window);
        EXPECT_FALSE(window.isMinimized());
    }
}

// The main window over a tray with a notification area, the scheduler on.
class TrayWindowTest : public ::testing::Test, protected UiContextParts {
protected:
    TrayWindowTest()
    {
        session.Sets.emplace_back().Name = "Docs";
        saved = session;
        SettingsRecord record;
        record.SchedulerActive = true;
        settings.Replace(record);
    }

    CKorvaneDlg& Window(bool trayAvailable = true)
    {
        if (!window) {
            CKorvaneDlg::Services services { [this](CRunDisplay& display) {
                                                const CActionRunner::Services services { prompter, display, sounds,
                                                    mailer, powerOff, media, clock };
                                                return std::make_unique<CActionRunner>(
                                                    session, settings, flags, services);
                                            },
                clock, false, trayAvailable };
            window = std::make_unique<CKorvaneDlg>(context, services);
        }
        return *window;
    }

    void ExpectWindowState(CKorvaneDlg& w, bool inTray)
    {
        CTrayIcon& tray = w.Tray();
        EXPECT_EQ(w.InTray(), inTray);
        EXPECT_EQ(w.isVisible(), !inTray);
        EXPECT_EQ(tray.Action(CTrayIcon::Maximize)->isEnabled(), inTray);
        EXPECT_EQ(tray.Action(CTrayIcon::Minimize)->isEnabled(), !inTray);
        EXPECT_EQ(tray.DefaultItem(), tray.Action(inTray ? CTrayIcon::Maximize : CTrayIcon::Minimize));
    }

    FakeClock clock;
    RecordingSounds sounds;
    RecordingMailer mailer;
    FakePowerOff powerOff;
    CMediaRoot media;
    std::unique_ptr<CKorvaneDlg> window;
};

TEST_F(TrayWindowTest, MinimizeAndMaximizeSwapWithTheWindowState)
{
    CKorvaneDlg& w = Window();
    EXPECT_FALSE(w.Tray().Hidden());
    w.ShowAtStart(false);
    ExpectWindowState(w, true);

    w.Tray().Activate(QSystemTrayIcon::DoubleClick);
    ExpectWindowState(w, false);
    EXPECT_FALSE(w.isMinimized());

    w.Tray().Action(CTrayIcon::Minimize)->trigger();
    ExpectWindowState(w, true);
    w.Tray().Action(CTrayIcon::Maximize)->trigger();
    ExpectWindowState(w, false);
}

TEST_F(TrayWindowTest, TheWindowNeverStaysBehindAnIconThatWentAway)
{
    CKorvaneDlg& w = Window();
    w.show();
    w.MinimiseToTray();
    ASSERT_TRUE(w.InTray());
    // A scheduled event with TrayHideIdle hides the icon at its end.
    w.Tray().HideIcon();
    EXPECT_FALSE(w.InTray());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMinimized());
    EXPECT_TRUE(w.Tray().Action(CTrayIcon::Minimize)->isEnabled());

    // Settings that hide the icon bring a window in the tray back.
    w.Tray().ShowIcon();
    w.MinimiseToTray();
    settings.Update([](SettingsRecord& record) { record.Scheduler.TrayHideIdle = 1; });
    w.UpdateTray();
    EXPECT_TRUE(w.Tray().Hidden());
    ExpectWindowState(w, false);
}

TEST_F(TrayWindowTest, WithoutATrayTheWindowStaysOnTheTaskBar)
{
    CKorvaneDlg& w = Window(false);
    w.ShowAtStart(true);
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMinimized());
    w.showNormal();
    w.MinimiseToTray();
    EXPECT_FALSE(w.InTray());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMinimized());

    // A plain start with the scheduler active would go into the tray: it
    // stays on the task bar instead, never hidden.
    window.reset();
    CKorvaneDlg& plain = Window(false);
    plain.ShowAtStart(false);
    EXPECT_FALSE(plain.InTray());
    EXPECT_TRUE(plain.isVisible());
    EXPECT_TRUE(plain.isMinimized());

    // Without the scheduler the window opens as usual.
    window.reset();
    settings.Update([](SettingsRecord& record) { record.SchedulerActive = false; });
    CKorvaneDlg& idle = Window(false);
    idle.ShowAtStart(false);
    EXPECT_TRUE(idle.isVisible());
    EXPECT_FALSE(idle.isMinimized());
}

TEST_F(TrayWindowTest, CancelActionSetsTheCancelFlagOfTheRunningAction)
{
    CKorvaneDlg& w = Window();
    w.Tray().Action(CTrayIcon::CancelAction)->trigger();
    EXPECT_EQ(flags.ActionCancel.load(), 0);
    flags.ActionRunning = 1;
    w.Tray().SetMenu(CTrayIcon::kActionMenu);
    w.Tray().CurrentMenu()->actions().front()->trigger();
    EXPECT_EQ(flags.ActionCancel.load(), 1);
    flags.ActionRunning = 0;
}

// What a run shows in the tray comes from the run's own thread as values.
TEST_F(TrayWindowTest, ARunOnAnotherThreadDrivesTheTray)
{
    CKorvaneDlg& w = Window();
    w.Tray().HideIcon();
    CWindowedRunDisplay display(w.RunWindows(), &w.RunWindows(), flags.ActionCancel, &w.Tray(), &w);
    std::thread run([&display] {
        EXPECT_TRUE(display.TrayHidden());
        display.ShowTray();
        display.SetTrayTooltip("Getting file information...");
        display.SetTrayMenu(CTrayIcon::kActionMenu);
        display.AnimateTray(true);
    });
    run.join();
    ASSERT_EVENTUALLY(w.Tray().Animating());
    EXPECT_FALSE(w.Tray().Hidden());
    EXPECT_EQ(w.Tray().MenuId(), CTrayIcon::kActionMenu);
    EXPECT_EQ(w.Tray().Tooltip(), QStringLiteral("Getting file information..."));

    std::thread end([&display] {
        display.SetTrayTooltip("Korvane");
        display.SetTrayMenu(0);
        display.AnimateTray(false);
        display.HideTray();
    });
    end.join();
    ASSERT_EVENTUALLY(w.Tray().Hidden());
    EXPECT_FALSE(w.Tray().Animating());
    EXPECT_EQ(w.Tray().MenuId(), CTrayIcon::kDefaultMenu);
    EXPECT_EQ(w.Tray().Tooltip(), QStringLiteral("Korvane"));
}

// The countdown after a scheduled run runs out (a millisecond a second
// here) and the power-off is accepted: the program ends without questions.
TEST_F(TrayWindowTest, ARunThatPowersOffEndsTheProgram)
{
    TempDir dir;
    dir.Write("src/a.txt", "alpha");
    CSet set;
    set.Name = "Docs";
    CBackup& entry = set.Entries.emplace_back();
    entry.SourceFolder = dir / "src";
    entry.DestinationFolder = dir / "dest";
    entry.IncludeFiles = "*.*";
    settings.Update([](SettingsRecord& record) {
        record.Actions.PostShutdown = 1;
        record.Scheduler.DisplayInformation = 0;
        record.Scheduler.DisplayProgress = 0;
        record.Scheduler.DisplaySummary = 0;
    });
    CKorvaneDlg& w = Window();
    w.show();
    w.Runs().SetDesktop(&w.Tray(), &w, 1);
    std::atomic<int> result { -1 };
    std::thread scheduler([&] { result = static_cast<int>(w.Runs().RunScheduled(set)); });
    ASSERT_EVENTUALLY_WITHIN(w.Closed(), 20000);
    scheduler.join();
    EXPECT_EQ(result.load(), static_cast<int>(RunResult::PoweredOff));
    EXPECT_EQ(powerOff.requests, 1);
    EXPECT_EQ(TempDir::Read(dir / "dest/src/a.txt"), "alpha");
    EXPECT_TRUE(prompter.asked.empty());
}

} // namespace
