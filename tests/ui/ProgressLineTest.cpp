// What the progress window tells of a copy: the folder in hand and the
// bytes line, its pace and time left taken on a clock the test moves.
#include "common/FakeClock.h"
#include "ui/ProgressDlg.h"
#include "ui/TransferRate.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr std::uint64_t kMB = 1024 * 1024;

ProgressSnapshot Copying(std::uint64_t done, std::uint64_t total)
{
    ProgressSnapshot s;
    s.Totals = { 1000, 10, 0, 0 };
    s.FoldersDone = 10; // every folder is made before the first copy
    s.FilesDone = 300;
    s.Deleting = false;
    s.CurrentFolder = "/home/anna/pictures/2025";
    s.CurrentFile = "/home/anna/pictures/2025/beach.jpg";
    s.CurrentFileSize = 3 * kMB;
    s.BytesDone = done;
    s.BytesTotal = total;
    return s;
}

} // namespace

TEST(TransferRateTest, PaceAndTimeLeftFollowTheLastSeconds)
{
    CTransferRate rate;
    rate.Add(0, 0);
    // Less than a second seen: no pace yet.
    rate.Add(500, 5 * kMB);
    EXPECT_EQ(rate.Text(5 * kMB, 100 * kMB), "5.00 MB of 100.00 MB");
    rate.Add(2000, 20 * kMB);
    EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 10.0 * kMB);
    EXPECT_EQ(rate.Text(20 * kMB, 100 * kMB), "20.00 MB of 100.00 MB \u00b7 10.00 MB/s \u00b7 about 8 s left");

    // The copy slows to 1 MB/s; five seconds on, the old pace is forgotten.
    for (std::uint32_t tick = 3000; tick <= 8000; tick += 1000)
        rate.Add(tick, 20 * kMB + (tick - 2000) / 1000 * kMB);
    EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 1.0 * kMB);
    EXPECT_EQ(rate.Text(26 * kMB, 100 * kMB), "26.00 MB of 100.00 MB \u00b7 1.00 MB/s \u00b7 about 2 min left");

    // All done: no time left to tell.
    EXPECT_EQ(rate.Text(100 * kMB, 100 * kMB), "100.00 MB of 100.00 MB");
    // Nothing to copy: no line.
    EXPECT_EQ(rate.Text(0, 0), "");
}

TEST(TransferRateTest, TicksThatWrapAndCountsThatGoBack)
{
    CTransferRate rate;
    rate.Add(0xFFFFFC18u, 0); // one second before the tick count wraps
    rate.Add(1000, 4 * kMB);
    EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 2.0 * kMB);
    // A count below the last belongs to another copy: the pace starts over.
    rate.Add(2000, kMB);
    EXPECT_EQ(rate.BytesPerSecond(), 0);
    EXPECT_EQ(rate.Text(0, 5 * kMB), "0 bytes of 5.00 MB");
}

TEST(TransferRateTest, DurationsRoundUp)
{
    EXPECT_EQ(CTransferRate::DurationText(0), "0 s");
    EXPECT_EQ(CTransferRate::DurationText(59), "59 s");
    EXPECT_EQ(CTransferRate::DurationText(61), "2 min");
    EXPECT_EQ(CTransferRate::DurationText(3600), "1 h 0 min");
    EXPECT_EQ(CTransferRate::DurationText(7441), "2 h 5 min");
}

TEST(ProgressDlgTest, FolderRowAndBytesLineFollowTheCopies)
{
    FakeClock clock;
    std::atomic<std::int32_t> cancel { 0 };
    auto monitor = std::make_shared<CProgressMonitor>(Copying(0, 3 * 1024 * kMB));
    CProgressDlg window(0, {}, std::make_shared<CMonitorGuard<ProgressSnapshot>>(monitor), cancel);
    window.SetClock(clock);
    window.Tick();
    // The folders are all made, and the row follows the copies' folder.
    EXPECT_EQ(window.TextOf(CProgressDlg::Folders), QStringLiteral("10 of 10"));
    EXPECT_EQ(window.TextOf(CProgressDlg::CurrentFolder), QStringLiteral("/home/anna/pictures/2025"));
    EXPECT_EQ(window.TextOf(CProgressDlg::Transfer), QStringLiteral("0 bytes of 3.00 GB"));

    clock.AdvanceMs(2000);
    monitor->Publish(Copying(90 * kMB, 3 * 1024 * kMB));
    window.Tick();
    EXPECT_EQ(window.TextOf(CProgressDlg::Transfer),
        QStringLiteral("90.00 MB of 3.00 GB \u00b7 45.00 MB/s \u00b7 about 2 min left"));
    // The specified texts stay as they were.
    EXPECT_EQ(window.TextOf(CProgressDlg::Files), QStringLiteral("300 of 1000"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Backup Progress [30%]"));

    // Before the first item and after the last nothing is in hand.
    ProgressSnapshot last = Copying(3 * 1024 * kMB, 3 * 1024 * kMB);
    last.FilesDone = 1000;
    monitor->Publish(last);
    window.Tick();
    EXPECT_EQ(window.TextOf(CProgressDlg::CurrentFolder), QString());
    EXPECT_EQ(window.TextOf(CProgressDlg::Transfer), QStringLiteral("3.00 GB of 3.00 GB"));
}
