#include "common/EventualAssert.h"
#include "DialogTestSupport.h"
#include "app/SettingsStore.h"
#include "app/SettingsTestFiles.h"
#include "common/FakeClock.h"
#include "common/TempDir.h"
#include "platform/MyRegistry.h"
#include "ui/KorvaneDlg.h"
#include "ui/MyListCtrl.h"
#include "ui/SettingsDlg.h"
#include "ui/SettingsPage.h"
#include "ui/TrayIcon.h"
#include "ui/UIEffects.h"
#include "ui/UiContext.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

void Press(QDialog& dialog, QDialogButtonBox::StandardButton which)
{
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(which), Qt::LeftButton);
}

void Tick(CSettingsDlg& dialog, int page, const char* name)
{
    dialog.SelectPage(page);
    QApplication::processEvents();
    QTest::mouseClick(Child<QAbstractButton>(*dialog.Page(page), name), Qt::LeftButton, {}, QPoint(6, 6));
}

// The main window's Settings command with a settings holder that saves to
// the settings file, as the program has it.
class SettingsCommandTest : public ::testing::Test {
protected:
    SettingsCommandTest()
    {
        WipeSettingsAndRegistrations();
        session.SavedCopy = &saved;
        CSet& set = session.Sets.emplace_back();
        set.Name = "Docs";
        set.Schedule.Active = 1;
        set.Schedule.Condition = 1;
        set.Schedule.DailyHour = 3;
        saved = session;
        SettingsRecord record;
        record.ModulePath = "/opt/korvane/korvane";
        LoadSettings(record);
        record.General.AutomaticScan = 0;
        record.SchedulerActive = true;
        SaveSettings(record);
        settings.Replace(record);
        subscription = settings.Subscribe([this](const CSettingsHolder::Snapshot& s) { told.push_back(s); });
    }
    ~SettingsCommandTest() override
    {
        settings.Unsubscribe(subscription);
        CMyDialog::SetTooltipDelay(500);
        CUIEffects::SetEnabled(false);
        CUIEffects::ForcePlatformSupport(-1);
        WipeSettingsAndRegistrations();
    }

    CKorvaneDlg& Window()
    {
        if (!window) {
            CKorvaneDlg::Services services { [](CRunDisplay&) { return std::unique_ptr<CActionRunner>(); }, clock,
                false, true };
            window = std::make_unique<CKorvaneDlg>(context, services);
            window->show();
        }
        return *window;
    }

    CSession session;
    CSession saved;
    CSettingsHolder settings { {}, [](const SettingsRecord& r) { SaveSettings(r); } };
    CActionFlags flags;
    CommandLineRequest request;
    ScriptedPrompter prompter;
    CUiContext context { session, settings, flags, prompter, request };
    FakeClock clock;
    std::unique_ptr<CKorvaneDlg> window;
    int subscription = 0;
    std::vector<CSettingsHolder::Snapshot> told;
};

} // namespace

TEST_F(SettingsCommandTest, OkSavesOneWholeChangeAndAppliesItToTheWindows)
{
    CKorvaneDlg& w = Window();
    EXPECT_FALSE(w.List()->showGrid());
    EXPECT_FALSE(w.Tray().Hidden());
    CUIEffects::ForcePlatformSupport(1);
    const CSettingsHolder::Snapshot before = settings.Get();
    OnDialog<CSettingsDlg> edit([](CSettingsDlg& dialog) {
        Tick(dialog, CSettingsDlg::General, "gridlines");
        Tick(dialog, CSettingsDlg::General, "alphaBlending");
        dialog.SelectPage(CSettingsDlg::General);
        QLineEdit* delay = Child<QLineEdit>(*dialog.Page(CSettingsDlg::General), "tooltipDelay");
        delay->selectAll();
        QTest::keyClicks(delay, QStringLiteral("750"));
        Tick(dialog, CSettingsDlg::Tray, "trayHideIdle");
        Tick(dialog, CSettingsDlg::Missed, "missedExecute");
        Press(dialog, QDialogButtonBox::Ok);
    });
    w.Settings();
    ASSERT_EQ(edit.seen, 1);

    // One new snapshot, told once, with every change of the OK in it; the
    // one a scheduler pass held before stays as it was.
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], settings.Get());
    const SettingsRecord now = *settings.Get();
    EXPECT_EQ(now.General.GridlinesList, 1);
    EXPECT_EQ(now.General.AlphaBlending, 1);
    EXPECT_EQ(now.General.TooltipDelay, 750);
    EXPECT_EQ(now.Scheduler.TrayHideIdle, 1);
    EXPECT_EQ(now.Scheduler.MissedEvents, 2);
    EXPECT_EQ(before->General.GridlinesList, 0);
    EXPECT_EQ(before->Scheduler.MissedEvents, 0);

    // Saved to the file.
    SettingsRecord loaded;
    loaded.ModulePath = now.ModulePath;
    LoadSettings(loaded);
    EXPECT_EQ(loaded, now);

    // In effect in the windows.
    EXPECT_TRUE(w.List()->showGrid());
    EXPECT_EQ(CMyDialog::TooltipDelay(), 750);
    EXPECT_NE(CUIEffects::Of(&w), nullptr);
    EXPECT_TRUE(w.Tray().Hidden());
    // The schedules' due times follow the new settings.
    EXPECT_NE(session.Sets.front().Schedule.NextDue, CScheduler::InitialDueTime());
}

TEST_F(SettingsCommandTest, CancelLeavesTheFileTheSnapshotAndTheWindowsAlone)
{
    CKorvaneDlg& w = Window();
    const std::string file = TempDir::Read(CMyRegistry::FilePath());
    ASSERT_FALSE(file.empty());
    const CSettingsHolder::Snapshot before = settings.Get();
    OnDialog<CSettingsDlg> edit([](CSettingsDlg& dialog) {
        Tick(dialog, CSettingsDlg::General, "gridlines");
        Tick(dialog, CSettingsDlg::General, "associate");
        Tick(dialog, CSettingsDlg::Scheduler, "schedulerActive");
        Tick(dialog, CSettingsDlg::Backup, "backupDelete");
        Press(dialog, QDialogButtonBox::Cancel);
    });
    w.Settings();
    ASSERT_EQ(edit.seen, 1);
    EXPECT_TRUE(told.empty());
    EXPECT_EQ(settings.Get(), before);
    EXPECT_EQ(TempDir::Read(CMyRegistry::FilePath()), file);
    EXPECT_FALSE(w.List()->showGrid());
    EXPECT_FALSE(CShellIntegration(before->ModulePath).IsFileAssociated(".kvf"));
    EXPECT_TRUE(CShellIntegration(before->ModulePath).IsSchedulerRegistered());
}

TEST_F(SettingsCommandTest, TheTrayMenuOpensTheSameDialog)
{
    CKorvaneDlg& w = Window();
    OnDialog<CSettingsDlg> edit([](CSettingsDlg& dialog) {
        Tick(dialog, CSettingsDlg::Scheduler, "schedulerActive");
        Press(dialog, QDialogButtonBox::Ok);
    });
    w.Tray().Action(CTrayIcon::Settings)->trigger();
    ASSERT_EVENTUALLY_EQ(edit.seen, 1);
    ASSERT_EVENTUALLY_EQ(told.size(), std::size_t { 1 });
    EXPECT_FALSE(settings.Get()->SchedulerActive);
    // The automatic start goes with the scheduler, and the icon with it.
    EXPECT_FALSE(CShellIntegration(settings.Get()->ModulePath).IsSchedulerRegistered());
    EXPECT_TRUE(w.Tray().Hidden());
}

TEST_F(SettingsCommandTest, TheEditMenuOpensTheDialogWhileTheSchedulerIsOff)
{
    // Without the scheduler there is no tray icon, so the menu is the only way in.
    SettingsRecord record = *settings.Get();
    record.SchedulerActive = false;
    settings.Replace(record);
    told.clear();
    CKorvaneDlg& w = Window();
    QAction* command = nullptr;
    for (QAction* action : w.findChildren<QAction*>())
        if (action->text() == QStringLiteral("&Settings..."))
            command = action;
    ASSERT_NE(command, nullptr);
    ASSERT_TRUE(command->isEnabled());
    OnDialog<CSettingsDlg> edit([](CSettingsDlg& dialog) {
        Tick(dialog, CSettingsDlg::General, "gridlines");
        Press(dialog, QDialogButtonBox::Ok);
    });
    command->trigger();
    ASSERT_EVENTUALLY_EQ(edit.seen, 1);
    ASSERT_EVENTUALLY_EQ(told.size(), std::size_t { 1 });
    EXPECT_TRUE(w.List()->showGrid());
}
