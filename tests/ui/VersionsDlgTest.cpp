// The versions window over a version area made by hand.
#include "ui/VersionsDlg.h"

#include "DialogTestSupport.h"
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
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class VersionsDlgTest : public ::testing::Test {
protected:
    VersionsDlgTest()
    {
        fs::remove_all(HomeTrashFolder());
        entry.SourceFolder = dir / "src";
        entry.DestinationFolder = dir / "dest";
        Version("2025-03-01 120000", "docs/a.txt", "first");
        Version("2025-03-02 081500", "docs/a.txt", "second");
        Version("2025-03-02 081500", "pics/b.png", "png");
        dir.Write("src/docs/a.txt", "current work");
    }
    ~VersionsDlgTest() override
    {
        // The window's threads read and write the scratch folder.
        QTRY_COMPARE(CVersionsDlg::ThreadsAlive(), 0);
        fs::remove_all(HomeTrashFolder());
    }

    void Version(const std::string& stamp, const std::string& relative, const std::string& bytes)
    {
        dir.Write("dest/src/.korvane-versions/" + stamp + "/" + relative, bytes);
    }
    static std::string Cell(const CVersionsDlg& dialog, int row, int column)
    {
        const CVersionListModel& model = dialog.Model();
        return model.data(model.index(row, column), Qt::DisplayRole).toString().toStdString();
    }

    TempDir dir;
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
    EXPECT_FALSE(fs::exists(dir / "src/pics/b.png"));
}

} // namespace
