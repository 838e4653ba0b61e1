// What a user meets first in the main window: the empty set, the title bar,
// Open that fails or is cancelled, the keyboard, and where file dialogs open.
#include "DialogTestSupport.h"
#include "common/EventualAssert.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "core/SessionFile.h"
#include "platform/FileOps.h"
#include "ui/AddFolderDlg.h"
#include "ui/EmptyListPrompt.h"
#include "ui/FolderBrowser.h"
#include "ui/Icons.h"
#include "ui/KorvaneDlg.h"
#include "ui/MyComboBoxEx.h"
#include "ui/MyListCtrl.h"
#include "ui/QtPrompter.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

namespace {

class MainWindowBasicsTest : public ::testing::Test, protected UiContextParts {
protected:
    MainWindowBasicsTest()
    {
        MakeFolder(dir / "docs");
        MakeFolder(dir / "backup");
        CSet& set = session.Sets.emplace_back();
        set.Name = "Docs";
        CBackup& docs = set.Entries.emplace_back();
        docs.SourceFolder = dir / "docs";
        docs.DestinationFolder = dir / "backup";
        docs.IncludeFiles = "*.*";
        session.Sets.emplace_back().Name = "Empty";
        session.FileName = dir / "work.kvf";
        saved = session;
        SettingsRecord record;
        record.General.AutomaticScan = 0;
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

    void ChooseSet(int index)
    {
        Window().SetSelector()->setCurrentIndex(index);
        Window().OnSetChanged(index);
        ASSERT_EVENTUALLY_EQ(Window().List()->rowCount(), static_cast<int>(session.Sets[index].Entries.size()));
    }

    // A session file of one set with the given name.
    std::string WriteSessionFile(const std::string& name, const std::string& setName)
    {
        CSession other;
        other.Sets.emplace_back().Name = setName;
        const std::string path = dir / name;
        EXPECT_EQ(CSessionFile::Write(path, CSessionFile::BuildDocument(other)), 0);
        return path;
    }

    TempDir dir;
    FakeClock clock;
    std::unique_ptr<CKorvaneDlg> window;
};

TEST_F(MainWindowBasicsTest, AnEmptySetShowsAPromptWhoseButtonAddsAFolder)
{
    CKorvaneDlg& w = Window();
    CEmptyListPrompt* prompt = w.EmptyPrompt();
    EXPECT_FALSE(prompt->isVisible());
    ChooseSet(1);
    ASSERT_TRUE(prompt->isVisible());
    // It covers the list's viewport exactly, and says where copies land.
    const QWidget* viewport = w.List()->viewport();
    EXPECT_EQ(prompt->geometry(), QRect(viewport->mapTo(&w, QPoint(0, 0)), viewport->size()));
    EXPECT_TRUE(prompt->MappingText()->text().contains(QStringLiteral("<backup folder>/<last name of the source>")));
    EXPECT_EQ(w.SummaryText()->text().toStdString(), LoadString(57705));
    // The disabled empty list does not disable the button.
    EXPECT_FALSE(w.List()->isEnabled());
    EXPECT_TRUE(prompt->AddButton()->isEnabled());
    EXPECT_EQ(prompt->AddButton()->text(), QStringLiteral("Add a folder"));

    OnDialog<CAddFolderDlg> add([&](CAddFolderDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add Folder"));
        TypeInto(*Child<QComboBox>(dialog, "source"), QString::fromStdString(dir / "docs"));
        TypeInto(*Child<QComboBox>(dialog, "backup"), QString::fromStdString(dir / "backup"));
        QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    QTest::mouseClick(prompt->AddButton(), Qt::LeftButton);
    ASSERT_EQ(add.seen, 1);
    ASSERT_EQ(session.Sets[1].Entries.size(), 1u);
    ASSERT_EVENTUALLY_EQ(w.List()->rowCount(), 1);
    EXPECT_FALSE(prompt->isVisible());
}

TEST_F(MainWindowBasicsTest, ThePromptPaintsWithTheListsPalette)
{
    CKorvaneDlg& w = Window();
    ChooseSet(1);
    QPalette dark = w.palette();
    dark.setColor(QPalette::Base, QColor(30, 32, 36));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Window, QColor(50, 52, 56));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    w.setPalette(dark);
    CEmptyListPrompt* prompt = w.EmptyPrompt();
    const QImage picture = prompt->grab().toImage();
    EXPECT_EQ(picture.pixelColor(2, 2), QColor(30, 32, 36));
    EXPECT_EQ(prompt->findChildren<QLabel*>().front()->palette().color(QPalette::WindowText), QColor(230, 230, 230));
    // The dimmer line still stands out from the dark base.
    const QColor line = prompt->MappingText()->palette().color(QPalette::WindowText);
    EXPECT_GT(qGray(line.rgb()) - qGray(QColor(30, 32, 36).rgb()), 80);
}

TEST_F(MainWindowBasicsTest, TheTitleNamesTheFileAndMarksUnsavedChanges)
{
    CKorvaneDlg& w = Window();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("work.kvf[*] - Korvane"));
    EXPECT_FALSE(w.isWindowModified());

    w.List()->SelectRow(0);
    prompter.Answer(IdOk);
    QTest::mouseClick(w.RemoveButton(), Qt::LeftButton);
    ASSERT_EVENTUALLY(w.isWindowModified());

    w.FileSave();
    ASSERT_EVENTUALLY(!w.isWindowModified());
    EXPECT_FALSE(session.HasUnsavedChanges());

    w.FileNew();
    ASSERT_EVENTUALLY_EQ(w.windowTitle(), QStringLiteral("Korvane[*]"));
}

TEST_F(MainWindowBasicsTest, ACancelledOrFailedOpenKeepsTheSessionThatWasShown)
{
    CKorvaneDlg& w = Window();
    session.Edit([](CSession& s) { s.Sets[0].Entries[0].IncludeFiles = "*.txt"; });
    const CSession before = session;

    // Cancel in the file dialog, after "No" to saving.
    prompter.Answer(IdNo);
    prompter.FileName("");
    w.FileOpen();
    // A file that is no session, after "No" again: the changes were kept.
    dir.Write("broken.kvf", "not a session");
    prompter.Answer(IdNo);
    prompter.FileName(dir / "broken.kvf");
    w.FileOpen();
    ASSERT_EQ(Asked(prompter).size(), 3u);
    EXPECT_EQ(Asked(prompter)[0], LoadString(57684));
    EXPECT_EQ(Asked(prompter)[2].rfind(FormatString(LoadString(57688).c_str(), (dir / "broken.kvf").c_str()), 0), 0u);

    EXPECT_TRUE(session.IsSameContent(before));
    EXPECT_EQ(session.FileName, dir / "work.kvf");
    EXPECT_TRUE(session.HasUnsavedChanges());
    ASSERT_EVENTUALLY(w.isWindowModified());
    EXPECT_EQ(w.List()->rowCount(), 1);
    EXPECT_EQ(w.SetSelector()->count(), 2);

    // The window still acts on the session it shows.
    OnDialog<CAddFolderDlg> add([](CAddFolderDlg& dialog) { dialog.reject(); });
    QTest::mouseClick(w.AddButton(), Qt::LeftButton);
    EXPECT_EQ(add.seen, 1);
}

TEST_F(MainWindowBasicsTest, AnOpenThatWorksReplacesTheSessionAndItsView)
{
    CKorvaneDlg& w = Window();
    const std::string path = WriteSessionFile("other.kvf", "Photos");
    prompter.FileName(path);
    w.FileOpen();
    EXPECT_TRUE(prompter.asked.empty());
    ASSERT_EQ(session.Sets.size(), 1u);
    EXPECT_EQ(session.Sets[0].Name, "Photos");
    ASSERT_EVENTUALLY_EQ(w.SetSelector()->count(), 1);
    EXPECT_EQ(w.SetSelector()->itemText(0), QStringLiteral("Photos"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("other.kvf[*] - Korvane"));
    EXPECT_TRUE(w.EmptyPrompt()->isVisible());
}

TEST_F(MainWindowBasicsTest, ButtonsHaveMnemonicsThatClashWithNothing)
{
    CKorvaneDlg& w = Window();
    std::set<int> keys;
    for (QAction* menu : w.Menu()->actions())
        keys.insert(QKeySequence::mnemonic(menu->text())[0].toCombined());
    for (QPushButton* button : w.findChildren<QPushButton*>()) {
        if (button->parentWidget() != &w)
            continue;
        const QKeySequence key = QKeySequence::mnemonic(button->text());
        ASSERT_FALSE(key.isEmpty()) << button->text().toStdString();
        EXPECT_TRUE(keys.insert(key[0].toCombined()).second) << button->text().toStdString();
    }
    EXPECT_EQ(keys.size(), 4u + 6u);
}

TEST_F(MainWindowBasicsTest, TabPassesTheReadOnlyFieldsBy)
{
    CKorvaneDlg& w = Window();
    w.List()->SelectRow(0);
    std::set<QWidget*> reached;
    w.ExecuteButton()->setFocus();
    for (int i = 0; i < 40; ++i) {
        QWidget* focus = w.focusWidget();
        ASSERT_NE(focus, nullptr);
        reached.insert(focus);
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_TRUE(reached.count(w.AddButton()));
    EXPECT_TRUE(reached.count(w.List()));
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(reached.count(w.InformationText(i))) << i;
    EXPECT_FALSE(reached.count(w.SummaryText()));
}

TEST_F(MainWindowBasicsTest, TheDocumentationCommandHasItsIcon)
{
    CKorvaneDlg& w = Window();
    QAction* documentation = nullptr;
    for (QAction* menu : w.Menu()->actions()) {
        for (QAction* action : menu->menu()->actions()) {
            if (action->text() == QStringLiteral("&Documentation..."))
                documentation = action;
        }
    }
    ASSERT_NE(documentation, nullptr);
    EXPECT_FALSE(CIcons::Own(QStringLiteral("help-contents")).isNull());
    EXPECT_FALSE(documentation->icon().isNull());
}

// File dialogs start in the home folder, then where the user went last,
// never in the folder the program was started from.
TEST(FileDialogFolders, SessionDialogsStartAtHomeThenWhereTheLastFileWas)
{
    TempDir dir;
    const std::string chosen = dir.Write("sessions/a.kvf", "x");
    CQtPrompter prompter;
    const FileDialogRequest request { "Open Session", "Korvane Files (*.kvf)", "kvf", false, true };
    std::vector<QString> startedIn;
    // Each dialog is a new one, though it may reuse the address of the last.
    const auto ask = [&] {
        OnDialog<QFileDialog> answer([&](QFileDialog& dialog) {
            startedIn.push_back(dialog.directory().absolutePath());
            auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(QString::fromStdString(chosen));
            QTest::keyClick(name, Qt::Key_Return);
        });
        std::string path;
        EXPECT_TRUE(prompter.AskFileName(request, path));
        EXPECT_EQ(path, chosen);
    };
    ask();
    ask();
    ASSERT_EQ(startedIn.size(), 2u);
    EXPECT_EQ(startedIn[0], QDir::homePath());
    EXPECT_EQ(startedIn[1], QString::fromStdString(dir / "sessions"));
}

TEST(FileDialogFolders, FolderBrowsersStartAtHomeThenAtTheFolderChosenLast)
{
    TempDir dir;
    CFolderBrowser::ForgetLastFolder();
    std::vector<QString> startedIn;
    CFolderBrowser::SetChooser([&](const CFolderBrowser& browser) {
        startedIn.push_back(browser.StartFolder());
        return QString::fromStdString(dir / "music");
    });
    CFolderBrowser first;
    ASSERT_TRUE(first.Show(nullptr));
    CFolderBrowser second;
    ASSERT_TRUE(second.Show(nullptr));
    CFolderBrowser named;
    named.InitialFolder = QString::fromStdString(dir / "docs/");
    ASSERT_TRUE(named.Show(nullptr));
    CFolderBrowser::SetChooser({});
    ASSERT_EQ(startedIn.size(), 3u);
    EXPECT_EQ(startedIn[0], QDir::homePath());
    EXPECT_EQ(startedIn[1], QString::fromStdString(dir / "music"));
    EXPECT_EQ(startedIn[2], QString::fromStdString(dir / "docs"));
}

} // namespace
