// What the windows show of a run that did not go cleanly: the failed items
// and "Cancelled" in the summary, whole paths in the log viewer's tips, and
// the default log on the settings' log page.
#include "common/EventualAssert.h"
#include "common/FakeClock.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDir.h"
#include "log/ActivityLog.h"
#include "ui/ActionSummaryDlg.h"
#include "ui/LogListModel.h"
#include "ui/LogLoad.h"
#include "ui/RealBackup.h"
#include "ui/SettingsLoggingDlg.h"
#include "ui/ViewLogDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

const std::string kLongName = "a folder whose name alone is longer than the forty characters a log once kept";

TEST(ActionSummaryFailuresTest, FailedItemsOfARealBackupAreListedWithTheirReasons)
{
    TempDir dir;
    const std::string source = dir / kLongName;
    dir.Write(kLongName + "/a.txt", "aaaa");
    // A file where the backup's folder of the entry belongs.
    const std::string blocked = dir.Write("backup/" + kLongName, "in the way");
    CSet set;
    CBackup& entry = set.Entries.emplace_back();
    entry.SourceFolder = source;
    entry.DestinationFolder = dir / "backup";
    entry.IncludeFiles = "*.*";
    CActionSummaryDlg dialog(RealBackup(set, true), false);
    dialog.show();

    // The folder could not be made, nor the file copied into it.
    EXPECT_EQ(dialog.FailedText(), QStringLiteral("2 items"));
    // The processed line counts as before, the failed item beside it.
    EXPECT_TRUE(dialog.LineText(CActionSummaryDlg::Processed).startsWith(QStringLiteral("1 files, ")));
    EXPECT_EQ(dialog.StatusText(), QString());
    QTreeWidget* list = dialog.FailureList();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(0).toStdString(), source + "/a.txt");
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("Not a directory (error: 20)"));
    const QTreeWidgetItem* row = list->topLevelItem(0);
    EXPECT_EQ(row->text(0).toStdString(), blocked);
    EXPECT_EQ(row->text(1), QStringLiteral("Failed to create the folder: File exists (error: 17)"));
    EXPECT_TRUE(row->toolTip(0).contains(QString::fromStdString(blocked))) << row->toolTip(0).toStdString();
    EXPECT_EQ(list->textElideMode(), Qt::ElideMiddle);
    EXPECT_TRUE(list->isVisible());
}

TEST(ActionSummaryFailuresTest, ACancelledRunSaysSoAndACleanOneListsNothing)
{
    ActionSummaryData cancelled;
    cancelled.Cancelled = true;
    cancelled.Failures.push_back({ "/data/x", "Permission denied (error: 13)" });
    cancelled.Failures.push_back({ "/data/y", "Changed since it was scanned (error: 1)" });
    CActionSummaryDlg stopped(cancelled, false);
    EXPECT_EQ(stopped.StatusText(), QStringLiteral("Cancelled"));
    EXPECT_EQ(stopped.FailedText(), QStringLiteral("2 items"));
    ASSERT_NE(stopped.FailureList(), nullptr);
    EXPECT_EQ(stopped.FailureList()->topLevelItemCount(), 2);

    CActionSummaryDlg clean(ActionSummaryData {}, false);
    EXPECT_EQ(clean.StatusText(), QString());
    EXPECT_EQ(clean.FailedText(), QStringLiteral("0 items"));
    EXPECT_EQ(clean.FailureList(), nullptr);
    // The list makes the window taller; without it the window stays small.
    EXPECT_GT(stopped.height(), clean.height());
}

TEST(ActionSummaryFailuresTest, TheVersionAreasSpaceStandsAboveTheTimeAddedUpWithEachAreaInTheTip)
{
    ActionSummaryData data;
    data.Elapsed = 61;
    data.VersionSpace.push_back({ "/one/.korvane-versions", 3 << 20 });
    data.VersionSpace.push_back({ "/two/.korvane-versions", 1 << 20 });
    CActionSummaryDlg summary(data, false);
    summary.show();
    QLabel* field = summary.VersionsField();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), QStringLiteral("4.00 MB"));
    EXPECT_TRUE(field->toolTip().contains(QStringLiteral("3.00 MB in /one/.korvane-versions")));
    EXPECT_TRUE(field->toolTip().contains(QStringLiteral("1.00 MB in /two/.korvane-versions")));
    EXPECT_EQ(summary.TimeText(), QStringLiteral("00:01:01"));

    // A run that kept no versions says nothing of them.
    CActionSummaryDlg without(ActionSummaryData {}, false);
    EXPECT_EQ(without.VersionsField(), nullptr);
    EXPECT_GT(summary.height(), without.height());
}

class LogPathsTest : public ::testing::Test {
protected:
    ~LogPathsTest() override
    {
        EXPECT_TRUE(QTest::qWaitFor([] { return CLogLoad::ThreadsAlive() == 0; }, 10000));
    }
    TempDir dir;
    ScriptedPrompter prompter;
    FakeClock clock { 1'700'000'000 };
};

// A record written now names the whole path; one written before, shortened
// and with a raw control character, still reads as it did.
TEST_F(LogPathsTest, TheViewerTipsShowWholePathsAndOldRecordsStillRead)
{
    const std::string path = dir / "activity.log";
    const std::string file = "/home/me/" + kLongName + "/" + kLongName + "/report\n.txt";
    {
        CActivityLog log(true, path, prompter, clock);
        log.WriteEvent(LogError, 0, "Permission denied (error: 13), Source: %s, Backup: /b", file.c_str());
    }
    const std::string old = "1699999000.0\t2\t0\tFailed to access /home/me/a folder ...ger than the \x01 forty\r\n";
    dir.Write("activity.log", TempDir::Read(path) + old);
    // One line per record: the line break of the name is escaped.
    EXPECT_NE(std::string::npos, TempDir::Read(path).find("report\\n.txt, Backup: /b\r\n"));

    CViewLogDlg dialog(path, false, prompter, clock);
    dialog.show();
    ASSERT_EVENTUALLY(!dialog.Loading());
    const CLogListModel& model = *dialog.Model();
    ASSERT_EQ(model.rowCount(), 2);
    const QString escaped = QString::fromStdString("/home/me/" + kLongName + "/" + kLongName + "/report\\n.txt");
    // Newest first: the old record was written after in the file, but earlier.
    const QString tip = model.data(model.index(0, CLogListModel::Message), Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.contains(escaped)) << tip.toStdString();
    EXPECT_EQ(model.Entry(0).Type, LogError);
    EXPECT_EQ(model.MessageText(1), QStringLiteral("Failed to access /home/me/a folder ...ger than the \ufffd forty"));
    auto* view = dialog.findChild<QTableView*>(QStringLiteral("list"));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->textElideMode(), Qt::ElideMiddle);
}

// Without a name typed, the log is the default one, which the page shows;
// and it says what is lost without a log.
TEST(SettingsLogPageTest, AnEmptyNameShowsAndKeepsTheDefaultLog)
{
    SettingsRecord settings;
    settings.General.LogActivate = 1;
    ScriptedPrompter prompter;
    CSettingsLoggingDlg page(settings, prompter);
    auto* name = page.findChild<QLineEdit*>(QStringLiteral("logFileName"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QString());
    EXPECT_EQ(
        name->placeholderText().toStdString(), std::string(std::getenv("XDG_STATE_HOME")) + "/korvane/korvane.log");
    auto* hint = page.findChild<QLabel*>(QStringLiteral("logHint"));
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->text().contains(QStringLiteral("scheduled runs"))) << hint->text().toStdString();

    name->setText(QStringLiteral("   "));
    SettingsRecord out = settings;
    out.General.LogFileName = "stale";
    EXPECT_TRUE(page.OnOK(out));
    EXPECT_EQ(out.General.LogFileName, "");
    EXPECT_TRUE(prompter.asked.empty());
}

} // namespace
