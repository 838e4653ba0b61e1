#include "common/EventualAssert.h"
#include "StringTable.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "platform/MediaRoot.h"
#include "platform/MyRegistry.h"
#include "scheduler/ActionRunner.h"
#include "scheduler/RunnerFixture.h"
#include "ui/ActionSummaryDlg.h"
#include "ui/GetInfoDlg.h"
#include "ui/KorvaneDlg.h"
#include "ui/MessageBoxes.h"
#include "ui/MyComboBoxEx.h"
#include "ui/MyListCtrl.h"
#include "ui/ProgressDlg.h"
#include "ui/QtPrompter.h"
#include "ui/RunWindows.h"
#include "ui/UiContext.h"

#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace {

std::string Text(int id)
{
    return LoadString(id);
}

// Counts the windows of type T shown anywhere in the program while it is
// installed as the application's event filter.
template <typename T> class ShowWatcher : public QObject {
public:
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && dynamic_cast<T*>(watched))
            ++shown;
        return false;
    }
};

// A main window on a session with one set "Docs" of two entries: an
// existing folder with three files and a folder that does not exist.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
    {
        session.SavedCopy = &saved;
        source = dir.Write("docs/a.txt", std::string(5000, 'a'));
        dir.Write("docs/b.txt", "bb");
        dir.Write("docs/sub/c.txt", "ccc");
        CSet& set = session.Sets.emplace_back();
        set.Name = "Docs";
        CBackup& docs = set.Entries.emplace_back();
        docs.SourceFolder = dir / "docs";
        docs.DestinationFolder = dir / "backup";
        docs.IncludeFiles = "*.*";
        CBackup& missing = set.Entries.emplace_back();
        missing.SourceFolder = dir / "gone";
        missing.DestinationFolder = dir / "backup";
        missing.Recursive = 0;
        saved = session;
    }

    CKorvaneDlg& Window()
    {
        if (!window) {
            CKorvaneDlg::Services services { [this](CRunDisplay& display) { return MakeRunner(display); }, clock,
                false };
            window = std::make_unique<CKorvaneDlg>(context, services);
            window->show();
        }
        return *window;
    }

    std::unique_ptr<CActionRunner> MakeRunner(CRunDisplay& display)
    {
        const CActionRunner::Services services { prompter, display, sounds, mailer, powerOff, media, clock };
        return std::make_unique<CActionRunner>(session, settings, flags, services);
    }

    int RowOf(const std::string& text)
    {
        for (int row = 0; row < Window().List()->rowCount(); ++row) {
            if (Window().List()->Cell(row, 0).toStdString() == text)
                return row;
        }
        return -1;
    }

    TempDir dir;
    std::string source;
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
    std::unique_ptr<CKorvaneDlg> window;
};

} // namespace

TEST_F(MainWindowTest, RowsShowTheActiveSet)
{
    CKorvaneDlg& w = Window();
    EXPECT_EQ(w.List()->rowCount(), 2);
    EXPECT_EQ(w.FoldersGroup()->title(), QStringLiteral("Folders To Backup (2 entries)"));
    EXPECT_EQ(w.SetSelector()->itemText(0), QStringLiteral("Docs"));
    const int missing = RowOf(dir / "gone");
    ASSERT_GE(missing, 0);
    EXPECT_EQ(w.List()->CellBackground(missing, 1).color(), QColor(255, 192, 192));
    EXPECT_EQ(w.List()->CellBackground(RowOf(dir / "docs"), 1).style(), Qt::NoBrush);
    EXPECT_EQ(w.List()->Cell(missing, 3), QStringLiteral("-"));
    EXPECT_EQ(w.SummaryText()->text().toStdString(), Text(57705));
    EXPECT_FALSE(w.EditButton()->isEnabled());
    EXPECT_TRUE(w.ExecuteButton()->isEnabled());

    w.List()->SelectRow(RowOf(dir / "docs"));
    EXPECT_TRUE(w.EditButton()->isEnabled());
    EXPECT_EQ(w.InformationText(0)->text().toStdString(), dir / "docs");
    EXPECT_EQ(w.InformationText(2)->text(), QStringLiteral("*.*"));
}

TEST_F(MainWindowTest, ASetWithoutEntriesOffersNothingToRun)
{
    session.Sets.front().Entries.clear();
    CKorvaneDlg& w = Window();
    EXPECT_EQ(w.List()->rowCount(), 0);
    EXPECT_FALSE(w.ExecuteButton()->isEnabled());
    EXPECT_FALSE(w.ActionSelector()->isEnabled());
    EXPECT_FALSE(w.List()->isEnabled());
    EXPECT_FALSE(w.RemoveButton()->isEnabled());
    EXPECT_EQ(w.FoldersGroup()->title(), QStringLiteral("Folders To Backup"));
    EXPECT_EQ(w.SummaryText()->text().toStdString(), Text(57705));
}

TEST_F(MainWindowTest, RescanFillsTheFiguresAndTheSummary)
{
    CKorvaneDlg& w = Window();
    w.Rescan();
    const int docs = RowOf(dir / "docs");
    // The scans run on threads of their own; a loaded machine may take its
    // time to schedule them, so the waits are generous and the menu is read
    // only once the pass has ended.
    constexpr int kScanWaitMs = 120000;
    ASSERT_EVENTUALLY_EQ_WITHIN(w.List()->Cell(docs, 2), QStringLiteral("3"), kScanWaitMs);
    EXPECT_EQ(w.List()->Cell(docs, 1), QStringLiteral("1"));
    EXPECT_EQ(w.List()->SortValue(docs, 3), 5005);
    // 5000 bytes take two 4 kB clusters, the two small files one each.
    ASSERT_EVENTUALLY_EQ_WITHIN(w.SummaryText()->text(),
        QStringLiteral("3 files, 1 folders (4.89 kB), size on disk 16.00 kB (4.00 kB cluster size)"), kScanWaitMs);
    ASSERT_EVENTUALLY_WITHIN(!w.Scans().AnyRunning(0), kScanWaitMs);
    // The missing folder scanned to nothing.
    EXPECT_EQ(w.List()->Cell(RowOf(dir / "gone"), 2), QStringLiteral("-"));

    std::unique_ptr<QMenu> menu = w.BuildPopupMenu();
    const QList<QAction*> actions = menu->actions();
    EXPECT_TRUE(actions[0]->isEnabled()); // Rescan, no pass running
    EXPECT_FALSE(actions[1]->isEnabled()); // Cancel
    EXPECT_FALSE(actions[4]->isEnabled()); // Action, no row selected

    w.CancelScans();
    EXPECT_EQ(w.List()->Cell(docs, 2), QStringLiteral("-"));
    EXPECT_EQ(w.SummaryText()->text().toStdString(), Text(57705));
}

TEST(MainWindowSummary, ClusterSizesAndEmptyEntries)
{
    EXPECT_EQ(CKorvaneDlg::SummaryLine(2354, 63, 488447672, 499101304, 2048),
        "2354 files, 63 folders (465.82 MB), size on disk 475.98 MB (2.00 kB cluster size)");
    EXPECT_EQ(CKorvaneDlg::SummaryLine(1, 0, 10, 512, 512),
        "1 files, 0 folders (10 bytes), size on disk 512 bytes (512 bytes cluster size)");
    EXPECT_EQ(CKorvaneDlg::SummaryLine(4, 2, 0, 0, 4096), "4 files, 2 folders");
}

TEST_F(MainWindowTest, EscapeNeverClosesAndDeleteAsksBeforeRemoving)
{
    CKorvaneDlg& w = Window();
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());

    w.List()->setFocus();
    w.List()->SelectRow(RowOf(dir / "gone"));
    {
        BoxAnswers answers({ QMessageBox::Cancel });
        QTest::keyClick(w.List(), Qt::Key_Delete);
        ASSERT_EQ(answers.texts.size(), 1u);
        EXPECT_EQ(answers.texts[0], Text(57692));
        EXPECT_EQ(answers.icons[0], QMessageBox::Question);
    }
    EXPECT_EQ(session.Sets.front().Entries.size(), 2u);
    {
        BoxAnswers answers({ QMessageBox::Ok });
        QTest::keyClick(w.List(), Qt::Key_Delete);
    }
    ASSERT_EQ(session.Sets.front().Entries.size(), 1u);
    EXPECT_EQ(session.Sets.front().Entries.front().SourceFolder, dir / "docs");
    ASSERT_EVENTUALLY_EQ(w.List()->rowCount(), 1);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(MainWindowTest, TheSetAndActionSelectorsChangeTheSession)
{
    session.Sets.emplace_back().Name = "Music";
    session.Sets.back().Schedule.Active = 1;
    CKorvaneDlg& w = Window();
    EXPECT_EQ(w.SetSelector()->ItemImage(1), 1);
    EXPECT_EQ(w.SetSelector()->ItemImage(0), 0);
    w.ActionSelector()->setCurrentIndex(1);
    Q_EMIT w.ActionSelector()->activated(1);
    EXPECT_EQ(session.Sets.front().ActiveAction, 1);
    w.SetSelector()->setCurrentIndex(1);
    Q_EMIT w.SetSelector()->activated(1);
    EXPECT_EQ(session.ActiveSet, 1);
    ASSERT_EVENTUALLY_EQ(w.List()->rowCount(), 0);
    EXPECT_FALSE(w.ExecuteButton()->isEnabled());
}

TEST_F(MainWindowTest, EnterOnExecuteRunsTheBackupAndTheWindowStays)
{
    settings.Update([](SettingsRecord& record) { record.Actions.DisplaySummary = 1; });
    CKorvaneDlg& w = Window();
    QSignalSpy finished(&w.Runs(), &CRunController::RunFinished);
    BoxAnswers answers({ QMessageBox::Ok });
    w.ExecuteButton()->setFocus();
    QTest::keyClick(w.ExecuteButton(), Qt::Key_Return);
    // A run of the user's waits in the file information window for Continue.
    ASSERT_EVENTUALLY_WITHIN(w.RunWindows().Information() != nullptr, 20000);
    ASSERT_EVENTUALLY_WITHIN(w.RunWindows().Information()->ContinueButton()->isEnabled(), 20000);
    EXPECT_EQ(finished.count(), 0);
    w.RunWindows().Information()->ContinueButton()->click();
    ASSERT_EVENTUALLY_WITHIN(w.RunWindows().Summary() != nullptr, 20000);
    CActionSummaryDlg* summary = w.RunWindows().Summary();
    EXPECT_EQ(summary->windowTitle(), QStringLiteral("Backup Summary"));
    EXPECT_TRUE(summary->LineText(CActionSummaryDlg::Added).startsWith(QStringLiteral("3 files, ")));
    summary->accept();
    ASSERT_EVENTUALLY_EQ_WITHIN(finished.count(), 1, 20000);
    // The entry whose source is gone is a failed item, said before the summary.
    EXPECT_EQ(finished.at(0).at(0).toInt(), static_cast<int>(RunResult::CompletedWithErrors));
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0].find("Failed to access " + dir / "gone"), 0u) << answers.texts[0];
    EXPECT_EQ(TempDir::Read(dir / "backup/docs/a.txt"), std::string(5000, 'a'));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(flags.ActionRunning, 0);
    ASSERT_EVENTUALLY(w.RunWindows().Progress() == nullptr);
}

TEST_F(MainWindowTest, CancelInTheFileInformationWindowCancelsTheRun)
{
    settings.Update([](SettingsRecord& record) { record.Actions.DisplaySummary = 0; });
    CKorvaneDlg& w = Window();
    QSignalSpy finished(&w.Runs(), &CRunController::RunFinished);
    flags.ActionCancel = 0;
    w.Execute();
    ASSERT_EVENTUALLY_WITHIN(w.RunWindows().Information() != nullptr, 20000);
    w.RunWindows().Information()->CancelButton()->click();
    ASSERT_EVENTUALLY_EQ_WITHIN(finished.count(), 1, 20000);
    EXPECT_EQ(finished.at(0).at(0).toInt(), static_cast<int>(RunResult::Cancelled));
    EXPECT_EQ(flags.ActionRunning, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "backup/docs/a.txt"));
    ASSERT_EVENTUALLY(w.RunWindows().Information() == nullptr);
}

TEST_F(MainWindowTest, ClosingWithoutChangesEndsAtOnceAndRemembersTheSession)
{
    session.FileName = dir / "docs.kvf";
    CKorvaneDlg& w = Window();
    QSignalSpy closed(&w, &CKorvaneDlg::ClosedForGood);
    BoxAnswers answers;
    w.close();
    ASSERT_EVENTUALLY_EQ(closed.count(), 1);
    EXPECT_TRUE(answers.texts.empty());
    EXPECT_FALSE(w.isVisible());
    CMyRegistry registry;
    registry.OpenKey("Info");
    EXPECT_EQ(registry.ReadString("LastSession", ""), dir / "docs.kvf");
}

TEST_F(MainWindowTest, ClosingWithChangesAsksToSave)
{
    CKorvaneDlg& w = Window();
    session.Sets.front().Name = "Documents";
    QSignalSpy closed(&w, &CKorvaneDlg::ClosedForGood);
    {
        BoxAnswers answers({ QMessageBox::Cancel });
        w.close();
        ASSERT_EQ(answers.texts.size(), 1u);
        EXPECT_EQ(answers.texts[0], Text(57684));
    }
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(session.Sets.front().Name, "Documents");
    {
        BoxAnswers answers({ QMessageBox::No });
        w.close();
    }
    ASSERT_EVENTUALLY_EQ(closed.count(), 1);
}

TEST_F(MainWindowTest, TheSchedulerQuestionWithoutASessionFile)
{
    settings.Update([](SettingsRecord& record) { record.SchedulerActive = true; });
    CKorvaneDlg& w = Window();
    QSignalSpy closed(&w, &CKorvaneDlg::ClosedForGood);
    {
        BoxAnswers answers({ QMessageBox::No });
        w.close();
        ASSERT_EQ(answers.texts.size(), 1u);
        EXPECT_EQ(answers.texts[0], Text(122));
    }
    EXPECT_TRUE(w.isVisible());
    {
        BoxAnswers answers({ QMessageBox::Yes });
        w.close();
    }
    ASSERT_EVENTUALLY_EQ(closed.count(), 1);
}

TEST_F(MainWindowTest, ASignalClosesWithoutQuestions)
{
    CKorvaneDlg& w = Window();
    session.Sets.front().Name = "Changed";
    QSignalSpy closed(&w, &CKorvaneDlg::ClosedForGood);
    w.CloseForSignal();
    ASSERT_EVENTUALLY_EQ(closed.count(), 1);
}

TEST_F(MainWindowTest, SchedulerButtonNeedsTheScheduler)
{
    CKorvaneDlg& w = Window();
    BoxAnswers answers({ QMessageBox::Ok });
    w.Scheduler();
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0], Text(114));
}

TEST_F(MainWindowTest, DropsOfFilesAndFolders)
{
    FolderDialogRequest request;
    const QString docs = QString::fromStdString(dir / "docs");
    ASSERT_TRUE(CKorvaneDlg::RequestFromDrop(
        { docs + QStringLiteral("/a.txt"), docs + QStringLiteral("/b.txt"), docs + QStringLiteral("/sub/c.txt") },
        request));
    EXPECT_EQ(request.Source, dir / "docs/sub");
    EXPECT_EQ(request.Include, "a.txt; b.txt; c.txt");
    EXPECT_FALSE(request.Recursive);
    EXPECT_TRUE(request.Immediate);

    FolderDialogRequest folder;
    ASSERT_TRUE(CKorvaneDlg::RequestFromDrop({ docs }, folder));
    EXPECT_EQ(folder.Source, dir / "docs");
    EXPECT_TRUE(folder.Recursive);
    EXPECT_EQ(folder.Include, "");
    FolderDialogRequest root;
    ASSERT_TRUE(CKorvaneDlg::RequestFromDrop({ QStringLiteral("/") }, root));
    EXPECT_EQ(root.Source, "/");

    // A folder with a file, dropped through the window: refused with 57702.
    CKorvaneDlg& w = Window();
    BoxAnswers answers({ QMessageBox::Ok });
    QMimeData mime;
    mime.setUrls({ QUrl::fromLocalFile(docs), QUrl::fromLocalFile(docs + QStringLiteral("/a.txt")) });
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    ASSERT_EVENTUALLY_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0], Text(57702));
    EXPECT_EQ(session.Sets.front().Entries.size(), 2u);
}

TEST_F(MainWindowTest, MenuAcceleratorsAndDesignSize)
{
    CKorvaneDlg& w = Window();
    QStringList shortcuts;
    for (QAction* menu : w.Menu()->actions()) {
        for (QAction* action : menu->menu()->actions()) {
            if (!action->shortcut().isEmpty())
                shortcuts << action->shortcut().toString();
        }
    }
    EXPECT_EQ(shortcuts,
        (QStringList {
            QStringLiteral("Ctrl+N"), QStringLiteral("Ctrl+O"), QStringLiteral("Ctrl+S"), QStringLiteral("Ctrl+L") }));
    EXPECT_GE(w.width(), CKorvaneDlg::kDesignWidth);
    // Never smaller than it opened.
    const QSize opened = w.size();
    w.resize(200, 200);
    EXPECT_EQ(w.size(), opened);
    // Growing moves the buttons with the right edge and grows the list.
    const QRect list = w.List()->geometry();
    const QRect execute = w.ExecuteButton()->geometry();
    w.resize(opened.width() + 100, opened.height() + 50);
    EXPECT_EQ(w.List()->width(), list.width() + 100);
    EXPECT_EQ(w.List()->height(), list.height() + 50);
    EXPECT_EQ(w.ExecuteButton()->x(), execute.x() + 100);
    EXPECT_EQ(w.ExecuteButton()->y(), execute.y());
}

// The interface thread goes on while a pass is held on its own thread: the
// row shows "-", the window answers, and the figures come once it is let go.
TEST_F(MainWindowTest, RowsFillWhileTheWindowKeepsRunning)
{
    CKorvaneDlg& w = Window();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    w.Scans().SetPassStartHook([released] { released.wait(); });
    w.Rescan();
    const int docs = RowOf(dir / "docs");
    EXPECT_TRUE(w.Scans().AnyRunning(0));
    bool ticked = false;
    QTimer::singleShot(10, [&ticked] { ticked = true; });
    ASSERT_EVENTUALLY(ticked);
    EXPECT_EQ(w.List()->Cell(docs, 2), QStringLiteral("-"));
    std::unique_ptr<QMenu> menu = w.BuildPopupMenu();
    EXPECT_FALSE(menu->actions()[0]->isEnabled()); // Rescan while passes run
    EXPECT_TRUE(menu->actions()[1]->isEnabled()); // Cancel
    release.set_value();
    ASSERT_EVENTUALLY_EQ(w.List()->Cell(RowOf(dir / "docs"), 2), QStringLiteral("3"));
}

// Removing an entry while its pass runs neither waits for the pass nor lets
// its figures land on the entry that moved up.
TEST_F(MainWindowTest, RemovingWhileAPassRuns)
{
    CKorvaneDlg& w = Window();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    w.Scans().SetPassStartHook([released] { released.wait(); });
    w.Rescan();
    w.List()->SelectRow(RowOf(dir / "docs"));
    {
        BoxAnswers answers({ QMessageBox::Ok });
        w.RemoveFolder();
    }
    release.set_value();
    ASSERT_EVENTUALLY_EQ(w.List()->rowCount(), 1);
    EXPECT_EQ(w.List()->Cell(0, 0).toStdString(), dir / "gone");
    EXPECT_EQ(w.List()->Cell(0, 2), QStringLiteral("-"));
    w.Scans().WaitAll();
}

TEST_F(MainWindowTest, SaveAsThroughTheFileDialogAndNewAsksToSave)
{
    CKorvaneDlg& w = Window();
    const std::string path = dir / "saved.kvf";
    // The file dialog is answered as a person would: a name typed, Save.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Save Session"));
        EXPECT_EQ(dialog->nameFilters(), QStringList { QStringLiteral("Korvane Files (*.kvf)") });
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(path));
        QTest::keyClick(name, Qt::Key_Return);
    });
    poll.start(5);
    w.FileSaveAs();
    poll.stop();
    EXPECT_EQ(session.FileName, path);
    EXPECT_NE(TempDir::Read(path).find("<NAME>Docs</NAME>"), std::string::npos);

    session.Edit([](CSession& s) { s.Sets.front().Name = "Changed"; });
    {
        BoxAnswers answers({ QMessageBox::Cancel });
        w.FileNew();
        ASSERT_EQ(answers.texts.size(), 1u);
        EXPECT_EQ(answers.texts[0], Text(57684));
    }
    EXPECT_EQ(session.Sets.front().Name, "Changed");
    {
        BoxAnswers answers({ QMessageBox::No });
        w.FileNew();
    }
    EXPECT_EQ(session.Sets.front().Name, "Default Set");
    ASSERT_EVENTUALLY_EQ(w.SetSelector()->itemText(0), QStringLiteral("Default Set"));
    ASSERT_EVENTUALLY_EQ(w.List()->rowCount(), 0);
}

// A scheduled event runs on the scheduler's thread; the progress window
// opens on the interface thread when the scheduler's settings show progress.
TEST_F(MainWindowTest, AScheduledRunShowsItsWindowFromItsOwnThread)
{
    settings.Update([](SettingsRecord& record) {
        record.Scheduler.DisplayProgress = 1;
        record.Scheduler.DisplaySummary = 0;
    });
    CKorvaneDlg& w = Window();
    CSet set = *session.CopySet(0);
    set.Entries.pop_back();
    std::atomic<bool> done { false };
    std::atomic<int> result { -1 };
    // The window may open and close between two turns of the event loop
    // when the machine is loaded, so its showing is caught as it happens.
    ShowWatcher<CProgressDlg> progressShown;
    qApp->installEventFilter(&progressShown);
    std::thread scheduler([&] {
        flags.ScheduledEvent = 1;
        result = static_cast<int>(w.Runs().RunScheduled(set));
        flags.ScheduledEvent = 0;
        done = true;
    });
    ASSERT_EVENTUALLY_WITHIN(done.load(), 120000);
    scheduler.join();
    qApp->removeEventFilter(&progressShown);
    EXPECT_EQ(result.load(), static_cast<int>(RunResult::Completed));
    EXPECT_GE(progressShown.shown, 1);
    ASSERT_EVENTUALLY_WITHIN(w.RunWindows().Progress() == nullptr, 60000);
    EXPECT_EQ(TempDir::Read(dir / "backup/docs/a.txt"), std::string(5000, 'a'));
}

TEST_F(MainWindowTest, EnterOutsideAButtonDoesNothing)
{
    CKorvaneDlg& w = Window();
    BoxAnswers answers({ QMessageBox::Ok });
    w.SetSelector()->setFocus();
    QTest::keyClick(w.SetSelector(), Qt::Key_Return);
    w.SummaryText()->setFocus();
    QTest::keyClick(w.SummaryText(), Qt::Key_Return);
    QTest::keyClick(&w, Qt::Key_Enter);
    QApplication::processEvents();
    // No Scheduler... (it would have said 114), no run, still open.
    EXPECT_TRUE(answers.texts.empty());
    EXPECT_FALSE(w.Runs().Busy());
    EXPECT_TRUE(w.isVisible());
}
