// The details of the file information window on offscreen, fed the way a
// run feeds them: the action scan and its plan on their threads over a real
// tree, the Qt run display on a run thread of its own, the window on this
// one. Then a person's look: Details, sorting, the kind filter, the totals
// and the restore's sentence.
#include "common/EventualAssert.h"
#include "common/TempDir.h"
#include "core/Set.h"
#include "core/SettingsRecord.h"
#include "engine/GetInfoWorker.h"
#include "engine/RunPlanner.h"
#include "platform/Clock.h"
#include "scan/PathFormat.h"
#include "ui/GetInfoDlg.h"
#include "ui/PlanListModel.h"
#include "ui/QtRunDisplay.h"
#include "ui/RunWindows.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

using Kind = CRunPlan::Kind;

void Age(const std::string& path, std::time_t mtime)
{
    fs::last_write_time(path, fs::file_time_type::clock::from_sys(std::chrono::system_clock::from_time_t(mtime)));
}

// A backup of a small tree, then a source that moved on: a file deleted, a
// file edited after its backup (newer than its copy), a file changed back
// to an older state, and a file added.
class GetInfoDetailsTest : public ::testing::Test {
protected:
    GetInfoDetailsTest()
    {
        for (const char* name : { "a.txt", "b.txt", "edited.txt", "gone.txt", "older.txt" })
            tmp.Write(std::string("src/") + name, std::string("contents of ") + name);
        tmp.Write("dest/src/a.txt", "contents of a.txt");
        tmp.Write("dest/src/b.txt", "contents of b.txt");
        tmp.Write("dest/src/edited.txt", "the backup copy");
        tmp.Write("dest/src/gone.txt", "deleted from the source");
        tmp.Write("dest/src/older.txt", "a longer backup copy of older.txt");
        for (const char* name : { "a.txt", "b.txt", "gone.txt" }) {
            Age(tmp / (std::string("src/") + name), 1'600'000'000);
            Age(tmp / (std::string("dest/src/") + name), 1'600'000'000);
        }
        fs::remove(tmp / "src/gone.txt");
        Age(tmp / "src/edited.txt", 1'600'100'000);
        Age(tmp / "dest/src/edited.txt", 1'600'000'000);
        Age(tmp / "src/older.txt", 1'600'000'000);
        Age(tmp / "dest/src/older.txt", 1'600'100'000);
        tmp.Write("src/new.txt", "new");
        settings.Actions.BackupDelete = 1;
    }

    CSet Set(int action) const
    {
        CSet set;
        set.ActiveAction = action;
        CBackup& entry = set.Entries.emplace_back();
        entry.SourceFolder = tmp / "src";
        entry.DestinationFolder = tmp.Path() + "/dest/";
        entry.IncludeFiles = "*.*";
        return set;
    }

    // Runs the information step of an action as the runner does; the run
    // thread waits in the display until the window closes.
    void Open(int action)
    {
        info = std::make_unique<CGetInfoWorker>(Set(action), cancel);
        info->SetPlanner(
            [planner = CRunPlanner(settings, CClock::System())](const CSet& set, std::vector<CEntryScan> scans,
                std::atomic<std::int32_t>& stop) { return planner.Plan(set, std::move(scans), stop); });
        info->Start();
        display.SetInterval(std::chrono::milliseconds(5));
        run = std::thread([this, action] { proceeded = display.ShowInformation(*info, action); });
    }

    void Close()
    {
        view.Information()->ContinueButton()->click();
        run.join();
        info->DropPlan();
        info->Wait();
    }

    CGetInfoDlg& Window() { return *view.Information(); }
    CPlanListModel& Model() { return *Window().DetailsModel(); }
    std::vector<std::string> Column(int column)
    {
        std::vector<std::string> texts;
        for (int row = 0; row < Model().rowCount(); ++row)
            texts.push_back(Model().data(Model().index(row, column), Qt::DisplayRole).toString().toStdString());
        return texts;
    }

    TempDir tmp;
    SettingsRecord settings;
    std::atomic<std::int32_t> cancel { 0 };
    QWidget owner;
    CRunWindows view { cancel, &owner };
    CQtRunDisplay display { view, &view, cancel };
    std::unique_ptr<CGetInfoWorker> info;
    std::thread run;
    std::atomic<bool> proceeded { false };
};

TEST_F(GetInfoDetailsTest, BackupDetailsSortFilterAndTotals)
{
    Open(0);
    ASSERT_EVENTUALLY(view.Information() && Window().ContinueButton()->isEnabled());
    EXPECT_EQ(Window().Sentence(), QString()) << "a backup has no restore sentence";
    ASSERT_EVENTUALLY(Model().rowCount() == 4);
    EXPECT_FALSE(Window().DetailsShown());
    const QSize closed = Window().size();
    Window().DetailsButton()->click();
    EXPECT_TRUE(Window().DetailsShown());
    EXPECT_GT(Window().width(), closed.width());
    EXPECT_GT(Window().height(), closed.height());
    EXPECT_TRUE(Window().DetailsList()->isVisible());
    // The totals above the list: new.txt (3), edited.txt (22), older.txt (21)
    // copied; gone.txt (23) removed.
    EXPECT_EQ(Window().Totals().toStdString(),
        "To copy: " + FormatSize(46) + " in 3 files      To remove: " + FormatSize(23) + " in 1 file");

    // In the run's order first; then by name, and by size from the largest.
    EXPECT_EQ(Column(CPlanListModel::What), (std::vector<std::string> { "Added", "Replaced", "Replaced", "Deleted" }));
    Window().DetailsList()->sortByColumn(CPlanListModel::Name, Qt::AscendingOrder);
    EXPECT_EQ(
        Column(CPlanListModel::Name), (std::vector<std::string> { "edited.txt", "gone.txt", "new.txt", "older.txt" }));
    EXPECT_EQ(Column(CPlanListModel::Newer), (std::vector<std::string> { "", "", "", "Newer" }));
    Window().DetailsList()->sortByColumn(CPlanListModel::Size, Qt::DescendingOrder);
    EXPECT_EQ(Column(CPlanListModel::Size), (std::vector<std::string> { "23", "22", "21", "3" }));

    // Filtered by kind through the box, the sort kept.
    QComboBox& filter = *Window().KindFilter();
    const int replaced = filter.findText(QStringLiteral("Replaced"));
    filter.setCurrentIndex(replaced);
    Q_EMIT filter.activated(replaced);
    EXPECT_EQ(Column(CPlanListModel::Name), (std::vector<std::string> { "edited.txt", "older.txt" }));
    Window().FilterKinds(CPlanListModel::KindBit(Kind::Deleted) | CPlanListModel::KindBit(Kind::Added));
    EXPECT_EQ(Column(CPlanListModel::Name), (std::vector<std::string> { "gone.txt", "new.txt" }));
    Window().FilterKinds(CPlanListModel::KindBit(Kind::BroughtBack));
    EXPECT_EQ(Model().rowCount(), 0);
    Window().FilterKinds(CPlanListModel::kAllKinds);
    EXPECT_EQ(filter.currentText(), QStringLiteral("Everything"));
    EXPECT_EQ(Model().rowCount(), 4);
    EXPECT_EQ(Model().ItemAt(0).Root(), tmp / "dest/src/");

    // The list of paths grows with the window, down to its opened size; closed,
    // the details take the window back to its first, fixed size.
    const QSize opened = Window().size();
    const QSize list = Window().DetailsList()->size();
    const int filterLeft = Window().KindFilter()->x();
    EXPECT_EQ(Window().minimumSize(), opened);
    Window().resize(opened + QSize(240, 120));
    EXPECT_EQ(Window().DetailsList()->size(), list + QSize(240, 120));
    EXPECT_EQ(Window().KindFilter()->x(), filterLeft + 240);
    Window().DetailsButton()->click();
    EXPECT_EQ(Window().size(), closed);
    EXPECT_EQ(Window().maximumSize(), closed);
    Window().DetailsButton()->click();
    EXPECT_EQ(Window().size(), opened);
    EXPECT_EQ(Window().DetailsList()->size(), list);

    Close();
    EXPECT_TRUE(proceeded);
    EXPECT_TRUE(fs::exists(tmp / "dest/src/gone.txt")) << "the plan changed nothing";
}

TEST_F(GetInfoDetailsTest, RestoreSaysWhatItWillDoBeforeItMayGoOn)
{
    Open(1);
    ASSERT_EVENTUALLY(view.Information() != nullptr);
    // Continue waits for the sentence.
    ASSERT_EVENTUALLY(Window().ContinueButton()->isEnabled());
    EXPECT_EQ(Window().Sentence(),
        QStringLiteral("This restore will replace 2 files on the source, 1 of them newer than their backup copy, "
                       "and bring back 1 files deleted from the source."));
    EXPECT_TRUE(Window().Warns());
    Window().ShowDetails(true);
    // edited.txt (15) and older.txt (33) replaced, gone.txt (23) back.
    EXPECT_EQ(Window().Totals().toStdString(), "To copy: " + FormatSize(71) + " in 3 files      To remove: nothing");
    EXPECT_EQ(Column(CPlanListModel::What), (std::vector<std::string> { "Replaced", "Replaced", "Brought back" }));
    Window().DetailsList()->sortByColumn(CPlanListModel::Newer, Qt::AscendingOrder);
    EXPECT_EQ(Column(CPlanListModel::Name)[0], "edited.txt");
    EXPECT_TRUE(Model().ItemAt(0).TargetNewer);
    Window().FilterKinds(CPlanListModel::KindBit(Kind::BroughtBack));
    EXPECT_EQ(Column(CPlanListModel::Name), (std::vector<std::string> { "gone.txt" }));
    EXPECT_EQ(Column(CPlanListModel::Size), (std::vector<std::string> { "23" }));
    Close();
    EXPECT_TRUE(proceeded);
    EXPECT_FALSE(fs::exists(tmp / "src/gone.txt")) << "the plan changed nothing";
}

TEST_F(GetInfoDetailsTest, ARestoreWithNothingNewerHasNoWarningLook)
{
    Age(tmp / "src/edited.txt", 1'600'000'000);
    Open(1);
    ASSERT_EVENTUALLY(view.Information() && Window().ContinueButton()->isEnabled());
    EXPECT_EQ(Window().Sentence(),
        QStringLiteral("This restore will replace 2 files on the source, 0 of them newer than their backup copy, "
                       "and bring back 1 files deleted from the source."));
    EXPECT_FALSE(Window().Warns());
    Close();
}

} // namespace
