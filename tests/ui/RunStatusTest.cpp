#include "common/EventualAssert.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "platform/DesktopLibrary.h"
#include "platform/MediaRoot.h"
#include "scheduler/RunHistory.h"
#include "scheduler/RunnerFixture.h"
#include "ui/KorvaneDlg.h"
#include "ui/QtPrompter.h"
#include "ui/RunNotices.h"
#include "ui/RunView.h"
#include "ui/RunWindows.h"
#include "ui/TrayIcon.h"
#include "ui/UiContext.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>

// The desktop library's sender, linked into the tests directly.
extern "C" void KorvaneNotify(const DesktopNotification& notification, std::function<void(bool)> done);

namespace {

const std::string kDot = " \xC2\xB7 ";

std::time_t Local(int year, int month, int day, int hour, int minute)
{
    std::tm fields {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

// A main window on a session file with a daily set "Docs" and an
// unscheduled "Other", the scheduler active, and a clock at 8 December
// 2026, 12:00.
class RunStatusWindowTest : public ::testing::Test {
protected:
    RunStatusWindowTest()
    {
        session.SavedCopy = &saved;
        session.FileName = dir / "work.kvf";
        CSet& docs = session.Sets.emplace_back();
        docs.Name = "Docs";
        docs.Schedule.Active = 1;
        docs.Schedule.Condition = 1;
        docs.Schedule.DailyHour = 6;
        session.Sets.emplace_back().Name = "Other";
        saved = session;
        SettingsRecord record;
        record.SchedulerActive = true;
        settings.Replace(record);
        clock.Set(Local(2026, 12, 8, 12, 0));
    }

    CKorvaneDlg& Window()
    {
        if (!window) {
            CKorvaneDlg::Services services { [this](CRunDisplay& display) { return MakeRunner(display); }, clock,
                false, true };
            window = std::make_unique<CKorvaneDlg>(context, services);
            window->Notices().SetSender([this](const DesktopNotification& notification, std::function<void(bool)> done) {
                sent.push_back(notification.Body);
                done(true);
            });
            window->show();
        }
        return *window;
    }

    std::unique_ptr<CActionRunner> MakeRunner(CRunDisplay& display)
    {
        const CActionRunner::Services services { prompter, display, sounds, mailer, powerOff, media, clock };
        return std::make_unique<CActionRunner>(session, settings, flags, services);
    }

    std::string Line() { return Window().RunStatusText()->text().toStdString(); }

    TempDir dir;
    CSession session;
    CSession saved;
    CSettingsHolder settings;
    CActionFlags flags;
    CommandLineRequest request;
    CQtPrompter prompter;
    CUiContext context { session, settings, flags, prompter, request };
    FakeClock clock;
    RecordingSounds sounds;
    RecordingMailer mailer;
    FakePowerOff powerOff;
    CMediaRoot media;
    std::vector<std::string> sent;
    std::unique_ptr<CKorvaneDlg> window;
};

} // namespace

TEST_F(RunStatusWindowTest, TheLineAndTheTooltipTellTheLastAndNextRun)
{
    const std::time_t ran = Local(2026, 12, 8, 6, 40);
    CRunHistory().RecordRun(dir / "work.kvf", "Docs", ran, true);
    EXPECT_EQ(Line(), "Last run: 2026-12-08 06:40, succeeded" + kDot + "Next: 2026-12-09 06:00");
    EXPECT_EQ(Window().Tray().Tooltip().toStdString(),
        "Korvane\nDocs: Last run: 2026-12-08 06:40, succeeded" + kDot + "Next: 2026-12-09 06:00")
        << "only scheduled sets are in the tooltip";

    // The other set has never run and does not run by itself.
    Window().OnSetChanged(1);
    QTRY_COMPARE_WITH_TIMEOUT(Window().RunStatusText()->text(), QStringLiteral("Last run: never"), 5000);
    EXPECT_TRUE(sent.empty());
}

// Two days and a minute without a success: overdue in the line, the
// tooltip and one notification, which neither the next check nor a new
// window repeats; a success ends it.
TEST_F(RunStatusWindowTest, AnOverdueSetIsMarkedAndToldOnce)
{
    const std::time_t ran = Local(2026, 12, 6, 6, 0);
    CRunHistory().RecordRun(dir / "work.kvf", "Docs", ran, true);
    clock.Set(ran + 2 * 86400 + 60);
    CKorvaneDlg& w = Window();
    EXPECT_EQ(Line(), "Last run: 2026-12-06 06:00, succeeded" + kDot + "Next: 2026-12-09 06:00" + kDot + "Overdue");
    EXPECT_NE(w.Tray().Tooltip().toStdString().find("Overdue"), std::string::npos);
    QTRY_COMPARE_WITH_TIMEOUT(static_cast<int>(sent.size()), 1, 5000);
    EXPECT_EQ(sent[0], "Scheduled backup of set 'Docs' is overdue: no run has succeeded since 2026-12-06 06:00.");

    clock.Advance(60);
    w.UpdateRunStatus();
    QTest::qWait(50);
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_TRUE(CRunHistory().Find(dir / "work.kvf", "Docs")->OverdueNotified);

    CRunHistory().RecordRun(dir / "work.kvf", "Docs", clock.Now(), true);
    w.UpdateRunStatus();
    EXPECT_EQ(Line().find("Overdue"), std::string::npos) << Line();
}

namespace {

// A notification service of the test's own, on a bus of its own: it records
// every Notify call and answers it, or stays silent.
class NotificationService : public QDBusVirtualObject {
public:
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() != QStringLiteral("Notify"))
            return false;
        const QList<QVariant> arguments = message.arguments();
        {
            std::lock_guard lock(m_mutex);
            if (arguments.size() == 8)
                m_received.push_back(arguments[3].toString() + QStringLiteral(" | ") + arguments[4].toString());
        }
        if (silent)
            return true;
        connection.send(message.createReply(QVariant::fromValue(7u)));
        return true;
    }
    QString introspect(const QString&) const override { return {}; }

    std::vector<QString> Received()
    {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    std::atomic<bool> silent { false };

private:
    std::mutex m_mutex;
    std::vector<QString> m_received;
};

// A dbus-daemon of the test's own, without service activation, so only a
// service the test registers can answer; DBUS_SESSION_BUS_ADDRESS points
// at it while it runs.
class PrivateBus {
public:
    explicit PrivateBus(const TempDir& tmp)
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            return;
        const std::string config = tmp.Write("bus.conf",
            "<busconfig><type>session</type><listen>unix:dir=" + tmp.Path()
                + "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                  "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                  "<allow own=\"*\"/></policy></busconfig>");
        m_daemon.start(QStringLiteral("dbus-daemon"),
            { QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                QStringLiteral("--config-file=") + QString::fromStdString(config) });
        if (!m_daemon.waitForReadyRead(10000))
            return;
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        setenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8().constData(), 1);
    }
    ~PrivateBus()
    {
        if (!m_address.isEmpty())
            QDBusConnection::disconnectFromBus(QStringLiteral("notification test"));
        m_daemon.kill();
        m_daemon.waitForFinished(10000);
    }
    bool Running() const { return !m_address.isEmpty(); }

    bool Serve(NotificationService& service)
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("notification test"));
        return bus.isConnected() && bus.registerService(QStringLiteral("org.freedesktop.Notifications"))
            && bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), &service);
    }

private:
    QProcess m_daemon;
    QString m_address;
};

// The notices of a main window without one: a tray that can be shown, and
// a run view that records its error boxes.
class RecordingView : public CRunView {
public:
    void OpenInformation(int, const CRunDisplay::WindowRules&, CInformationHandle) override { }
    void ShowPlan(CRunPlan) override { }
    void OpenProgress(int, const CRunDisplay::WindowRules&, CProgressHandle) override { }
    void CloseRunWindows() override { }
    void ShowSummary(const ActionSummaryData&, CSummaryHandle) override { }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    std::vector<std::string> errors;
};

CRunDisplay::ScheduledOutcome Failure()
{
    CRunDisplay::ScheduledOutcome outcome;
    outcome.SetName = "Docs";
    outcome.Succeeded = false;
    outcome.Text = "Scheduled backup of set 'Docs' failed: 2 items failed and were passed over";
    return outcome;
}

class NotificationTest : public ::testing::Test {
protected:
    NotificationTest()
    {
        notices.SetSender(&KorvaneNotify);
        notices.SetTimeout(2000);
    }

    TempDir tmp;
    PrivateBus bus { tmp };
    CTrayIcon tray { false };
    RecordingView view;
    CRunNotices notices { &tray, view };
};

} // namespace

TEST_F(NotificationTest, TheServiceOnTheBusHearsTheSetAndTheOutcome)
{
    if (!bus.Running())
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/test.sh installs it)";
    NotificationService service;
    ASSERT_TRUE(bus.Serve(service));
    notices.TellOutcome(Failure());
    QTRY_COMPARE_WITH_TIMEOUT(notices.Delivered(), 1, 10000);
    ASSERT_EQ(service.Received().size(), 1u);
    EXPECT_EQ(service.Received()[0].toStdString(),
        "Scheduled Event Failed | Scheduled backup of set 'Docs' failed: 2 items failed and were passed over");
    EXPECT_TRUE(view.errors.empty()) << "a delivered notification opens no box";

    // A success is told only when NotifySuccess asked for it.
    CRunDisplay::ScheduledOutcome success = Failure();
    success.Succeeded = true;
    success.Notify = false;
    success.Text = "Scheduled backup of set 'Docs' succeeded.";
    notices.TellOutcome(success);
    success.Notify = true;
    notices.TellOutcome(success);
    QTRY_COMPARE_WITH_TIMEOUT(notices.Delivered(), 2, 10000);
    ASSERT_EQ(service.Received().size(), 2u);
    EXPECT_EQ(service.Received()[1].toStdString(),
        "Scheduled Event Completed | Scheduled backup of set 'Docs' succeeded.");
}

// No service on the bus, or one that never answers: the run's outcome
// falls back (here, without a tray, to the error box) and the interface
// thread is never held up meanwhile.
TEST_F(NotificationTest, WithoutAServiceTheFallbackComesAndNothingWaits)
{
    if (!bus.Running())
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/test.sh installs it)";
    QElapsedTimer timer;
    timer.start();
    notices.TellOutcome(Failure());
    EXPECT_LT(timer.elapsed(), 1000) << "the call returned at once";
    QTRY_COMPARE_WITH_TIMEOUT(notices.NotDelivered(), 1, 10000);
    EXPECT_EQ(notices.LastFallback(), "box");
    EXPECT_EQ(view.errors, (std::vector<std::string> { Failure().Text }));

    NotificationService silent;
    silent.silent = true;
    ASSERT_TRUE(bus.Serve(silent));
    CRunDisplay::ScheduledOutcome quiet = Failure();
    quiet.ShowErrors = false;
    timer.restart();
    notices.TellOutcome(quiet);
    EXPECT_LT(timer.elapsed(), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(notices.NotDelivered(), 2, 10000);
    EXPECT_EQ(silent.Received().size(), 1u);
    EXPECT_EQ(notices.LastFallback(), "none") << "DisplayError off: no box, and no tray to show a balloon";
}

TEST_F(NotificationTest, WhereTheTrayShowsTheBalloonStandsIn)
{
    CTrayIcon shown(true);
    shown.Create(QStringLiteral("Korvane"), false);
    CRunNotices trayNotices(&shown, view);
    trayNotices.SetSender([](const DesktopNotification&, std::function<void(bool)> done) { done(false); });
    trayNotices.TellOutcome(Failure());
    QTRY_COMPARE_WITH_TIMEOUT(trayNotices.NotDelivered(), 1, 5000);
    EXPECT_EQ(trayNotices.LastFallback(), "balloon");
    EXPECT_EQ(shown.LastBalloon().toStdString(), "Scheduled Event Failed: " + Failure().Text);
    EXPECT_TRUE(view.errors.empty());
}
