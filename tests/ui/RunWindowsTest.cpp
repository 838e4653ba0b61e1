// The action windows on offscreen, fed by monitors the test publishes to as
// a run's thread would: the file information window, the progress window,
// the waiting window, the summary of a real backup and the sorted lists.
#include "common/EventualAssert.h"
#include "common/TempDir.h"
#include "core/Prompter.h"
#include "core/SettingsRecord.h"
#include "engine/ActionDisplay.h"
#include "engine/GetInfoWorker.h"
#include "engine/ProgressWorker.h"
#include "log/ActivityLog.h"
#include "platform/Clock.h"
#include "ui/ActionSummaryDlg.h"
#include "ui/FileListModel.h"
#include "ui/GeneralProgress.h"
#include "ui/GetInfoDlg.h"
#include "ui/ProgressDlg.h"
#include "ui/QtPrompter.h"
#include "ui/RealBackup.h"
#include "ui/ViewFoldersDlg.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

// The waiting window open over parent, if any.
CGeneralProgress* Waiting(QWidget& parent)
{
    for (CGeneralProgress* waiting : parent.findChildren<CGeneralProgress*>()) {
        if (waiting->isVisible())
            return waiting;
    }
    return nullptr;
}

InformationSnapshot Scan(bool sourceRunning, bool backupRunning)
{
    return { 12, 3, 10, 2, 4096, 2048, sourceRunning, backupRunning };
}

struct InformationWindow {
    explicit InformationWindow(bool closeByItself)
    {
        CRunDisplay::WindowRules rules;
        rules.CloseInformationByItself = closeByItself;
        window = new CGetInfoDlg(rules, std::make_shared<CMonitorGuard<InformationSnapshot>>(monitor), cancel);
        window->Start();
    }
    ~InformationWindow() { delete window; }

    std::atomic<std::int32_t> cancel { 0 };
    std::shared_ptr<CInformationMonitor> monitor = std::make_shared<CInformationMonitor>(Scan(true, true));
    QPointer<CGetInfoDlg> window;
};

} // namespace

TEST(GetInfoDlgTest, ScheduledAndCommandLineRunsCloseByThemselves)
{
    InformationWindow info(true);
    ASSERT_EVENTUALLY_EQ(info.window->Value(0, 3), QStringLiteral("Working"));
    EXPECT_EQ(info.window->Value(0, 0), QStringLiteral("12"));
    EXPECT_EQ(info.window->Value(1, 1), QStringLiteral("2"));
    EXPECT_FALSE(info.window->ContinueButton()->isEnabled());
    info.monitor->Publish(Scan(false, false));
    ASSERT_EVENTUALLY(info.monitor->Closed());
    EXPECT_TRUE(info.monitor->WaitClosed());
    ASSERT_EVENTUALLY(info.window == nullptr);
    EXPECT_EQ(info.cancel, 0);
}

TEST(GetInfoDlgTest, UserRunsWaitForContinue)
{
    InformationWindow info(false);
    info.monitor->Publish(Scan(false, true));
    ASSERT_EVENTUALLY_EQ(info.window->Value(0, 3), QStringLiteral("Completed"));
    EXPECT_EQ(info.window->Value(1, 3), QStringLiteral("Working"));
    EXPECT_FALSE(info.window->ContinueButton()->isEnabled());
    info.monitor->Publish(Scan(false, false));
    ASSERT_EVENTUALLY(info.window->ContinueButton()->isEnabled());
    EXPECT_TRUE(info.window->ContinueButton()->hasFocus() || !QApplication::focusWidget());
    // The scans are over, but the run waits for the user.
    QTest::qWait(0);
    EXPECT_FALSE(info.monitor->Closed());
    info.window->ContinueButton()->click();
    EXPECT_TRUE(info.monitor->Closed());
    EXPECT_TRUE(info.monitor->WaitClosed());
}

TEST(GetInfoDlgTest, CancelShowsTheWaitingWindowUntilTheScansLetGo)
{
    InformationWindow info(false);
    info.window->CancelButton()->click();
    EXPECT_EQ(info.cancel, 1);
    ASSERT_EVENTUALLY(Waiting(*info.window) != nullptr);
    EXPECT_EQ(Waiting(*info.window)->Status(), QStringLiteral("Waiting for processes to finish..."));
    EXPECT_FALSE(info.monitor->Closed());
    info.monitor->Publish(Scan(false, true));
    QTest::qWait(300);
    EXPECT_NE(Waiting(*info.window), nullptr);
    info.monitor->Publish(Scan(false, false));
    ASSERT_EVENTUALLY(info.monitor->Closed());
    EXPECT_FALSE(info.monitor->WaitClosed());
    ASSERT_EVENTUALLY(info.window == nullptr);
}

TEST(GetInfoDlgTest, CancelAfterTheScansClosesAtOnceAndEscapeCancels)
{
    InformationWindow info(false);
    info.monitor->Publish(Scan(false, false));
    ASSERT_EVENTUALLY(info.window->ContinueButton()->isEnabled());
    QTest::keyClick(info.window, Qt::Key_Escape);
    EXPECT_EQ(info.cancel, 1);
    EXPECT_TRUE(info.monitor->Closed());
    EXPECT_FALSE(info.monitor->WaitClosed());
}

TEST(RunMonitorTest, AWindowThatNeverAnswersLetsTheRunGoOn)
{
    auto monitor = std::make_shared<CInformationMonitor>();
    {
        auto handle = std::make_shared<CMonitorGuard<InformationSnapshot>>(monitor);
        EXPECT_FALSE(monitor->Closed());
    }
    EXPECT_FALSE(monitor->WaitClosed());
    monitor->Close(true);
    EXPECT_FALSE(monitor->WaitClosed());
}

namespace {

ProgressSnapshot Step(int files, int folders, bool running = true, bool deleting = false)
{
    ProgressSnapshot s;
    s.Totals = { 99, 9, 40, 4 };
    s.FilesDone = files;
    s.FoldersDone = folders;
    s.Elapsed = 3725;
    s.Running = running;
    s.Deleting = deleting;
    s.CurrentFolder = "/data/pictures/2025";
    s.CurrentFile = "/data/pictures/2025/a.jpg";
    s.CurrentFileSize = 2048;
    return s;
}

struct ProgressWindow {
    ProgressWindow(int action, bool deleteFirst, const ProgressSnapshot& first)
        : monitor(std::make_shared<CProgressMonitor>(first))
    {
        CRunDisplay::WindowRules rules;
        rules.DeleteFirst = deleteFirst;
        window = new CProgressDlg(action, rules, std::make_shared<CMonitorGuard<ProgressSnapshot>>(monitor), cancel);
        window->Start();
    }
    ~ProgressWindow() { delete window; }

    std::atomic<std::int32_t> cancel { 0 };
    std::shared_ptr<CProgressMonitor> monitor;
    QPointer<CProgressDlg> window;
};

} // namespace

TEST(ProgressDlgTest, TextsAndBarsFollowTheWorker)
{
    ProgressWindow progress(0, false, Step(0, 0));
    progress.window->Tick();
    EXPECT_EQ(progress.window->windowTitle(), QStringLiteral("Backup Progress [0%]"));
    EXPECT_EQ(progress.window->TextOf(CProgressDlg::Files), QStringLiteral("0 of 99"));
    EXPECT_EQ(progress.window->TextOf(CProgressDlg::Elapsed), QStringLiteral("01:02:05 elapsed"));
    // Nothing is in hand before the first item.
    EXPECT_EQ(progress.window->TextOf(CProgressDlg::CurrentFile), QString());
    EXPECT_EQ(progress.window->TextOf(CProgressDlg::CurrentFolder), QString());

    progress.monitor->Publish(Step(50, 4));
    ASSERT_EVENTUALLY_EQ(progress.window->TextOf(CProgressDlg::Files), QStringLiteral("50 of 99"));
    EXPECT_EQ(progress.window->TextOf(CProgressDlg::Folders), QStringLiteral("4 of 9"));
    EXPECT_EQ(progress.window->FileBar(), 50);
    EXPECT_EQ(progress.window->FolderBar(), 40);
    EXPECT_EQ(progress.window->windowTitle(), QStringLiteral("Backup Progress [49%]"));
    EXPECT_EQ(progress.window->TextOf(CProgressDlg::CurrentFile), QStringLiteral("/data/pictures/2025/a.jpg"));
    EXPECT_EQ(progress.window->TextOf(CProgressDlg::CurrentSize), QStringLiteral("2.00 kB"));
    EXPECT_FALSE(progress.window->TextOf(CProgressDlg::CurrentFolder).isEmpty());

    // Every item done while the worker still runs: the bars stay below 100.
    progress.monitor->Publish(Step(99, 9));
    ASSERT_EVENTUALLY_EQ(progress.window->TextOf(CProgressDlg::Files), QStringLiteral("99 of 99"));
    EXPECT_EQ(progress.window->FileBar(), 99);
    EXPECT_EQ(progress.window->FolderBar(), 90);
    EXPECT_EQ(progress.window->TextOf(CProgressDlg::CurrentFile), QString());

    progress.monitor->Publish(Step(99, 9, false));
    ASSERT_EVENTUALLY(progress.monitor->Closed());
    EXPECT_TRUE(progress.monitor->WaitClosed());
    ASSERT_EVENTUALLY(progress.window == nullptr);
}

TEST(ProgressDlgTest, ARestoreCountsAgainstTheBackupSide)
{
    ProgressWindow progress(1, true, Step(20, 2));
    progress.window->Tick();
    EXPECT_EQ(progress.window->TextOf(CProgressDlg::Files), QStringLiteral("20 of 40"));
    EXPECT_EQ(progress.window->TextOf(CProgressDlg::Folders), QStringLiteral("2 of 4"));
    EXPECT_TRUE(progress.window->windowTitle().startsWith(QStringLiteral("Restore Progress")));
    // A restore deletes nothing first.
    EXPECT_EQ(Waiting(*progress.window), nullptr);
}

TEST(ProgressDlgTest, CancelWaitsForTheWorkerToLetGo)
{
    ProgressWindow progress(0, false, Step(10, 1));
    progress.window->CancelButton()->click();
    EXPECT_EQ(progress.cancel, 1);
    ASSERT_EVENTUALLY(Waiting(*progress.window) != nullptr);
    EXPECT_FALSE(progress.monitor->Closed());
    progress.monitor->Publish(Step(11, 1, false));
    ASSERT_EVENTUALLY(progress.monitor->Closed());
    EXPECT_FALSE(progress.monitor->WaitClosed());
}

TEST(ProgressDlgTest, DeletionsOverAlreadyCloseTheDeletionWindowAtItsFirstLook)
{
    ProgressWindow progress(0, true, Step(0, 0, true, false));
    QTest::qWait(0);
    ASSERT_EVENTUALLY_EQ(Waiting(*progress.window), nullptr);
    EXPECT_EQ(progress.cancel, 0);
    EXPECT_TRUE(progress.window->isVisible());
}

TEST(ProgressDlgTest, CancellingTheDeletionWindowCancelsTheRun)
{
    ProgressWindow progress(0, true, Step(0, 0, true, true));
    ASSERT_EVENTUALLY(Waiting(*progress.window) != nullptr);
    EXPECT_EQ(Waiting(*progress.window)->Status(), QStringLiteral("Deleting files and folders..."));
    Waiting(*progress.window)->CancelButton()->click();
    EXPECT_EQ(progress.cancel, 1);
    ASSERT_EVENTUALLY(progress.monitor->Closed());
    EXPECT_FALSE(progress.monitor->WaitClosed());
}

TEST(GeneralProgressTest, TitleCountsTheWaitAndCancelRejects)
{
    bool busy = true;
    bool ended = true;
    bool called = false;
    auto* waiting = new CGeneralProgress(
        QStringLiteral("Waiting"), [&busy] { return busy; }, nullptr);
    QPointer<CGeneralProgress> alive(waiting);
    waiting->Start([&](bool e) {
        ended = e;
        called = true;
    });
    ASSERT_EVENTUALLY(waiting->windowTitle().startsWith(QStringLiteral("Progress [00:00:0")));
    waiting->CancelButton()->click();
    EXPECT_TRUE(called);
    EXPECT_FALSE(ended);
    ASSERT_EVENTUALLY(alive == nullptr);
}

namespace {

// A real backup of three files in two folders, as if it took 01:02:05.
ActionSummaryData BackUp(const TempDir& dir)
{
    CSet set;
    CBackup& entry = set.Entries.emplace_back();
    entry.SourceFolder = dir / "src";
    entry.DestinationFolder = dir / "backup";
    entry.IncludeFiles = "*.*";
    ActionSummaryData data = RealBackup(set);
    data.Elapsed = 3725;
    return data;
}

} // namespace

TEST(ActionSummaryDlgTest, CountsAndListsOfARealBackup)
{
    TempDir dir;
    dir.Write("src/a.txt", std::string(1000, 'a'));
    dir.Write("src/sub/b.txt", std::string(1048, 'b'));
    dir.Write("src/sub/empty.txt", "");
    CActionSummaryDlg first(BackUp(dir), false);
    EXPECT_EQ(first.windowTitle(), QStringLiteral("Backup Summary"));
    EXPECT_EQ(first.LineText(CActionSummaryDlg::Added), QStringLiteral("3 files, 3 folders (2.00 kB)"));
    EXPECT_EQ(first.LineText(CActionSummaryDlg::Updated), QStringLiteral("0 files"));
    EXPECT_EQ(first.LineText(CActionSummaryDlg::Deleted), QStringLiteral("0 files, 0 folders"));
    EXPECT_TRUE(first.LineText(CActionSummaryDlg::Processed).startsWith(QStringLiteral("3 files, ")));
    EXPECT_EQ(first.TimeText(), QStringLiteral("01:02:05"));
    EXPECT_TRUE(first.ViewButton(CActionSummaryDlg::Added)->isEnabled());
    EXPECT_FALSE(first.ViewButton(CActionSummaryDlg::Updated)->isEnabled());
    EXPECT_FALSE(first.ViewButton(CActionSummaryDlg::Deleted)->isEnabled());

    std::vector<std::pair<QString, CFileRecordArray>> shown;
    first.SetViewer(
        [&shown](const CFileRecordArray& records, const QString& title) { shown.emplace_back(title, records); });
    first.ViewButton(CActionSummaryDlg::Added)->click();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, QStringLiteral("Added Files/Folders"));
    ASSERT_EQ(shown[0].second.size(), 6u);
    // Folders first, then files.
    EXPECT_TRUE(shown[0].second[2].IsFolder());
    EXPECT_FALSE(shown[0].second[3].IsFolder());

    // Nothing changed: only the processed line has anything to list.
    CActionSummaryDlg second(BackUp(dir), false);
    EXPECT_EQ(second.LineText(CActionSummaryDlg::Added), QStringLiteral("0 files, 0 folders"));
    EXPECT_FALSE(second.ViewButton(CActionSummaryDlg::Added)->isEnabled());
    EXPECT_TRUE(second.LineText(CActionSummaryDlg::Processed).endsWith(QStringLiteral("(2.00 kB)")));
    EXPECT_TRUE(second.ViewButton(CActionSummaryDlg::Processed)->isEnabled());

    ActionSummaryData restore;
    restore.Action = 1;
    CActionSummaryDlg third(restore, false);
    EXPECT_EQ(third.windowTitle(), QStringLiteral("Restore Summary"));
}

namespace {

CFileRecord Record(const std::string& path, std::uint64_t size, std::uint64_t time, bool folder = false)
{
    CFileRecord record;
    record.Path = path;
    record.Size = size;
    record.Attributes = folder ? 0x10 : 0x20;
    record.LastWriteTime = time;
    record.CreationTime = time;
    return record;
}

std::vector<std::string> Names(const CFileListModel& model)
{
    std::vector<std::string> names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.push_back(model.Path(row).toStdString());
    return names;
}

constexpr std::uint64_t kDay = 864000000000ULL;
constexpr std::uint64_t k2020 = 132223104000000000ULL;

} // namespace

TEST(ViewFoldersDlgTest, ListsSortByNameSizeAndDate)
{
    CFileRecordArray records;
    records.push_back(Record("/b/zeta", 1234567, k2020 + kDay));
    records.push_back(Record("/b/Alpha", 5, k2020 + 3 * kDay));
    records.push_back(Record("/b/beta", 900, k2020 + 2 * kDay));
    records.push_back(Record("/b/dir", 777, k2020, true));
    CViewFoldersDlg view(records, QString(), false);
    view.show();
    CFileListModel& model = *view.Model();
    EXPECT_EQ(view.windowTitle(), QStringLiteral("View Folders"));
    // Names ignore case; the list opens sorted by name.
    EXPECT_EQ(Names(model), std::vector<std::string>({ "/b/Alpha", "/b/beta", "/b/dir", "/b/zeta" }));
    EXPECT_EQ(
        model.data(model.index(3, CFileListModel::Size), Qt::DisplayRole).toString(), QStringLiteral("1 234 567"));
    // A folder shows size 0.
    EXPECT_EQ(model.data(model.index(2, CFileListModel::Size), Qt::DisplayRole).toString(), QStringLiteral("0"));
    EXPECT_FALSE(model.data(model.index(0, CFileListModel::Modified), Qt::DisplayRole).toString().isEmpty());

    view.List()->selectRow(3);
    QHeaderView* header = view.List()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(Names(model), std::vector<std::string>({ "/b/dir", "/b/Alpha", "/b/beta", "/b/zeta" }));
    EXPECT_EQ(model.SortColumn(), CFileListModel::Size);
    // The selection follows its record.
    EXPECT_EQ(view.List()->currentIndex().row(), 3);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(Names(model), std::vector<std::string>({ "/b/zeta", "/b/beta", "/b/Alpha", "/b/dir" }));
    model.sort(CFileListModel::Modified, Qt::AscendingOrder);
    EXPECT_EQ(Names(model), std::vector<std::string>({ "/b/dir", "/b/zeta", "/b/beta", "/b/Alpha" }));
    EXPECT_EQ(model.data(model.index(0, CFileListModel::Modified), Qt::BackgroundRole).value<QBrush>().color(),
        QColor(0xF7F7F7));
    EXPECT_EQ(model.data(model.index(0, CFileListModel::Name), Qt::BackgroundRole), QVariant());
}

TEST(ViewFoldersDlgTest, TipsShowNamesAsWrittenNeverAsRichText)
{
    const std::vector<std::string> paths { "/b/<b>bold</b>", "/b/<img src=\"zero\">", "/b/a & b  two spaces" };
    CFileRecordArray records;
    for (const std::string& path : paths)
        records.push_back(Record(path, 1, k2020));
    CViewFoldersDlg view(records, QString(), false);
    CFileListModel& model = *view.Model();
    for (int row = 0; row < model.rowCount(); ++row) {
        QTextDocument shown;
        shown.setHtml(model.data(model.index(row, CFileListModel::Name), Qt::ToolTipRole).toString());
        EXPECT_EQ(shown.toPlainText(), model.Path(row));
        EXPECT_EQ(model.data(model.index(row, CFileListModel::Name), Qt::DisplayRole).toString(), model.Path(row));
    }
}

TEST(ViewFoldersDlgTest, ADoubleClickOpensTheItemAndSaysWhenItCannot)
{
    CFileRecordArray records;
    records.push_back(Record("/b/file", 1, k2020));
    CViewFoldersDlg view(records, QStringLiteral("Added Files/Folders"), true);
    EXPECT_EQ(view.windowTitle(), QStringLiteral("Added Files/Folders"));
    EXPECT_TRUE(view.List()->showGrid());
    QStringList opened;
    view.SetOpener([&opened](const QString& path) {
        opened << path;
        return true;
    });
    view.OpenRow(0);
    EXPECT_EQ(opened, QStringList({ QStringLiteral("/b/file") }));
}

TEST(FileListModelTest, GroupsDigitsAndFillsAHundredThousandRows)
{
    EXPECT_EQ(CFileListModel::GroupedNumber(0), QStringLiteral("0"));
    EXPECT_EQ(CFileListModel::GroupedNumber(999), QStringLiteral("999"));
    EXPECT_EQ(CFileListModel::GroupedNumber(1000), QStringLiteral("1 000"));
    EXPECT_EQ(CFileListModel::GroupedNumber(1234567), QStringLiteral("1 234 567"));
    CFileRecordArray records;
    for (int i = 0; i < 100000; ++i)
        records.push_back(Record("/f/" + std::to_string(99999 - i), static_cast<std::uint64_t>(i), k2020));
    CFileListModel model;
    model.SetRecords(records);
    ASSERT_EQ(model.rowCount(), 100000);
    EXPECT_EQ(model.Path(0), QStringLiteral("/f/0"));
    model.sort(CFileListModel::Size, Qt::DescendingOrder);
    EXPECT_EQ(model.SortValue(0, CFileListModel::Size), 99999);
}
