// The versions window over versions that real backups set aside.
#include "ui/VersionsDlg.h"

#include "DialogTestSupport.h"
#include "RealBackup.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "engine/WallClock.h"
#include "platform/Trash.h"
#include "ui/FolderBrowser.h"
#include "ui/VersionListModel.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The moment the local wall clock shows stamp ("YYYY-MM-DD HHMMSS").
std::time_t WhenWallShows(const char* stamp)
{
    const std::int64_t wall = *CWallClock::ParseStamp(stamp);
    std::time_t at = static_cast<std::time_t>(wall);
    for (int i = 0; i < 2; ++i)
        at += static_cast<std::time_t>(wall - CWallClock::FromEpoch(at));
    return at;
}

// Two entries of one set back up into one destination folder, and so share
// its version area: docs/a.txt is changed twice and pics/b.png once, the
// other entry's c.txt once.
class VersionsDlgTest : public ::testing::Test {
protected:
    VersionsDlgTest()
    {
        fs::remove_all(HomeTrashFolder());
        set.Versions.Active = 1;
        for (const char* source : { "src", "more" }) {
            CBackup& each = set.Entries.emplace_back();
            each.SourceFolder = dir / source;
            each.DestinationFolder = dir / "dest";
            each.IncludeFiles = "*.*";
            each.Recursive = 1;
        }
        entry = set.Entries[0];
        Put("src/docs/a.txt", "first", 1);
        Put("src/pics/b.png", "png", 1);
        Put("more/c.txt", "c one", 1);
        Backup("2025-03-01 110000");
        Put("src/docs/a.txt", "second", 2);
        Put("more/c.txt", "c two", 2);
        Backup("2025-03-01 120000");
        Put("src/docs/a.txt", "current work", 3);
        Put("src/pics/b.png", "png 2", 3);
        Backup("2025-03-02 081500");
    }
    ~VersionsDlgTest() override
    {
        // The window's threads read and write the scratch folder.
        QTRY_COMPARE(CVersionsDlg::ThreadsAlive(), 0);
        fs::remove_all(HomeTrashFolder());
    }

    void Put(const std::string& relative, const std::string& bytes, int change)
    {
        dir.Write(relative, bytes);
        // A later time for each change: a backup replaces what has changed.
        const std::chrono::sys_seconds time { std::chrono::seconds(1'600'000'000 + change * 100) };
        fs::last_write_time(dir / relative, std::chrono::file_clock::from_sys(time));
    }
    void Backup(const char* stamp)
    {
        clock.Set(WhenWallShows(stamp));
        ASSERT_TRUE(RealBackup(set, true, clock).Failures.empty()) << stamp;
    }
    static std::string Cell(const CVersionsDlg& dialog, int row, int column)
    {
        const CVersionListModel& model = dialog.Model();
        return model.data(model.index(row, column), Qt::DisplayRole).toString().toStdString();
    }

    TempDir dir;
    FakeClock clock;
    CSet set;
    CBackup entry;
};

TEST_F(VersionsDlgTest, ListsTheVersionsAndFiltersThemByNameAndDate)
{
    CVersionsDlg dialog(entry, 0, false);
    dialog.show();
    QTRY_VERIFY(!dialog.Busy());
    ASSERT_EQ(dialog.Model().rowCount(), 3);
    EXPECT_EQ(Cell(dialog, 0, CVersionListModel::Name), "docs/a.txt");
    EXPECT_EQ(Cell(dialog, 0, CVersionListModel::SetAside), "2025-03-01 12:00:00");
    EXPECT_EQ(Cell(dialog, 1, CVersionListModel::Size), "6 bytes");
    EXPECT_EQ(Child<QLabel>(dialog, "versionStatus")->text().toStdString(), "3 versions of 2 files");

    QTest::keyClicks(Child<QLineEdit>(dialog, "versionName"), QStringLiteral("A.T"));
    EXPECT_EQ(dialog.Model().rowCount(), 2);
    auto* at = Child<QDateTimeEdit>(dialog, "versionAt");
    EXPECT_FALSE(at->isEnabled());
    Child<QCheckBox>(dialog, "versionBefore")->setChecked(true);
    at->setDateTime(QDateTime(QDate(2025, 3, 2), QTime(8, 14, 59)));
    ASSERT_EQ(dialog.Model().rowCount(), 1);
    EXPECT_EQ(Cell(dialog, 0, CVersionListModel::SetAside), "2025-03-01 12:00:00");
    EXPECT_EQ(Child<QLabel>(dialog, "versionStatus")->text().toStdString(), "1 of 3 versions shown");
    Child<QLineEdit>(dialog, "versionName")->clear();
    Child<QCheckBox>(dialog, "versionBefore")->setChecked(false);
    EXPECT_EQ(dialog.Model().rowCount(), 3);
}

TEST_F(VersionsDlgTest, RestoreAndRestoreToCopyTheSelectedVersion)
{
    CVersionsDlg dialog(entry, 0, false);
    dialog.show();
    QTRY_VERIFY(!dialog.Busy());
    auto* restore = Child<QPushButton>(dialog, "versionRestore");
    EXPECT_FALSE(restore->isEnabled());
    Child<QTableView>(dialog, "versionList")->selectRow(0);
    ASSERT_TRUE(restore->isEnabled());
    QSignalSpy done(&dialog, &CVersionsDlg::RestoreDone);
    QTest::mouseClick(restore, Qt::LeftButton);
    QTRY_COMPARE(done.count(), 1);
    EXPECT_EQ(done.front().front().toInt(), 0);
    EXPECT_EQ(TempDir::Read(dir / "src/docs/a.txt"), "first");
    EXPECT_EQ(TempDir::Read(HomeTrashFolder() + "/files/a.txt"), "current work");

    CFolderBrowser::SetChooser([this](const CFolderBrowser&) { return QString::fromStdString(dir / "chosen"); });
    fs::create_directories(dir / "chosen");
    Child<QTableView>(dialog, "versionList")->selectRow(2);
    QTest::mouseClick(Child<QPushButton>(dialog, "versionRestoreTo"), Qt::LeftButton);
    CFolderBrowser::SetChooser({});
    QTRY_COMPARE(done.count(), 2);
    EXPECT_EQ(TempDir::Read(dir / "chosen/pics/b.png"), "png");
    EXPECT_EQ(TempDir::Read(dir / "src/pics/b.png"), "png 2");
}

TEST_F(VersionsDlgTest, AnEntrySharingTheAreaSeesOnlyItsOwnVersionsAndRestoresThemToItsSource)
{
    CVersionsDlg dialog(set.Entries[1], 0, false);
    dialog.show();
    QTRY_VERIFY(!dialog.Busy());
    ASSERT_EQ(dialog.Model().rowCount(), 1);
    EXPECT_EQ(Cell(dialog, 0, CVersionListModel::Name), "c.txt");
    EXPECT_EQ(Cell(dialog, 0, CVersionListModel::SetAside), "2025-03-01 12:00:00");
    Child<QTableView>(dialog, "versionList")->selectRow(0);
    QSignalSpy done(&dialog, &CVersionsDlg::RestoreDone);
    QTest::mouseClick(Child<QPushButton>(dialog, "versionRestore"), Qt::LeftButton);
    QTRY_COMPARE(done.count(), 1);
    EXPECT_EQ(TempDir::Read(dir / "more/c.txt"), "c one");
    EXPECT_FALSE(fs::exists(dir / "src/c.txt"));
}

} // namespace
