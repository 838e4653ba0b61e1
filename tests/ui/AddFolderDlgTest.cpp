#include "ui/AddFolderDlg.h"

#include "DialogTestSupport.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "core/Set.h"
#include "platform/FileOps.h"
#include "ui/FolderBrowser.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

constexpr const char* kAddFolderKey = "Settings\\Add Folder";

class AddFolderDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveSettingsKey(kAddFolderKey);
        source = dir / "Documents";
        backup = dir / "Backup";
        MakeFolder(source);
        MakeFolder(backup);
    }

    CBackup Entry(const std::string& from, const std::string& to = "/mnt/backup")
    {
        CBackup entry;
        entry.SourceFolder = from;
        entry.DestinationFolder = to;
        entry.IncludeFiles = "*.*";
        return entry;
    }

    // Fills the five texts (empty texts are left as they are).
    static void Fill(CAddFolderDlg& dlg, const std::string& from, const std::string& to,
        const std::string& include = {}, const std::string& excludeFiles = {}, const std::string& excludeFolders = {})
    {
        TypeInto(*Child<QComboBox>(dlg, "source"), QString::fromStdString(from));
        TypeInto(*Child<QComboBox>(dlg, "backup"), QString::fromStdString(to));
        TypeInto(*Child<QComboBox>(dlg, "includeFiles"), QString::fromStdString(include));
        TypeInto(*Child<QComboBox>(dlg, "excludeFiles"), QString::fromStdString(excludeFiles));
        TypeInto(*Child<QComboBox>(dlg, "excludeFolders"), QString::fromStdString(excludeFolders));
    }

    static void ClickOk(CAddFolderDlg& dlg)
    {
        auto* box = dlg.findChild<QDialogButtonBox*>();
        QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
    }

    // Fills, presses OK and tells whether the dialog accepted.
    bool Confirm(CAddFolderDlg& dlg, const std::string& from, const std::string& to, const std::string& include = {},
        const std::string& excludeFiles = {}, const std::string& excludeFolders = {})
    {
        dlg.show();
        Fill(dlg, from, to, include, excludeFiles, excludeFolders);
        ClickOk(dlg);
        return dlg.result() == QDialog::Accepted && !dlg.isVisible();
    }

    TempDir dir;
    std::string source;
    std::string backup;
    CSet set;
    ScriptedPrompter prompter;
};

TEST_F(AddFolderDlgTest, NewEntryStartsFromTheSetsLastBackupFolder)
{
    set.LastDestinationFolder = "/mnt/last";
    CAddFolderDlg dlg(set, 0, false, prompter);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Add Folder"));
    EXPECT_TRUE(Child<QCheckBox>(dlg, "recursive")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(dlg, "changeAll")->isChecked());
    EXPECT_EQ(Child<QComboBox>(dlg, "backup")->currentText(), QStringLiteral("/mnt/last"));
    EXPECT_TRUE(Child<QComboBox>(dlg, "source")->currentText().isEmpty());
    auto* tags = Child<QComboBox>(dlg, "sourceTag");
    EXPECT_EQ(tags->currentText(), QStringLiteral("Add Tag"));
    EXPECT_EQ(tags->count(), 15);
    EXPECT_EQ(tags->itemText(14), QStringLiteral("<USERPROFILE>"));
}

TEST_F(AddFolderDlgTest, AcceptedTextsAreCleanedAndAppliedToTheSet)
{
    set.Entries.push_back(Entry("/data/Music"));
    CAddFolderDlg dlg(set, 0, false, prompter);
    ASSERT_TRUE(Confirm(dlg, "  " + source + "//  ", backup + "/", "", " *.tmp ;; ~* ;", "cache; "));
    EXPECT_TRUE(prompter.asked.empty());

    const FolderEntryEdit& result = dlg.Result();
    EXPECT_EQ(result.EntryIndex, -1);
    EXPECT_EQ(result.SourceFolder, source);
    EXPECT_EQ(result.DestinationFolder, backup);
    EXPECT_EQ(result.IncludeFiles, "*.*");
    EXPECT_EQ(result.ExcludeFiles, "*.tmp; ~*");
    EXPECT_EQ(result.ExcludeFolders, "cache");

    EXPECT_EQ(result.ApplyTo(set), 1);
    ASSERT_EQ(set.Entries.size(), 2u);
    EXPECT_EQ(set.Entries[1].SourceFolder, source);
    EXPECT_EQ(set.Entries[1].Recursive, 1);
    EXPECT_EQ(set.Entries[0].DestinationFolder, "/mnt/backup"); // not changed without "Change all"
    EXPECT_EQ(set.LastDestinationFolder, backup);
}

TEST_F(AddFolderDlgTest, TagsAreStoredAsTypedButCheckedExpanded)
{
    FakeClock clock(1'709'812'800); // 2024-03-07 12:00 UTC
    CAddFolderDlg dlg(set, 0, false, prompter);
    dlg.SetClock(clock);
    const std::string tagged = backup + "/<YEAR>";
    prompter.Answer(IdOk); // the expanded backup folder does not exist yet
    ASSERT_TRUE(Confirm(dlg, source, tagged));
    EXPECT_EQ(Asked(prompter), std::vector<std::string> { LoadString(57694) });
    EXPECT_EQ(dlg.Result().DestinationFolder, tagged);
}

TEST_F(AddFolderDlgTest, TheFileSystemRootKeepsItsSlash)
{
    CAddFolderDlg dlg(set, 0, false, prompter);
    Child<QCheckBox>(dlg, "recursive")->setChecked(false);
    ASSERT_TRUE(Confirm(dlg, "///", backup));
    EXPECT_EQ(dlg.Result().SourceFolder, "/");
    EXPECT_EQ(dlg.Result().Recursive, 0);
}

TEST_F(AddFolderDlgTest, ADisplayNameAlreadyInTheSetIsRefused)
{
    set.Entries.push_back(Entry("/elsewhere/Documents"));
    CAddFolderDlg dlg(set, 0, false, prompter);
    EXPECT_FALSE(Confirm(dlg, source, backup));
    EXPECT_EQ(Asked(prompter),
        std::vector<std::string> { "A folder with the name 'Documents' has already been added.\nPlease rename this "
                                   "folder before adding it." });
    EXPECT_TRUE(dlg.isVisible());
}

TEST_F(AddFolderDlgTest, DisplayNamesDifferingInCaseAreBothAccepted)
{
    set.Entries.push_back(Entry("/elsewhere/documents"));
    CAddFolderDlg dlg(set, 0, false, prompter);
    EXPECT_TRUE(Confirm(dlg, source, backup));
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(AddFolderDlgTest, EditingAnEntryChecksItsNameAgainstTheOthersOnly)
{
    set.Entries.push_back(Entry(source, backup));
    set.Entries.push_back(Entry("/elsewhere/Music", backup));
    {
        CAddFolderDlg same(set, 0, true, prompter);
        EXPECT_EQ(same.windowTitle(), QStringLiteral("Edit Folder"));
        EXPECT_EQ(Child<QComboBox>(same, "source")->currentText(), QString::fromStdString(source));
        EXPECT_TRUE(Confirm(same, source, backup));
        EXPECT_EQ(same.Result().EntryIndex, 0);
    }
    EXPECT_TRUE(prompter.asked.empty());
    // Two entries named Music would share one folder below the backup folder.
    MakeFolder(dir / "Music");
    CAddFolderDlg clash(set, 0, true, prompter);
    EXPECT_FALSE(Confirm(clash, dir / "Music", backup));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text.rfind("A folder with the name 'Music'", 0), 0u);
}

TEST_F(AddFolderDlgTest, RelativeFoldersAreRefused)
{
    CAddFolderDlg dlg(set, 0, false, prompter);
    EXPECT_FALSE(Confirm(dlg, "Documents", backup));
    EXPECT_FALSE(Confirm(dlg, source, "backup"));
    EXPECT_FALSE(Confirm(dlg, source, ""));
    EXPECT_EQ(Asked(prompter), std::vector<std::string>(3, LoadString(57706)));
}

TEST_F(AddFolderDlgTest, ABackupFolderInsideARecursiveSourceConflicts)
{
    const std::string inside = source + "/backup";
    MakeFolder(inside);
    CAddFolderDlg dlg(set, 0, false, prompter);
    EXPECT_FALSE(Confirm(dlg, source, inside));
    EXPECT_FALSE(Confirm(dlg, source, source + "/./"));
    EXPECT_EQ(Asked(prompter), std::vector<std::string>(2, LoadString(57696)));

    Child<QCheckBox>(dlg, "recursive")->setChecked(false);
    EXPECT_TRUE(Confirm(dlg, source, inside));
    EXPECT_EQ(prompter.asked.size(), 2u);
}

TEST_F(AddFolderDlgTest, ABackupFolderThatWouldHoldTheSourceItselfConflicts)
{
    // The backup of <dir>/Documents into <dir> would land on <dir>/Documents.
    CAddFolderDlg dlg(set, 0, false, prompter);
    Child<QCheckBox>(dlg, "recursive")->setChecked(false);
    EXPECT_FALSE(Confirm(dlg, source, dir.Path()));
    EXPECT_EQ(Asked(prompter), std::vector<std::string> { LoadString(57696) });
}

TEST_F(AddFolderDlgTest, MissingFoldersAreQuestionedSourceFirst)
{
    const std::string missing = dir / "gone";
    CAddFolderDlg dlg(set, 0, false, prompter);
    prompter.Answer(IdCancel);
    EXPECT_FALSE(Confirm(dlg, missing, backup));
    prompter.Answer(IdOk);
    prompter.Answer(IdCancel);
    EXPECT_FALSE(Confirm(dlg, missing, dir / "none"));
    ASSERT_EQ(prompter.asked.size(), 3u);
    EXPECT_EQ(prompter.asked[0].text, LoadString(57693));
    EXPECT_EQ(prompter.asked[0].style, unsigned(MbOkCancel | MbIconQuestion));
    EXPECT_EQ(prompter.asked[1].text, LoadString(57693));
    EXPECT_EQ(prompter.asked[2].text, LoadString(57694));

    prompter.Answer(IdOk);
    EXPECT_TRUE(Confirm(dlg, missing, backup));
    EXPECT_EQ(dlg.Result().SourceFolder, missing);
}

TEST_F(AddFolderDlgTest, InvalidMaskListsAreRefusedInTheirOrder)
{
    CAddFolderDlg dlg(set, 0, false, prompter);
    EXPECT_FALSE(Confirm(dlg, source, backup, "a:b", "x|y", "tmp/old"));
    EXPECT_FALSE(Confirm(dlg, source, backup, "a:b", "x|y"));
    EXPECT_FALSE(Confirm(dlg, source, backup, "*.txt", "\"x\""));
    EXPECT_EQ(Asked(prompter), (std::vector<std::string> { LoadString(57704), LoadString(57697), LoadString(57698) }));
    ASSERT_TRUE(Confirm(dlg, source, backup, " *.txt ;;*.doc ;"));
    EXPECT_EQ(dlg.Result().IncludeFiles, "*.txt; *.doc");
}

TEST_F(AddFolderDlgTest, ChangeAllGivesEveryEntryTheBackupFolder)
{
    set.Entries.push_back(Entry("/a/One", "/old/1"));
    set.Entries.push_back(Entry("/a/Two", "/old/2"));
    CAddFolderDlg dlg(set, 1, true, prompter);
    Child<QCheckBox>(dlg, "changeAll")->setChecked(true);
    prompter.defaultAnswer = IdOk; // the entry's source does not exist here
    ASSERT_TRUE(Confirm(dlg, "/a/Two", backup));
    EXPECT_EQ(dlg.Result().ApplyTo(set), 1);
    EXPECT_EQ(set.Entries[0].DestinationFolder, backup);
    EXPECT_EQ(set.Entries[1].DestinationFolder, backup);
    EXPECT_EQ(set.Entries[0].SourceFolder, "/a/One");
}

TEST_F(AddFolderDlgTest, HistoriesKeepEachAcceptedTextOnce)
{
    {
        CAddFolderDlg dlg(set, 0, false, prompter);
        ASSERT_TRUE(Confirm(dlg, source, backup, "*.doc"));
    }
    {
        CAddFolderDlg dlg(set, 0, false, prompter);
        auto* sources = Child<QComboBox>(dlg, "source");
        ASSERT_EQ(sources->count(), 1);
        EXPECT_EQ(sources->itemText(0), QString::fromStdString(source));
        EXPECT_TRUE(sources->currentText().isEmpty());
        MakeFolder(dir / "Music");
        ASSERT_TRUE(Confirm(dlg, dir / "Music", backup, "*.doc"));
    }
    const std::string key = "Settings\\Add Folder\\Source";
    EXPECT_EQ(SettingText(key, "Source0"), source);
    EXPECT_EQ(SettingText(key, "Source1"), dir / "Music");
    EXPECT_EQ(SettingText(key, "Source2"), "");
    EXPECT_EQ(SettingText("Settings\\Add Folder\\Destination", "Destination0"), backup);
    EXPECT_EQ(SettingText("Settings\\Add Folder\\Destination", "Destination1"), "");
    EXPECT_EQ(SettingText("Settings\\Add Folder\\Include", "Include0"), "*.doc");
    EXPECT_EQ(SettingText("Settings\\Add Folder\\Exclude", "Exclude0"), "");
}

TEST_F(AddFolderDlgTest, RefusedTextsDoNotJoinTheHistory)
{
    CAddFolderDlg dlg(set, 0, false, prompter);
    EXPECT_FALSE(Confirm(dlg, "relative", backup));
    dlg.reject();
    EXPECT_EQ(SettingText("Settings\\Add Folder\\Source", "Source0"), "");
}

TEST_F(AddFolderDlgTest, AddTagAppendsTheTagAndResets)
{
    CAddFolderDlg dlg(set, 0, false, prompter);
    dlg.show();
    auto* backupCombo = Child<QComboBox>(dlg, "backup");
    TypeInto(*backupCombo, QStringLiteral("/mnt/"));
    auto* tags = Child<QComboBox>(dlg, "backupTag");
    tags->setFocus();
    QTest::keyClick(tags, Qt::Key_Down); // "<COMPUTER>"
    EXPECT_EQ(backupCombo->currentText(), QStringLiteral("/mnt/<COMPUTER>"));
    EXPECT_EQ(tags->currentIndex(), 0);
}

TEST_F(AddFolderDlgTest, BrowseStartsAtTheTextAndTakesTheChoice)
{
    CAddFolderDlg dlg(set, 0, false, prompter);
    QStringList calls;
    QString answer = QStringLiteral("/chosen");
    CFolderBrowser::SetChooser([&](const CFolderBrowser& browser) {
        calls << browser.Title << browser.StatusText << browser.InitialFolder;
        return answer;
    });
    dlg.show();
    TypeInto(*Child<QComboBox>(dlg, "source"), QStringLiteral("/start"));
    QTest::mouseClick(Child<QPushButton>(dlg, "sourceBrowse"), Qt::LeftButton);
    EXPECT_EQ(Child<QComboBox>(dlg, "source")->currentText(), QStringLiteral("/chosen"));

    answer.clear(); // Cancel
    QTest::mouseClick(Child<QPushButton>(dlg, "backupBrowse"), Qt::LeftButton);
    CFolderBrowser::SetChooser({});
    EXPECT_EQ(calls,
        (QStringList { QStringLiteral("Select Source Folder"), QStringLiteral("Select the folder to backup"),
            QStringLiteral("/start"), QStringLiteral("Select Backup Folder"),
            QStringLiteral("Select the folder where the backup will be created"), QString() }));
    EXPECT_TRUE(Child<QComboBox>(dlg, "backup")->currentText().isEmpty());
}

TEST_F(AddFolderDlgTest, DroppedFilesGiveTheirFolderAndNames)
{
    TempDir files;
    files.Write("a.txt", "a");
    files.Write("b.doc", "b");
    CAddFolderDlg dlg(set, 0, false, prompter);
    dlg.show();
    Drop(dlg,
        { QUrl::fromLocalFile(QString::fromStdString(files / "a.txt")),
            QUrl::fromLocalFile(QString::fromStdString(files / "b.doc")) });
    EXPECT_EQ(Child<QComboBox>(dlg, "source")->currentText(), QString::fromStdString(files.Path()));
    EXPECT_EQ(Child<QComboBox>(dlg, "includeFiles")->currentText(), QStringLiteral("a.txt; b.doc"));
    EXPECT_FALSE(Child<QCheckBox>(dlg, "recursive")->isChecked());

    Drop(dlg, { QUrl::fromLocalFile(QString::fromStdString(source)) });
    EXPECT_EQ(Child<QComboBox>(dlg, "source")->currentText(), QString::fromStdString(source));
    EXPECT_TRUE(Child<QCheckBox>(dlg, "recursive")->isChecked());
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(AddFolderDlgTest, DroppingAFolderWithOtherItemsIsRefused)
{
    TempDir files;
    files.Write("a.txt", "a");
    CAddFolderDlg dlg(set, 0, false, prompter);
    dlg.show();
    Drop(dlg,
        { QUrl::fromLocalFile(QString::fromStdString(source)),
            QUrl::fromLocalFile(QString::fromStdString(files / "a.txt")) });
    EXPECT_EQ(Asked(prompter), std::vector<std::string> { LoadString(57702) });
    EXPECT_TRUE(Child<QComboBox>(dlg, "source")->currentText().isEmpty());
}

TEST_F(AddFolderDlgTest, ImmediateConfirmClosesWithoutShowingWhenAllIsWell)
{
    set.LastDestinationFolder = backup;
    CAddFolderDlg dropped(set, 0, false, prompter);
    dropped.SetPreset(FolderDrop { FolderDrop::Folder, source, {} });
    dropped.SetImmediateConfirm(true);
    bool shown = false;
    QTimer::singleShot(0, &dropped, [&] {
        shown = true;
        dropped.reject();
    });
    EXPECT_EQ(dropped.exec(), QDialog::Accepted);
    EXPECT_FALSE(shown);
    EXPECT_EQ(dropped.Result().SourceFolder, source);
    EXPECT_EQ(dropped.Result().DestinationFolder, backup);
}

TEST_F(AddFolderDlgTest, ImmediateConfirmStaysOpenWhenACheckFails)
{
    CAddFolderDlg dropped(set, 0, false, prompter); // no backup folder yet
    dropped.SetPreset(FolderDrop { FolderDrop::Folder, source, {} });
    dropped.SetImmediateConfirm(true);
    bool shown = false;
    QTimer::singleShot(0, &dropped, [&] {
        shown = dropped.isVisible();
        dropped.reject();
    });
    EXPECT_EQ(dropped.exec(), QDialog::Rejected);
    EXPECT_TRUE(shown);
    EXPECT_EQ(Asked(prompter), std::vector<std::string> { LoadString(57706) });
}

TEST_F(AddFolderDlgTest, EnterConfirmsAndEscapeCancels)
{
    {
        CAddFolderDlg dlg(set, 0, false, prompter);
        dlg.show();
        Fill(dlg, source, backup);
        QTest::keyClick(Child<QComboBox>(dlg, "excludeFiles")->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_FALSE(dlg.isVisible());
    }
    CAddFolderDlg dlg(set, 0, false, prompter);
    dlg.show();
    Fill(dlg, source, backup);
    QTest::keyClick(Child<QComboBox>(dlg, "source")->lineEdit(), Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_TRUE(prompter.asked.empty());
}

} // namespace

namespace {

TEST_F(AddFolderDlgTest, TabWalksTheControlsTopToBottom)
{
    CAddFolderDlg dlg(set, 0, false, prompter);
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    Child<QComboBox>(dlg, "source")->setFocus();
    std::vector<std::string> visited;
    for (int i = 0; i < 13; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        while (
            focus->objectName().isEmpty() && focus->parentWidget() && qobject_cast<QComboBox*>(focus->parentWidget()))
            focus = focus->parentWidget();
        auto* button = qobject_cast<QPushButton*>(focus);
        visited.push_back(
            focus->objectName().isEmpty() && button ? button->text().toStdString() : focus->objectName().toStdString());
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(visited,
        (std::vector<std::string> { "source", "sourceBrowse", "recursive", "sourceTag", "backup", "backupBrowse",
            "changeAll", "backupTag", "excludeFolders", "includeFiles", "excludeFiles", "OK", "Cancel" }));
}

} // namespace
