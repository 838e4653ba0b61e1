#include "ui/VersionSettingsDlg.h"

#include "DialogTestSupport.h"
#include "common/EventualAssert.h"
#include "common/TempDir.h"
#include "engine/VersionPruner.h"
#include "ui/ManageBackupSetsDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <filesystem>

namespace {

void Press(QDialog& dialog, QDialogButtonBox::StandardButton which)
{
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(which), Qt::LeftButton);
}

void Type(QDialog& dialog, const char* box, int value)
{
    auto* spin = Child<QSpinBox>(dialog, box);
    spin->selectAll();
    QTest::keyClicks(spin, QString::number(value));
}

// The Versions... button of the manage dialog on row; the dialog it opened.
CVersionSettingsDlg* OpenVersions(CManageBackupSetsDlg& manage, int row)
{
    Child<QTableWidget>(manage, "sets")->selectRow(row);
    QTest::mouseClick(Child<QPushButton>(manage, "versions"), Qt::LeftButton);
    return VisibleChild<CVersionSettingsDlg>(manage);
}

TEST(VersionSettingsDlg, TheSwitchAndTheRulesPersistToTheSelectedSet)
{
    ScriptedPrompter prompter;
    std::deque<CSet> sets(2);
    sets[0].Name = "Daily";
    sets[1].Name = "Photos";
    CManageBackupSetsDlg manage(sets, false, prompter);
    manage.show();
    CVersionSettingsDlg* dialog = OpenVersions(manage, 1);
    ASSERT_NE(dialog, nullptr);
    auto* active = Child<QCheckBox>(*dialog, "active");
    EXPECT_EQ(active->text(), QStringLiteral("Keep versions of replaced and deleted files"));
    EXPECT_FALSE(active->isChecked());
    EXPECT_FALSE(Child<QSpinBox>(*dialog, "keep")->isEnabled());
    EXPECT_TRUE(Child<QSpinBox>(*dialog, "massChange")->isEnabled());
    EXPECT_EQ(Child<QSpinBox>(*dialog, "thinMonths")->value(), 12);

    QTest::mouseClick(active, Qt::LeftButton);
    EXPECT_TRUE(Child<QSpinBox>(*dialog, "keep")->isEnabled());
    Type(*dialog, "keep", 3);
    Type(*dialog, "days", 400);
    Type(*dialog, "thinDays", 0);
    Type(*dialog, "thinWeeks", 8);
    Type(*dialog, "thinMonths", 99999); // beyond the box's bound: it keeps what fits
    Type(*dialog, "massChange", 25);
    Press(*dialog, QDialogButtonBox::Ok);
    Press(manage, QDialogButtonBox::Ok);

    const CVersionSettings& saved = manage.Sets()[1].Versions;
    EXPECT_EQ(saved.Active, 1);
    EXPECT_EQ(saved.Keep, 3);
    EXPECT_EQ(saved.Days, 400);
    EXPECT_EQ(saved.ThinDays, 0);
    EXPECT_EQ(saved.ThinWeeks, 8);
    EXPECT_LE(saved.ThinMonths, CVersionSettings::kMaxThinMonths);
    EXPECT_EQ(saved.MassChange, 25);
    EXPECT_TRUE(manage.Sets()[0].Versions.IsDefault());

    // A duplicate takes the settings along; Cancel in the dialog changes nothing.
    CManageBackupSetsDlg again(manage.Sets(), false, prompter);
    again.show();
    CVersionSettingsDlg* second = OpenVersions(again, 1);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(Child<QCheckBox>(*second, "active")->isChecked());
    EXPECT_EQ(Child<QSpinBox>(*second, "days")->value(), 400);
    QTest::mouseClick(Child<QCheckBox>(*second, "active"), Qt::LeftButton);
    Press(*second, QDialogButtonBox::Cancel);
    EXPECT_EQ(again.Sets()[1].Versions, saved);
}

TEST(VersionSettingsDlg, EachRuleReadsAsOneSentenceAroundItsNumber)
{
    CVersionSettingsDlg dialog(CVersionSettings {}, {});
    dialog.show();
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    for (const char* text : { "Keep at most", "versions of a file", "Keep versions for", "days (0: no limit)",
             "one a day for", "days,", "one a week for", "weeks,", "one a month for", "months",
             "Ask before a backup deletes or replaces more than", "% of an entry's files (0: never)" })
        EXPECT_TRUE(texts.contains(QLatin1String(text))) << text;
    // Without versions no selection means no Versions... button to press.
    ScriptedPrompter prompter;
    CManageBackupSetsDlg manage({}, false, prompter);
    EXPECT_FALSE(Child<QPushButton>(manage, "versions")->isEnabled());
}

TEST(VersionSettingsDlg, TheSpaceOfTheSetsVersionAreasIsWorkedOutAside)
{
    TempDir dir;
    dir.Write("one/.korvane-versions/2025-01-01 120000/docs/a.txt", std::string(100000, 'a'));
    dir.Write("two/.korvane-versions/2025-01-01 120000/b.txt", std::string(50000, 'b'));
    std::uint64_t one = 0;
    std::uint64_t two = 0;
    ASSERT_EQ(CVersionPruner::SpaceUsed(dir / "one", one), 0);
    ASSERT_EQ(CVersionPruner::SpaceUsed(dir / "two", two), 0);
    const QString prefix = QStringLiteral("The versions of this set take: ");
    {
        CVersionSettingsDlg dialog(CVersionSettings {}, { dir / "one", dir / "two", dir / "none" });
        QLabel* line = dialog.SpaceLine();
        // Nothing comes back before the interface thread takes its events.
        EXPECT_EQ(line->text(), prefix + QStringLiteral("working out..."));
        ASSERT_EVENTUALLY(!line->text().contains(QStringLiteral("working")));
        EXPECT_EQ(line->text(), prefix + QString::fromStdString(CVersionPruner::SpaceText(one + two)));
    }
    // An area reached through a link is not counted: said, not guessed.
    std::filesystem::create_directories(dir / "three");
    std::filesystem::create_directory_symlink(dir / "one/.korvane-versions", dir / "three/.korvane-versions");
    CVersionSettingsDlg linked(CVersionSettings {}, { dir / "three" });
    ASSERT_EVENTUALLY(!linked.SpaceLine()->text().contains(QStringLiteral("working")));
    EXPECT_EQ(linked.SpaceLine()->text(),
        prefix + QStringLiteral("not known (Too many levels of symbolic links, error: 40)"));
    ASSERT_EVENTUALLY(CVersionSettingsDlg::ThreadsAlive() == 0);
}

} // namespace
