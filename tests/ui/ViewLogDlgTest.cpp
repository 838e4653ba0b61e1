#include "common/EventualAssert.h"
#include "ui/ViewLogDlg.h"

#include "DialogTestSupport.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "log/ActivityLog.h"
#include "platform/MyRegistry.h"
#include "scan/PathFormat.h"
#include "ui/FileListModel.h"
#include "ui/GeneralProgress.h"
#include "ui/KorvaneDlg.h"
#include "ui/LogListModel.h"
#include "ui/LogLoad.h"
#include "ui/MyListCtrl.h"
#include "ui/UiContext.h"
#include "ui/ViewFoldersDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <future>

namespace {

constexpr std::time_t kNow = 1'700'000'000;

// A log as the program writes it: a user backup ten days ago, a scheduled
// restore two hours ago, a copy error half an hour ago, a user restore five
// minutes ago, and a record of a type and action this program never writes.
std::string WriteSampleLog(const TempDir& dir)
{
    const std::string path = dir / "activity.log";
    ScriptedPrompter prompter;
    FakeClock clock;
    CActivityLog log(true, path, prompter, clock);
    const auto at = [&clock](std::time_t ago) { clock.Set(kNow - ago); };
    at(10 * 86400);
    log.WriteEvent(LogUser, 0, "%s started for '%s'", "Backup", "Docs");
    log.WriteEvent(LogUser, 0, "%s completed for '%s'", "Backup", "Docs");
    at(2 * 3600);
    log.WriteEvent(LogScheduled, 1, "%s started for '%s'", "Restore", "Photos");
    at(30 * 60);
    log.WriteEvent(LogError, 0, "Failed to access %s", "/home/me/<b>odd</b>.txt");
    at(5 * 60);
    log.WriteEvent(LogUser, 1, "%s cancelled for '%s'", "Restore", "Docs");
    std::string bytes = TempDir::Read(path);
    dir.Write("activity.log", bytes + std::to_string(kNow - 60) + ".0\t5\t9\tfrom a later version\r\n");
    return path;
}

std::vector<std::string> Messages(const CViewLogDlg& dialog)
{
    std::vector<std::string> messages;
    for (int row = 0; row < dialog.Model()->rowCount(); ++row)
        messages.push_back(dialog.Model()->MessageText(row).toStdString());
    return messages;
}

void Click(QWidget* control)
{
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(8, control->height() / 2));
}

void Choose(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index);
    Q_EMIT combo->activated(index);
}

class ViewLogDlgTest : public ::testing::Test {
protected:
    ViewLogDlgTest() { RemoveSettingsKey("Settings\\View Log"); }
    ~ViewLogDlgTest() override
    {
        // The reading threads end on their own; the files stay until they have.
        EXPECT_TRUE(QTest::qWaitFor([] { return CLogLoad::ThreadsAlive() == 0; }, 10000));
    }

    std::unique_ptr<CViewLogDlg> Open(const std::string& path)
    {
        auto dialog = std::make_unique<CViewLogDlg>(path, false, prompter, clock);
        dialog->show();
        return dialog;
    }

    TempDir dir;
    ScriptedPrompter prompter;
    FakeClock clock { kNow };
};

TEST_F(ViewLogDlgTest, ListsTheRecordsNewestFirstAndFiltersThem)
{
    auto dialog = Open(WriteSampleLog(dir));
    ASSERT_EVENTUALLY(!dialog->Loading());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("View Log"));
    EXPECT_EQ((std::vector<std::string> { "from a later version", "Restore cancelled for 'Docs'",
                  "Failed to access /home/me/<b>odd</b>.txt", "Restore started for 'Photos'",
                  "Backup completed for 'Docs'", "Backup started for 'Docs'" }),
        Messages(*dialog));
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_FALSE(dialog->NumberCombo()->isEnabled());

    Click(dialog->Check(CViewLogDlg::User));
    EXPECT_EQ((std::vector<std::string> {
                  "from a later version", "Failed to access /home/me/<b>odd</b>.txt", "Restore started for 'Photos'" }),
        Messages(*dialog));
    Click(dialog->Check(CViewLogDlg::Errors));
    Click(dialog->Check(CViewLogDlg::Scheduled));
    Click(dialog->Check(CViewLogDlg::Backup));
    Click(dialog->Check(CViewLogDlg::Restore));
    // Types and actions the boxes do not name always show.
    EXPECT_EQ((std::vector<std::string> { "from a later version" }), Messages(*dialog));

    for (int box :
        { CViewLogDlg::Errors, CViewLogDlg::User, CViewLogDlg::Scheduled, CViewLogDlg::Backup, CViewLogDlg::Restore })
        Click(dialog->Check(box));
    Click(dialog->Check(CViewLogDlg::DisplayLast));
    EXPECT_TRUE(dialog->NumberCombo()->isEnabled());
    EXPECT_TRUE(dialog->UnitCombo()->isEnabled());
    // Seven days by default: the backup of ten days ago goes.
    EXPECT_EQ(4, dialog->Model()->rowCount());
    Choose(dialog->NumberCombo(), 0);
    Choose(dialog->UnitCombo(), 0);
    // One hour: the restore of two hours ago goes too, the error of half an
    // hour ago stays.
    EXPECT_EQ((std::vector<std::string> {
                  "from a later version", "Restore cancelled for 'Docs'", "Failed to access /home/me/<b>odd</b>.txt" }),
        Messages(*dialog));
    // The age counts from now at each change.
    clock.Set(kNow + 31 * 60);
    Choose(dialog->UnitCombo(), 0);
    EXPECT_EQ(2, dialog->Model()->rowCount());
    Click(dialog->Check(CViewLogDlg::DisplayLast));
    EXPECT_EQ(6, dialog->Model()->rowCount());
    EXPECT_FALSE(dialog->UnitCombo()->isEnabled());
}

TEST_F(ViewLogDlgTest, RowsShowDateIconAndAnEscapedTip)
{
    auto dialog = Open(WriteSampleLog(dir));
    ASSERT_EVENTUALLY(!dialog->Loading());
    const CLogListModel& model = *dialog->Model();
    const int error = 2;
    ASSERT_EQ(model.Entry(error).Type, LogError);
    EXPECT_EQ(model.data(model.index(error, CLogListModel::Date), Qt::DisplayRole).toString().toStdString(),
        FormatLocalDateTime(kNow - 30 * 60));
    EXPECT_FALSE(model.data(model.index(error, CLogListModel::Date), Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(model.data(model.index(0, CLogListModel::Date), Qt::DecorationRole).isValid()); // type 5
    // A log line is never taken for rich text in its tip.
    const QString tip = model.data(model.index(error, CLogListModel::Message), Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.contains(QStringLiteral("&lt;b&gt;odd&lt;/b&gt;"))) << tip.toStdString();
    EXPECT_EQ(CLogListModel::DecodeMessage("caf\xe9\x01\tx"), QStringLiteral("caf\u00e9\ufffd x"));
    EXPECT_EQ(CLogListModel::DecodeMessage("caf\xc3\xa9"), QStringLiteral("caf\u00e9"));
}

TEST_F(ViewLogDlgTest, AClickOnDateTurnsTheOrderAndMessageDoesNotSort)
{
    auto dialog = Open(WriteSampleLog(dir));
    ASSERT_EVENTUALLY(!dialog->Loading());
    QHeaderView* header = dialog->List()->horizontalHeader();
    const auto clickHeader = [header](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(section) + 20, header->height() / 2));
    };
    clickHeader(CLogListModel::Date);
    EXPECT_FALSE(dialog->Model()->NewestFirst());
    EXPECT_EQ(dialog->Model()->MessageText(0), QStringLiteral("Backup started for 'Docs'"));
    clickHeader(CLogListModel::Message);
    EXPECT_EQ(header->sortIndicatorSection(), CLogListModel::Date);
    EXPECT_EQ(dialog->Model()->MessageText(0), QStringLiteral("Backup started for 'Docs'"));
    clickHeader(CLogListModel::Date);
    EXPECT_EQ(dialog->Model()->MessageText(0), QStringLiteral("from a later version"));
}

TEST_F(ViewLogDlgTest, TheFilterIsKeptForTheNextWindow)
{
    const std::string path = WriteSampleLog(dir);
    {
        auto dialog = Open(path);
        ASSERT_EVENTUALLY(!dialog->Loading());
        Click(dialog->Check(CViewLogDlg::Scheduled));
        Click(dialog->Check(CViewLogDlg::DisplayLast));
        Choose(dialog->NumberCombo(), 2);
        Choose(dialog->UnitCombo(), 3);
    }
    CMyRegistry registry;
    ASSERT_EQ(RegSuccess, registry.OpenKey("Settings\\View Log"));
    EXPECT_EQ(0u, registry.ReadNumber("Scheduled", 7));
    EXPECT_EQ(1u, registry.ReadNumber("Display", 7));
    EXPECT_EQ(2u, registry.ReadNumber("Number", 7));
    EXPECT_EQ(3u, registry.ReadNumber("Unit", 7));
    registry.CloseKey();

    auto again = Open(path);
    ASSERT_EVENTUALLY(!again->Loading());
    EXPECT_FALSE(again->Check(CViewLogDlg::Scheduled)->isChecked());
    EXPECT_TRUE(again->Check(CViewLogDlg::Errors)->isChecked());
    EXPECT_EQ(again->NumberCombo()->currentText(), QStringLiteral("3"));
    EXPECT_EQ(again->UnitCombo()->currentText(), QStringLiteral("months"));
    EXPECT_EQ(5, again->Model()->rowCount());
}

TEST_F(ViewLogDlgTest, StoredValuesOutOfRangeFallBackToTheDefaults)
{
    CMyRegistry registry;
    registry.CreateKey("Settings\\View Log");
    registry.WriteNumber("Number", 4000);
    registry.WriteNumber("Unit", 9);
    registry.WriteNumber("User", 7);
    registry.CloseKey();
    const CViewLogDlg::FilterState state = CViewLogDlg::LoadFilterState();
    EXPECT_EQ(6, state.Number);
    EXPECT_EQ(1, state.Unit);
    EXPECT_EQ(1, state.User);
}

TEST_F(ViewLogDlgTest, ALogThatCannotBeReadIsNamedAndTheWindowCloses)
{
    dir.Write("newer.log", "Korvane [LOGVERSION 003]\r\n-\r\n");
    dir.Write("empty.log", "");
    const std::pair<std::string, int> cases[]
        = { { dir / "missing.log", 57715 }, { dir / "newer.log", 57728 }, { dir / "empty.log", 57713 } };
    for (const auto& [path, message] : cases) {
        prompter.asked.clear();
        auto dialog = Open(path);
        ASSERT_EVENTUALLY(!dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        ASSERT_EQ(1u, prompter.asked.size()) << path;
        EXPECT_EQ(prompter.asked[0].text, LoadString(message) + "\n\n" + path);
        EXPECT_EQ(prompter.asked[0].style & MbIconMask, static_cast<unsigned>(MbIconError));
    }
}

TEST_F(ViewLogDlgTest, CancelWhileReadingClosesTheWindow)
{
    auto dialog = Open(WriteSampleLog(dir));
    // Nothing has been handed over yet: that takes the event loop.
    auto* progress = VisibleChild<CGeneralProgress>(*dialog);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->Status().toStdString(), LoadString(57701));
    EXPECT_TRUE(dialog->Loading());
    Click(progress->CancelButton());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(prompter.asked.empty());
}

// Many stretches through the queued hand-over, a damaged line among them.
TEST_F(ViewLogDlgTest, ALargeLogArrivesWholeAndInOrder)
{
    std::string log = "Korvane [LOGVERSION 002]\r\n-\r\n";
    constexpr int kRecords = 20000;
    for (int i = 0; i < kRecords; ++i) {
        log += std::to_string(kNow - kRecords + i) + "." + std::to_string(i) + "\t" + std::to_string(i % 3) + "\t"
            + std::to_string(i % 2) + "\tFailed to access /home/someone/Documents/letters/" + std::to_string(i)
            + ".odt\r\n";
        if (i == kRecords / 2)
            log += "1700000000.5\tdamaged\r\n";
    }
    auto dialog = Open(dir.Write("large.log", log));
    ASSERT_EVENTUALLY(!dialog->Loading());
    EXPECT_EQ(dialog->Summary().Records, static_cast<std::uint64_t>(kRecords));
    EXPECT_EQ(dialog->Summary().Skipped, 1u);
    ASSERT_EQ(dialog->Model()->rowCount(), kRecords);
    for (int row = 1; row < kRecords; ++row)
        ASSERT_GT(dialog->Model()->Entry(row - 1).Key, dialog->Model()->Entry(row).Key) << row;
    EXPECT_EQ(dialog->Model()->MessageText(0),
        QStringLiteral("Failed to access /home/someone/Documents/letters/%1.odt").arg(kRecords - 1));
}

std::shared_ptr<const LogBatch> Batch(std::initializer_list<std::pair<std::uint32_t, int>> records)
{
    auto batch = std::make_shared<LogBatch>();
    for (const auto& [time, type] : records) {
        LogEntry entry;
        entry.Key = static_cast<std::uint64_t>(time) << 32;
        entry.Type = type;
        entry.Offset = static_cast<std::uint32_t>(batch->Text.size());
        batch->Text += std::to_string(time);
        entry.Length = static_cast<std::uint32_t>(batch->Text.size()) - entry.Offset;
        batch->Entries.push_back(entry);
    }
    return batch;
}

// Stretches that overlap in time (a clock set back between runs) are put in
// order once all are in; the filter holds for stretches that come later.
TEST(LogListModelTest, OverlappingStretchesEndInOrderAndLaterOnesAreFiltered)
{
    CLogListModel model;
    LogFilter noErrors;
    noErrors.Errors = false;
    model.SetFilter(noErrors);
    model.Append(Batch({ { 500, LogUser }, { 300, LogError }, { 200, LogUser } }));
    model.Append(Batch({ { 400, LogScheduled }, { 100, LogUser } }));
    const auto times = [&model] {
        std::vector<std::uint32_t> shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown.push_back(model.Entry(row).Time());
        return shown;
    };
    EXPECT_EQ((std::vector<std::uint32_t> { 500, 200, 400, 100 }), times());
    model.Finish();
    EXPECT_EQ((std::vector<std::uint32_t> { 500, 400, 200, 100 }), times());
    EXPECT_EQ(model.MessageText(1), QStringLiteral("400"));
    model.SetFilter(LogFilter {});
    EXPECT_EQ((std::vector<std::uint32_t> { 500, 400, 300, 200, 100 }), times());
    EXPECT_EQ(model.RecordCount(), 5u);
    model.SetNewestFirst(false);
    EXPECT_EQ((std::vector<std::uint32_t> { 100, 200, 300, 400, 500 }), times());
    model.Append(Batch({ { 50, LogUser } }));
    EXPECT_EQ(model.Entry(0).Time(), 50u);
}

// The main window's Log... command and the popup's View.
class MainWindowViewersTest : public ::testing::Test, protected UiContextParts {
protected:
    MainWindowViewersTest()
    {
        dir.Write("docs/a.txt", "aaaa");
        dir.Write("docs/sub/b.txt", "bb");
        CSet& set = session.Sets.emplace_back();
        set.Name = "Docs";
        CBackup& docs = set.Entries.emplace_back();
        docs.SourceFolder = dir / "docs";
        docs.DestinationFolder = dir / "backup";
        docs.IncludeFiles = "*.*";
        saved = session;
        SettingsRecord record;
        record.General.AutomaticScan = 0;
        record.General.LogActivate = 1;
        record.General.LogFileName = WriteSampleLog(dir);
        settings.Replace(record);
        CKorvaneDlg::Services services { [](CRunDisplay&) { return std::unique_ptr<CActionRunner>(); }, clock, false };
        window = std::make_unique<CKorvaneDlg>(context, services);
        window->show();
    }
    ~MainWindowViewersTest() override
    {
        window.reset();
        EXPECT_TRUE(QTest::qWaitFor([] { return CLogLoad::ThreadsAlive() == 0; }, 10000));
    }

    QAction* LogCommand() const
    {
        for (QAction* menu : window->Menu()->actions()) {
            for (QAction* action : menu->menu()->actions()) {
                if (action->text() == QStringLiteral("&Log..."))
                    return action;
            }
        }
        return nullptr;
    }

    TempDir dir;
    FakeClock clock { kNow };
    std::unique_ptr<CKorvaneDlg> window;
};

TEST_F(MainWindowViewersTest, LogOpensTheViewerOnTheLogOfTheSettings)
{
    QAction* log = LogCommand();
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->isEnabled());
    EXPECT_EQ(log->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    int rows = -1;
    OnDialog<CViewLogDlg> viewer([&rows](CViewLogDlg& dialog) {
        ASSERT_EVENTUALLY(!dialog.Loading());
        rows = dialog.Model()->rowCount();
        Click(dialog.findChild<QPushButton*>(QStringLiteral("ok")));
    });
    log->trigger();
    EXPECT_EQ(viewer.seen, 1);
    EXPECT_EQ(rows, 6);
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(MainWindowViewersTest, LogWithLoggingSwitchedOffSaysSoAndOpensNothing)
{
    SettingsRecord record = *settings.Get();
    record.General.LogActivate = 0;
    settings.Replace(record);
    OnDialog<CViewLogDlg> viewer([](CViewLogDlg& dialog) { dialog.reject(); });
    LogCommand()->trigger();
    EXPECT_EQ(viewer.seen, 0);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, LoadString(57731));
}

TEST_F(MainWindowViewersTest, ViewListsTheEntrysFolderAfterAFreshPass)
{
    window->List()->SelectRow(0);
    std::unique_ptr<QMenu> menu = window->BuildPopupMenu();
    QAction* view = menu->actions()[3];
    ASSERT_EQ(view->text(), QStringLiteral("View"));
    ASSERT_TRUE(view->isEnabled());
    std::vector<std::string> paths;
    OnDialog<CViewFoldersDlg> folders([&paths](CViewFoldersDlg& dialog) {
        for (int row = 0; row < dialog.Model()->rowCount(); ++row)
            paths.push_back(dialog.Model()->Path(row).toStdString());
        dialog.accept();
    });
    view->trigger();
    ASSERT_EVENTUALLY_EQ(folders.seen, 1);
    EXPECT_EQ(paths, (std::vector<std::string> { dir / "docs/a.txt", dir / "docs/sub", dir / "docs/sub/b.txt" }));
    // The pass also gave the row its figures.
    ASSERT_EVENTUALLY_EQ(window->List()->Cell(0, 2), QStringLiteral("2"));
}

TEST_F(MainWindowViewersTest, CancelWhileScanningShowsNothingAndStopsThePass)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    window->Scans().SetPassStartHook([released] { released.wait(); });
    window->List()->SelectRow(0);
    OnDialog<CViewFoldersDlg> folders([](CViewFoldersDlg& dialog) { dialog.accept(); });
    window->ViewFolder();
    CGeneralProgress* progress = nullptr;
    ASSERT_EVENTUALLY((progress = VisibleChild<CGeneralProgress>(*window)) != nullptr);
    EXPECT_EQ(progress->Status().toStdString(), LoadString(57707));
    Click(progress->CancelButton());
    release.set_value();
    EXPECT_FALSE(window->Scans().Has({ 0, 0 }));
    EXPECT_EQ(window->List()->Cell(0, 2), QStringLiteral("-"));
    // A list opened after all would be found by now: it opens from a queued call.
    QCoreApplication::processEvents();
    EXPECT_EQ(folders.seen, 0);
}

} // namespace
