#include "common/EventualAssert.h"
#include "DialogTestSupport.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "platform/FileOps.h"
#include "ui/AddFolderDlg.h"
#include "ui/KorvaneDlg.h"
#include "ui/ManageBackupSetsDlg.h"
#include "ui/MyComboBoxEx.h"
#include "ui/MyListCtrl.h"
#include "ui/NewBackupSetDlg.h"
#include "ui/SchedulerAddDlg.h"
#include "ui/UiContext.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUrl>

namespace {

void PressOk(QDialog& dialog)
{
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

// The main window's Add, Edit, Manage and Scheduler commands and drops,
// through the real dialogs, on a session of one set with one entry.
class MainWindowDialogsTest : public ::testing::Test, protected UiContextParts {
protected:
    MainWindowDialogsTest()
    {
        MakeFolder(dir / "docs");
        MakeFolder(dir / "music");
        MakeFolder(dir / "backup");
        CSet& set = session.Sets.emplace_back();
        set.Name = "Docs";
        CBackup& docs = set.Entries.emplace_back();
        docs.SourceFolder = dir / "docs";
        docs.DestinationFolder = dir / "backup";
        docs.IncludeFiles = "*.*";
        saved = session;
        SettingsRecord record;
        record.General.AutomaticScan = 0;
        record.SchedulerActive = true;
        record.Scheduler.SMTPServer = "smtp.example.org";
        settings.Replace(record);
    }

    CKorvaneDlg& Window()
    {
        if (!window) {
            CKorvaneDlg::Services services { [](CRunDisplay&) { return std::unique_ptr<CActionRunner>(); }, clock,
                false };
            window = std::make_unique<CKorvaneDlg>(context, services);
            window->show();
        }
        return *window;
    }

    const CSet& Set() const { return session.Sets.front(); }

    TempDir dir;
    FakeClock clock;
    std::unique_ptr<CKorvaneDlg> window;
};

TEST_F(MainWindowDialogsTest, AddAppendsTheEntryTheDialogAccepted)
{
    CKorvaneDlg& w = Window();
    OnDialog<CAddFolderDlg> add([&](CAddFolderDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add Folder"));
        TypeInto(*Child<QComboBox>(dialog, "source"), QString::fromStdString(dir / "music"));
        TypeInto(*Child<QComboBox>(dialog, "backup"), QString::fromStdString(dir / "backup"));
        PressOk(dialog);
    });
    QTest::mouseClick(w.AddButton(), Qt::LeftButton);
    ASSERT_EQ(add.seen, 1);
    ASSERT_EQ(Set().Entries.size(), 2u);
    EXPECT_EQ(Set().Entries[1].SourceFolder, dir / "music");
    EXPECT_EQ(Set().Entries[1].IncludeFiles, "*.*");
    EXPECT_EQ(Set().LastDestinationFolder, dir / "backup");
    ASSERT_EVENTUALLY_EQ(w.List()->rowCount(), 2);
    EXPECT_TRUE(session.HasUnsavedChanges());
}

TEST_F(MainWindowDialogsTest, EditChangesTheSelectedEntryAndCancelNothing)
{
    CKorvaneDlg& w = Window();
    w.List()->SelectRow(0);
    {
        OnDialog<CAddFolderDlg> cancel([](CAddFolderDlg& dialog) {
            TypeInto(*Child<QComboBox>(dialog, "includeFiles"), QStringLiteral("*.txt"));
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QTest::mouseClick(w.EditButton(), Qt::LeftButton);
        EXPECT_EQ(Set().Entries[0].IncludeFiles, "*.*");
        EXPECT_FALSE(session.HasUnsavedChanges());
    }

    OnDialog<CAddFolderDlg> edit([&](CAddFolderDlg& dialog) {
        EXPECT_EQ(Child<QComboBox>(dialog, "source")->currentText(), QString::fromStdString(dir / "docs"));
        TypeInto(*Child<QComboBox>(dialog, "includeFiles"), QStringLiteral("*.txt ; *.odt"));
        PressOk(dialog);
    });
    QTest::mouseClick(w.EditButton(), Qt::LeftButton);
    ASSERT_EQ(Set().Entries.size(), 1u);
    EXPECT_EQ(Set().Entries[0].IncludeFiles, "*.txt; *.odt");
    ASSERT_EVENTUALLY_EQ(w.List()->rowCount(), 1);
}

TEST_F(MainWindowDialogsTest, ManageHandsItsSetsToTheSession)
{
    CKorvaneDlg& w = Window();
    OnDialog<CManageBackupSetsDlg> manage([&](CManageBackupSetsDlg& dialog) {
        QTest::mouseClick(Child<QPushButton>(dialog, "new"), Qt::LeftButton);
        CNewBackupSetDlg* name = VisibleChild<CNewBackupSetDlg>(dialog);
        ASSERT_NE(name, nullptr);
        QTest::keyClicks(Child<QLineEdit>(*name, "name"), QStringLiteral("Photos"));
        QTest::keyClick(Child<QLineEdit>(*name, "name"), Qt::Key_Return);
        PressOk(dialog);
    });
    QPushButton* button = nullptr;
    for (QPushButton* candidate : w.findChildren<QPushButton*>()) {
        if (candidate->text() == QStringLiteral("&Manage..."))
            button = candidate;
    }
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(manage.seen, 1);
    ASSERT_EQ(session.Sets.size(), 2u);
    EXPECT_EQ(session.Sets[1].Name, "Photos");
    EXPECT_EQ(session.Sets[0].Entries.size(), 1u);
    ASSERT_EVENTUALLY_EQ(w.SetSelector()->count(), 2);
    // The new set is the one the user goes on with.
    EXPECT_EQ(session.ActiveSet, 1);
    EXPECT_EQ(w.SetSelector()->currentIndex(), 1);
    EXPECT_EQ(w.List()->rowCount(), 0);
}

TEST_F(MainWindowDialogsTest, SchedulerStoresTheScheduleAndItsDueTimes)
{
    CKorvaneDlg& w = Window();
    OnDialog<CSchedulerAddDlg> schedule([](CSchedulerAddDlg& dialog) {
        QTest::mouseClick(Child<QCheckBox>(dialog, "enabled"), Qt::LeftButton);
        QTest::mouseClick(Child<QRadioButton>(dialog, "hourly"), Qt::LeftButton);
        PressOk(dialog);
    });
    w.Scheduler();
    ASSERT_EQ(schedule.seen, 1);
    EXPECT_EQ(Set().Schedule.Active, 1);
    EXPECT_EQ(Set().Schedule.Condition, 0);
    EXPECT_GT(Set().Schedule.NextDue, clock.Now());
    EXPECT_LE(Set().Schedule.NextDue, clock.Now() + 3600);
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(MainWindowDialogsTest, ADroppedFolderIsAddedWithoutShowingTheDialog)
{
    session.Sets.front().LastDestinationFolder = dir / "backup";
    CKorvaneDlg& w = Window();
    OnDialog<CAddFolderDlg> shown([](CAddFolderDlg& dialog) { dialog.reject(); });
    Drop(w, { QUrl::fromLocalFile(QString::fromStdString(dir / "music")) });
    ASSERT_EVENTUALLY_EQ(Set().Entries.size(), 2u);
    EXPECT_EQ(Set().Entries[1].SourceFolder, dir / "music");
    EXPECT_EQ(Set().Entries[1].Recursive, 1);
    EXPECT_EQ(shown.seen, 0);
}

TEST_F(MainWindowDialogsTest, ADropThatFailsACheckShowsTheDialog)
{
    CKorvaneDlg& w = Window(); // no backup folder to start from
    OnDialog<CAddFolderDlg> shown([](CAddFolderDlg& dialog) { dialog.reject(); });
    Drop(w, { QUrl::fromLocalFile(QString::fromStdString(dir / "music")) });
    ASSERT_EVENTUALLY_EQ(shown.seen, 1);
    EXPECT_EQ(Asked(prompter), std::vector<std::string> { LoadString(57706) });
    EXPECT_EQ(Set().Entries.size(), 1u);
}

} // namespace
