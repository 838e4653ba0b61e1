#include "ui/ManageBackupSetsDlg.h"

#include "DialogTestSupport.h"
#include "core/Set.h"
#include "ui/NewBackupSetDlg.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace {

class ManageBackupSetsDlgTest : public ::testing::Test {
protected:
    static std::deque<CSet> Sets(std::initializer_list<const char*> names)
    {
        std::deque<CSet> sets;
        for (const char* name : names) {
            sets.emplace_back();
            sets.back().Name = name;
        }
        return sets;
    }

    static std::vector<std::string> Names(const std::deque<CSet>& sets)
    {
        std::vector<std::string> names;
        for (const CSet& set : sets)
            names.push_back(set.Name);
        return names;
    }

    static void Select(CManageBackupSetsDlg& dlg, int row) { Child<QTableWidget>(dlg, "sets")->selectRow(row); }

    static void Click(CManageBackupSetsDlg& dlg, const char* button)
    {
        QTest::mouseClick(Child<QPushButton>(dlg, button), Qt::LeftButton);
    }

    // The open name dialog; fails the test when none is open.
    static CNewBackupSetDlg* NameDialog(CManageBackupSetsDlg& dlg)
    {
        CNewBackupSetDlg* name = VisibleChild<CNewBackupSetDlg>(dlg);
        EXPECT_NE(name, nullptr);
        return name;
    }

    // Types into the open name dialog and presses Enter; true when it closed.
    static bool EnterName(CManageBackupSetsDlg& dlg, const QString& text)
    {
        CNewBackupSetDlg* name = NameDialog(dlg);
        if (!name)
            return false;
        auto* edit = Child<QLineEdit>(*name, "name");
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        return !name->isVisible();
    }

    static void Ok(CManageBackupSetsDlg& dlg)
    {
        QTest::mouseClick(dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    }

    ScriptedPrompter prompter;
};

TEST_F(ManageBackupSetsDlgTest, ListsTheSetsAndEnablesCommandsBySelection)
{
    auto sets = Sets({ "Daily", "Weekly" });
    sets[1].Schedule.Active = 1;
    CManageBackupSetsDlg dlg(sets, true, prompter);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Manage Backup Sets"));
    auto* list = Child<QTableWidget>(dlg, "sets");
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->item(1, 0)->text(), QStringLiteral("Weekly"));
    EXPECT_EQ(list->horizontalHeaderItem(0)->text(), QStringLiteral("Sets"));
    EXPECT_TRUE(list->showGrid());

    list->clearSelection();
    EXPECT_FALSE(Child<QPushButton>(dlg, "duplicate")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(dlg, "rename")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(dlg, "delete")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(dlg, "new")->isEnabled());
    Select(dlg, 0);
    EXPECT_TRUE(Child<QPushButton>(dlg, "duplicate")->isEnabled());
    EXPECT_TRUE(Child<QPushButton>(dlg, "delete")->isEnabled());
}

TEST_F(ManageBackupSetsDlgTest, NewAppendsADefaultSetAndChecksTheName)
{
    auto sets = Sets({ "Daily" });
    sets[0].Entries.emplace_back();
    CManageBackupSetsDlg dlg(sets, false, prompter);
    dlg.show();
    Click(dlg, "new");
    EXPECT_EQ(NameDialog(dlg)->windowTitle(), QStringLiteral("New Backup Set"));
    EXPECT_FALSE(EnterName(dlg, QStringLiteral("   ")));
    EXPECT_FALSE(EnterName(dlg, QStringLiteral(" Daily ")));
    EXPECT_FALSE(EnterName(dlg, QStringLiteral("  dAILY  "))); // /s would not tell them apart
    EXPECT_EQ(Asked(prompter), (std::vector<std::string> { LoadString(57690), LoadString(57720), LoadString(57720) }));
    EXPECT_TRUE(EnterName(dlg, QStringLiteral("  Nightly  ")));
    EXPECT_EQ(Names(dlg.Sets()), (std::vector<std::string> { "Daily", "Nightly" }));
    EXPECT_EQ(dlg.NewSetRow(), 1);
    EXPECT_TRUE(dlg.Sets()[1].Entries.empty());
    EXPECT_EQ(Child<QTableWidget>(dlg, "sets")->rowCount(), 2);
}

TEST_F(ManageBackupSetsDlgTest, DuplicateCopiesTheWholeSetUnderANewName)
{
    auto sets = Sets({ "Daily", "Daily [Copy]" });
    sets[0].ActiveAction = 1;
    sets[0].LastDestinationFolder = "/mnt/usb";
    sets[0].Schedule.Active = 1;
    sets[0].Schedule.Email = "me@example.org";
    sets[0].Entries.emplace_back().SourceFolder = "/home/me/Documents";
    CManageBackupSetsDlg dlg(sets, false, prompter);
    dlg.show();
    Select(dlg, 0);
    Click(dlg, "duplicate");
    CNewBackupSetDlg* name = NameDialog(dlg);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->windowTitle(), QStringLiteral("Duplicate Backup Set"));
    EXPECT_EQ(Child<QLineEdit>(*name, "name")->text(), QStringLiteral("Daily [Copy]"));
    QTest::keyClick(Child<QLineEdit>(*name, "name"), Qt::Key_Return);
    EXPECT_EQ(Asked(prompter), std::vector<std::string> { LoadString(57720) });
    ASSERT_TRUE(EnterName(dlg, QStringLiteral("Nightly")));

    ASSERT_EQ(dlg.Sets().size(), 3u);
    const CSet& copy = dlg.Sets()[2];
    EXPECT_EQ(copy.Name, "Nightly");
    EXPECT_EQ(copy.ActiveAction, 1);
    EXPECT_EQ(copy.LastDestinationFolder, "/mnt/usb");
    EXPECT_EQ(copy.Schedule.Active, 1);
    EXPECT_EQ(copy.Schedule.Email, "me@example.org");
    ASSERT_EQ(copy.Entries.size(), 1u);
    EXPECT_EQ(copy.Entries[0].SourceFolder, "/home/me/Documents");
    EXPECT_EQ(dlg.Sets()[0].Name, "Daily");
}

TEST_F(ManageBackupSetsDlgTest, RenameRefusesAnotherSetsNameAndOpensOnDoubleClick)
{
    CManageBackupSetsDlg dlg(Sets({ "Daily", "Weekly" }), false, prompter);
    dlg.show();
    Select(dlg, 1);
    Click(dlg, "rename");
    ASSERT_NE(NameDialog(dlg), nullptr);
    EXPECT_EQ(NameDialog(dlg)->windowTitle(), QStringLiteral("Rename Backup Set"));
    EXPECT_FALSE(EnterName(dlg, QStringLiteral("daily")));
    EXPECT_EQ(Asked(prompter), std::vector<std::string> { LoadString(57720) });
    // Its own name in other letters is no clash.
    EXPECT_TRUE(EnterName(dlg, QStringLiteral("WEEKLY")));
    EXPECT_EQ(Names(dlg.Sets()), (std::vector<std::string> { "Daily", "WEEKLY" }));
    EXPECT_EQ(dlg.NewSetRow(), -1);
    prompter.asked.clear();

    auto* list = Child<QTableWidget>(dlg, "sets");
    const QRect cell = list->visualRect(list->model()->index(0, 0));
    ASSERT_TRUE(cell.isValid()) << cell.width() << "x" << cell.height();
    // The press and release that come before a double click, as a mouse sends them.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_NE(NameDialog(dlg), nullptr);
    EXPECT_TRUE(EnterName(dlg, QStringLiteral("Monthly")));
    EXPECT_EQ(Names(dlg.Sets()), (std::vector<std::string> { "Monthly", "WEEKLY" }));
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(ManageBackupSetsDlgTest, NamesAreCheckedAgainstTheSetsAsTheyAreNow)
{
    CManageBackupSetsDlg dlg(Sets({ "Daily", "Weekly", "Monthly" }), false, prompter);
    dlg.show();
    Select(dlg, 0);
    Click(dlg, "rename");
    ASSERT_TRUE(EnterName(dlg, QStringLiteral("Old")));
    Select(dlg, 1);
    prompter.Answer(IdOk);
    Click(dlg, "delete");
    ASSERT_EQ(Names(dlg.Sets()), (std::vector<std::string> { "Old", "Monthly" }));

    Click(dlg, "new");
    EXPECT_FALSE(EnterName(dlg, QStringLiteral("old"))); // made in this dialog
    EXPECT_TRUE(EnterName(dlg, QStringLiteral("Daily"))); // renamed away
    Click(dlg, "new");
    EXPECT_TRUE(EnterName(dlg, QStringLiteral("weekly"))); // deleted
    EXPECT_EQ(Names(dlg.Sets()), (std::vector<std::string> { "Old", "Monthly", "Daily", "weekly" }));
    EXPECT_EQ(dlg.NewSetRow(), 3);

    // The set made last is followed through deletions before it, and
    // forgotten when it goes itself.
    Select(dlg, 0);
    prompter.Answer(IdOk);
    Click(dlg, "delete");
    EXPECT_EQ(dlg.NewSetRow(), 2);
    Select(dlg, 2);
    prompter.Answer(IdOk);
    Click(dlg, "delete");
    EXPECT_EQ(dlg.NewSetRow(), -1);
}

TEST_F(ManageBackupSetsDlgTest, EnterAfterANewSetConfirmsTheDialog)
{
    CManageBackupSetsDlg dlg(Sets({ "Daily" }), false, prompter);
    dlg.show();
    Click(dlg, "new");
    ASSERT_TRUE(EnterName(dlg, QStringLiteral("Weekly")));
    QWidget* focus = dlg.focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_EQ(VisibleChild<CNewBackupSetDlg>(dlg), nullptr);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Names(dlg.Sets()), (std::vector<std::string> { "Daily", "Weekly" }));
}

TEST_F(ManageBackupSetsDlgTest, DeleteAsksFirstAndWorksFromTheKeyboard)
{
    CManageBackupSetsDlg dlg(Sets({ "Daily", "Weekly", "Monthly" }), false, prompter);
    dlg.show();
    Select(dlg, 1);
    prompter.Answer(IdCancel);
    Click(dlg, "delete");
    EXPECT_EQ(dlg.Sets().size(), 3u);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, LoadString(57689));
    EXPECT_EQ(prompter.asked[0].style, unsigned(MbOkCancel | MbIconQuestion));

    auto* list = Child<QTableWidget>(dlg, "sets");
    list->setFocus();
    prompter.Answer(IdOk);
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(Names(dlg.Sets()), (std::vector<std::string> { "Daily", "Monthly" }));
}

TEST_F(ManageBackupSetsDlgTest, OkNeedsOneSetAndCancelKeepsTheSession)
{
    const auto original = Sets({ "Daily" });
    CManageBackupSetsDlg dlg(original, false, prompter);
    dlg.show();
    Select(dlg, 0);
    prompter.Answer(IdOk);
    Click(dlg, "delete");
    EXPECT_TRUE(dlg.Sets().empty());
    EXPECT_FALSE(Child<QTableWidget>(dlg, "sets")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(dlg, "delete")->isEnabled());
    Ok(dlg);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(prompter.asked.back().text, LoadString(57691));

    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(Names(original), std::vector<std::string> { "Daily" });
}

TEST_F(ManageBackupSetsDlgTest, OkHandsTheEditedSetsBack)
{
    CManageBackupSetsDlg dlg(Sets({ "Daily" }), false, prompter);
    dlg.show();
    Click(dlg, "new");
    ASSERT_TRUE(EnterName(dlg, QStringLiteral("Weekly")));
    Ok(dlg);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Names(dlg.TakeSets()), (std::vector<std::string> { "Daily", "Weekly" }));
}

TEST_F(ManageBackupSetsDlgTest, EscapeInTheNameDialogLeavesTheSetsAlone)
{
    CManageBackupSetsDlg dlg(Sets({ "Daily" }), false, prompter);
    dlg.show();
    Click(dlg, "new");
    CNewBackupSetDlg* name = NameDialog(dlg);
    ASSERT_NE(name, nullptr);
    QTest::keyClick(Child<QLineEdit>(*name, "name"), Qt::Key_Escape);
    EXPECT_FALSE(name->isVisible());
    EXPECT_EQ(dlg.Sets().size(), 1u);
    EXPECT_TRUE(dlg.isVisible());
}

} // namespace
