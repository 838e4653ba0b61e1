#include "common/EventualAssert.h"
#include "ui/ShutDownDlg.h"

#include "StringTable.h"
#include "scheduler/RunnerFixture.h"
#include "scheduler/ShutdownCountdown.h"
#include "ui/DialogTestSupport.h"
#include "ui/WindowedRunDisplay.h"
#include "ui/RunWindows.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

namespace {

QString Seconds(int count)
{
    return QString::fromStdString(FormatString(LoadString(57709).c_str(), count));
}

// The timer never runs in these tests: each tick is driven by hand.
constexpr int kNeverMs = 24 * 3600 * 1000;

TEST(ShutDownDlg, OpensAtTwentyNineAndCancelPreventsThePowerOff)
{
    FakePowerOff powerOff;
    CShutdownCountdown countdown(powerOff);
    CShutDownDlg dialog(countdown, nullptr, kNeverMs);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Shutdown"));
    EXPECT_EQ(dialog.findChild<QGroupBox*>()->title(), QStringLiteral("Status"));
    dialog.show();
    EXPECT_EQ(dialog.StatusText(), Seconds(29));
    EXPECT_TRUE(dialog.Timer().isActive());
    EXPECT_EQ(dialog.Timer().interval(), kNeverMs);
    for (int i = 0; i < 27; ++i)
        dialog.Tick();
    EXPECT_EQ(dialog.StatusText(), Seconds(2));
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.Timer().isActive());
    EXPECT_TRUE(countdown.Cancelled());
    dialog.Tick();
    dialog.Tick();
    EXPECT_EQ(powerOff.requests, 0);
    EXPECT_TRUE(ClippedTexts(dialog).empty());
}

TEST(ShutDownDlg, RunningOutAsksForThePowerOffOnce)
{
    FakePowerOff powerOff;
    CShutdownCountdown countdown(powerOff);
    CShutDownDlg dialog(countdown, nullptr, kNeverMs);
    dialog.show();
    for (int i = 0; i < 28; ++i)
        dialog.Tick();
    EXPECT_EQ(powerOff.requests, 0);
    EXPECT_TRUE(dialog.CancelButton()->isEnabled());
    dialog.Tick();
    EXPECT_EQ(powerOff.requests, 1);
    EXPECT_EQ(dialog.StatusText(), Seconds(0));
    EXPECT_FALSE(dialog.CancelButton()->isEnabled());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.Timer().isActive());
    // Too late to cancel now; no second request either.
    dialog.reject();
    dialog.Tick();
    EXPECT_FALSE(countdown.Cancelled());
    EXPECT_EQ(powerOff.requests, 1);
    EXPECT_TRUE(countdown.PoweredOff());
}

// The run waits on its own thread while the window counts on the interface
// thread, whose timer is shortened to a millisecond.
TEST(ShutDownDlg, TheRunWaitsForTheWindowOnItsThread)
{
    QWidget owner;
    CActionFlags flags;
    CRunWindows view(flags.ActionCancel, &owner);
    for (const bool cancel : { false, true }) {
        FakePowerOff powerOff;
        CShutdownCountdown countdown(powerOff);
        OnDialog<CShutDownDlg> person([cancel](CShutDownDlg& dialog) {
            if (cancel)
                QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
        });
        CWindowedRunDisplay display(view, &view, flags.ActionCancel, nullptr, &owner, cancel ? kNeverMs : 1);
        std::atomic<bool> done { false };
        std::thread run([&] {
            display.ShowShutdown(countdown);
            done = true;
        });
        ASSERT_EVENTUALLY_WITHIN(done.load(), 20000);
        run.join();
        EXPECT_EQ(person.seen, 1);
        EXPECT_EQ(countdown.PoweredOff(), !cancel);
        EXPECT_EQ(powerOff.requests, cancel ? 0 : 1);
    }
}

TEST(ShutDownDlg, WithoutAWindowToOwnItTheCountdownIsCancelled)
{
    CActionFlags flags;
    FakePowerOff powerOff;
    CShutdownCountdown countdown(powerOff);
    CRunWindows view(flags.ActionCancel, nullptr);
    CWindowedRunDisplay display(view, &view, flags.ActionCancel, nullptr, nullptr, 1);
    display.ShowShutdown(countdown);
    EXPECT_TRUE(countdown.Cancelled());
    EXPECT_EQ(powerOff.requests, 0);
}

} // namespace
