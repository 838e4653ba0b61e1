// A run's questions and its windows on offscreen, in each order they can
// come in: the question must keep the input and be answerable through its
// real buttons, and no waiting window may open under it.
#include "common/EventualAssert.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "core/Prompter.h"
#include "core/SettingsRecord.h"
#include "engine/ActionDisplay.h"
#include "engine/GetInfoWorker.h"
#include "engine/ProgressWorker.h"
#include "log/ActivityLog.h"
#include "ui/GeneralProgress.h"
#include "ui/ProgressDlg.h"
#include "ui/QtPrompter.h"
#include "ui/QuestionGate.h"
#include "ui/RealBackup.h"
#include "ui/RunWindows.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

ProgressSnapshot Running(bool deleting)
{
    ProgressSnapshot s;
    s.Totals = { 10, 2, 0, 0 };
    s.Deleting = deleting;
    return s;
}

// The visible waiting window (deleting, waiting for the worker) over window.
CGeneralProgress* WaitingOver(QWidget* window)
{
    if (!window)
        return nullptr;
    // By name: without a meta-object of its own, CGeneralProgress matches
    // every dialog in findChildren, the message boxes too.
    for (QDialog* waiting : window->findChildren<QDialog*>(QStringLiteral("generalProgress"))) {
        if (waiting->isVisible())
            return static_cast<CGeneralProgress*>(waiting);
    }
    return nullptr;
}

// Lets the queued calls and zero timers already posted run.
void Settle()
{
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

// A click as the window system delivers it, which Qt refuses to a window
// that a modal one blocks (QAbstractButton::click would not tell).
void ClickAsUser(QMessageBox& box, QMessageBox::StandardButton which)
{
    QAbstractButton* button = box.button(which);
    ASSERT_NE(button, nullptr);
    QWindow* window = box.windowHandle();
    ASSERT_NE(window, nullptr);
    const QPoint at = button->mapTo(&box, button->rect().center());
    QTest::mouseClick(window, Qt::LeftButton, {}, at);
}

// Answers as the user would; a box the click cannot reach fails the test
// and is answered anyway, so that the run it holds can end.
void Answer(QMessageBox& box, QMessageBox::StandardButton which)
{
    QPointer<QMessageBox> alive = &box;
    ClickAsUser(box, which);
    Settle();
    if (!alive || !alive->isVisible())
        return;
    ADD_FAILURE() << "the click did not reach the question";
    box.button(which)->click();
}

// Runs act once inside the question's own loop, as soon as a question box
// has appeared: the test's code after the ask is not reached before the
// box has been answered.
class OnQuestion : public QObject {
public:
    explicit OnQuestion(std::function<void(QMessageBox&)> act)
        : m_act(std::move(act))
    {
        connect(&m_poll, &QTimer::timeout, this, &OnQuestion::Poll);
        m_poll.start(5);
    }
    bool Seen() const { return m_seen; }

private:
    void Poll()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (m_seen || !box || !box->isVisible())
                continue;
            m_seen = true;
            m_poll.stop();
            // The rest of the list may be gone once act has run.
            m_act(*box);
            return;
        }
    }

    std::function<void(QMessageBox&)> m_act;
    QTimer m_poll;
    bool m_seen = false;
};

// The main window, its run windows and the prompter of the windowed program.
struct Desk {
    Desk()
    {
        main.resize(400, 300);
        main.show();
        prompter.SetOwner(&main);
        prompter.SetGate(&windows.Gate());
    }

    void OpenProgress(bool deleteFirst)
    {
        CRunDisplay::WindowRules rules;
        rules.DeleteFirst = deleteFirst;
        windows.OpenProgress(0, rules, std::make_shared<CMonitorGuard<ProgressSnapshot>>(monitor));
    }

    QWidget main;
    std::atomic<std::int32_t> cancel { 0 };
    CRunWindows windows { cancel, &main };
    CQtPrompter prompter;
    std::shared_ptr<CProgressMonitor> monitor = std::make_shared<CProgressMonitor>(Running(true));
};

// A backup whose source has lost every file since the last run, with
// deletion on: the real copy worker asks whether to empty the backup.
class EmptyingBackup {
public:
    explicit EmptyingBackup(CPrompter& prompter)
        : m_prompter(prompter)
    {
        m_dir.Write("src/a.txt", "a");
        m_dir.Write("src/b.txt", "b");
        CBackup& entry = m_set.Entries.emplace_back();
        entry.SourceFolder = m_dir / "src";
        entry.DestinationFolder = m_dir / "backup";
        entry.IncludeFiles = "*.*";
        RealBackup(m_set);
        std::filesystem::remove(m_dir / "src/a.txt");
        std::filesystem::remove(m_dir / "src/b.txt");
        m_settings.Actions.BackupDelete = 1;
    }
    ~EmptyingBackup()
    {
        if (m_worker)
            m_worker->Wait();
    }

    // The worker asks from its own thread.
    void Start()
    {
        std::atomic<int> cancel { 0 };
        CGetInfoWorker scan(m_set, cancel);
        scan.Start();
        scan.Wait();
        m_worker
            = std::make_unique<CProgressWorker>(m_settings, false, m_cancel, m_prompter, m_log, m_display, m_clock);
        m_worker->TakeSet(scan.Set, std::move(scan.Scans));
        m_worker->Start();
    }
    bool Ended() const { return m_worker->Running == 0; }
    bool BackupKept() const { return std::filesystem::exists(m_dir / "backup/src/a.txt"); }
    bool BackupWasThere() const { return std::filesystem::exists(m_dir / "backup/src"); }

private:
    CPrompter& m_prompter;
    TempDir m_dir;
    CSet m_set;
    SettingsRecord m_settings;
    std::atomic<std::int32_t> m_cancel { 0 };
    FakeClock m_clock;
    CActivityLog m_log { false, "", m_prompter, m_clock };
    CActionDisplay m_display;
    std::unique_ptr<CProgressWorker> m_worker;
};

} // namespace

// The engine's question comes first; the run's queued progress window (with
// its deletion window) arrives while it is open and must wait for the answer.
TEST(RunQuestionsTest, AProgressWindowArrivingUnderAQuestionWaitsForTheAnswer)
{
    Desk desk;
    EmptyingBackup backup(desk.prompter);
    ASSERT_TRUE(backup.BackupKept());
    OnQuestion watch([&](QMessageBox& box) {
        EXPECT_TRUE(box.text().startsWith(QStringLiteral("All 2 files in the backup folder")));
        EXPECT_EQ(box.parentWidget(), &desk.main);
        desk.OpenProgress(true);
        QCoreApplication::processEvents();
        EXPECT_EQ(QApplication::activeModalWidget(), &box);
        ASSERT_NE(desk.windows.Progress(), nullptr);
        EXPECT_FALSE(desk.windows.Progress()->isVisible());
        EXPECT_EQ(WaitingOver(desk.windows.Progress()), nullptr);
        Answer(box, QMessageBox::Yes);
    });
    backup.Start();
    ASSERT_EVENTUALLY(backup.Ended());
    EXPECT_TRUE(watch.Seen());
    EXPECT_FALSE(backup.BackupKept());
    // Answered: the progress window opens, and over it the deletion window.
    ASSERT_EVENTUALLY(desk.windows.Progress() && desk.windows.Progress()->isVisible());
    ASSERT_EVENTUALLY(WaitingOver(desk.windows.Progress()) != nullptr);
    EXPECT_EQ(WaitingOver(desk.windows.Progress())->Status(), QStringLiteral("Deleting files and folders..."));
}

// The progress window and its application-modal deletion window are open
// when the question comes: it opens over the deletion window and takes the
// input from it.
TEST(RunQuestionsTest, AQuestionOverTheDeletionWindowIsAnswerable)
{
    Desk desk;
    EmptyingBackup backup(desk.prompter);
    desk.OpenProgress(true);
    ASSERT_EVENTUALLY(WaitingOver(desk.windows.Progress()) != nullptr);
    CGeneralProgress* deleting = WaitingOver(desk.windows.Progress());
    EXPECT_EQ(desk.windows.Gate().Top(), deleting);
    OnQuestion watch([&](QMessageBox& box) {
        EXPECT_EQ(box.parentWidget(), deleting);
        EXPECT_EQ(QApplication::activeModalWidget(), &box);
        Answer(box, QMessageBox::No);
    });
    backup.Start();
    ASSERT_EVENTUALLY(backup.Ended());
    EXPECT_TRUE(watch.Seen());
    EXPECT_TRUE(backup.BackupKept());
}

// Without the gate the same click cannot reach the question: what the test
// above relies on to tell an answerable box from a locked one.
TEST(RunQuestionsTest, AClickOnABoxUnderALaterModalWindowGoesNowhere)
{
    QWidget main;
    main.show();
    QMessageBox box(QMessageBox::Question, QStringLiteral("Korvane"), QStringLiteral("?"),
        QMessageBox::Yes | QMessageBox::No, &main);
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    CGeneralProgress later(
        QStringLiteral("Deleting files and folders..."), [] { return true; }, &main, &main);
    later.Start([](bool) {});
    ASSERT_EVENTUALLY(later.isVisible());
    bool clicked = false;
    QObject::connect(&box, &QMessageBox::buttonClicked, &box, [&] { clicked = true; });
    ClickAsUser(box, QMessageBox::Yes);
    QCoreApplication::processEvents();
    EXPECT_FALSE(clicked);
    EXPECT_EQ(QApplication::activeModalWidget(), &later);
}

// A failure shown during the run sits over the progress window; Cancel
// meanwhile stops the run at once, but its waiting window opens only once
// the failure has been read.
TEST(RunQuestionsTest, TheWaitingWindowOfACancelWaitsForTheErrorBox)
{
    Desk desk;
    desk.monitor->Publish(Running(false));
    desk.OpenProgress(false);
    ASSERT_EVENTUALLY(desk.windows.Progress() && desk.windows.Progress()->isVisible());
    CProgressDlg* progress = desk.windows.Progress();
    desk.windows.ShowError("Failed to copy 'a.txt'.");
    QMessageBox* box = nullptr;
    ASSERT_EVENTUALLY((box = progress->findChild<QMessageBox*>()) != nullptr && box->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), box);
    EXPECT_TRUE(desk.windows.Gate().QuestionOpen());

    progress->Cancel();
    EXPECT_EQ(desk.cancel, 1);
    Settle();
    EXPECT_EQ(WaitingOver(progress), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), box);

    Answer(*box, QMessageBox::Ok);
    ASSERT_EVENTUALLY(WaitingOver(progress) != nullptr);
    EXPECT_EQ(WaitingOver(progress)->Status(), QStringLiteral("Waiting for processes to finish..."));
    ProgressSnapshot over = Running(false);
    over.Running = false;
    desk.monitor->Publish(over);
    ASSERT_EVENTUALLY(desk.monitor->Closed());
    EXPECT_FALSE(desk.monitor->WaitClosed());
}

// A question asked while the user waits for a cancelled run opens over the
// waiting window, and a cancel whose run ended while a question was open
// shows no waiting window at all.
TEST(RunQuestionsTest, ACancelThatEndedUnderAQuestionShowsNoWaitingWindow)
{
    Desk desk;
    desk.monitor->Publish(Running(false));
    desk.OpenProgress(false);
    ASSERT_EVENTUALLY(desk.windows.Progress() && desk.windows.Progress()->isVisible());
    QPointer<CProgressDlg> progress = desk.windows.Progress();
    std::atomic<int> answer { 0 };
    bool waitingSeen = false;
    OnQuestion watch([&](QMessageBox& box) {
        EXPECT_EQ(box.parentWidget(), progress);
        progress->Cancel();
        ProgressSnapshot over = Running(false);
        over.Running = false;
        desk.monitor->Publish(over);
        Settle();
        waitingSeen = WaitingOver(progress) != nullptr;
        Answer(box, QMessageBox::Retry);
    });
    std::thread worker(
        [&] { answer = desk.prompter.MessageBox("Failed to copy 'a.txt'.", MbAbortRetryIgnore | MbIconError); });
    ASSERT_EVENTUALLY(answer != 0);
    worker.join();
    EXPECT_EQ(answer, IdRetry);
    EXPECT_FALSE(waitingSeen);
    ASSERT_EVENTUALLY(desk.monitor->Closed());
    EXPECT_FALSE(desk.monitor->WaitClosed());
    ASSERT_EVENTUALLY(progress == nullptr);
}

// An error box over the progress window outlives it: the run ends before
// the user has read it, and it moves to the main window instead of going
// with the progress window.
TEST(RunQuestionsTest, AnErrorBoxOutlivesTheProgressWindow)
{
    Desk desk;
    desk.monitor->Publish(Running(false));
    desk.OpenProgress(false);
    ASSERT_EVENTUALLY(desk.windows.Progress() && desk.windows.Progress()->isVisible());
    QPointer<CProgressDlg> progress = desk.windows.Progress();
    desk.windows.ShowError("Failed to copy 'a.txt'.");
    QPointer<QMessageBox> box;
    ASSERT_EVENTUALLY((box = progress->findChild<QMessageBox*>()) != nullptr);
    desk.windows.CloseRunWindows();
    ASSERT_EVENTUALLY(progress == nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->parentWidget(), &desk.main);
    Answer(*box, QMessageBox::Ok);
    ASSERT_EVENTUALLY(box == nullptr);
    EXPECT_FALSE(desk.windows.Gate().QuestionOpen());
}
