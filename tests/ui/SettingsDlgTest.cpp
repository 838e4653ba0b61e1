#include "ui/SettingsDlg.h"

#include "DialogTestSupport.h"
#include "app/SettingsStore.h"
#include "app/SettingsTestFiles.h"
#include "common/TempDir.h"
#include "ui/SettingsHeader.h"
#include "ui/SettingsPage.h"
#include "ui/SettingsSchedulerDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTreeWidget>
#include <sys/stat.h>

namespace {

constexpr const char* kProgram = "/opt/Korvane Test/korvane";

// The settings window on the settings of a fresh account, with a scratch
// stand-in for the machine's association files.
class SettingsDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WipeSettingsAndRegistrations();
        MachineAssociationView view;
        view.mimeAppsLists = { machine / "etc/xdg/mimeapps.list" };
        view.dataDirs = { machine / "usr/share" };
        shell.SetMachineView(view);
        record.ModulePath = kProgram;
        LoadSettings(record, shell);
    }
    void TearDown() override { WipeSettingsAndRegistrations(); }

    CSettingsDlg& Open()
    {
        dialog = std::make_unique<CSettingsDlg>(record, prompter, shell);
        dialog->show();
        return *dialog;
    }

    template <typename T> T* On(int page, const char* name)
    {
        if (dialog->CurrentPage() != page) {
            dialog->SelectPage(page);
            // The page just shown lays itself out before anything is clicked.
            QApplication::processEvents();
        }
        return Child<T>(*dialog->Page(page), name);
    }
    // On the box or the button's left end: a check box's row is wider than
    // what answers a click.
    void Click(int page, const char* name)
    {
        QAbstractButton* button = On<QAbstractButton>(page, name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(std::min(8, button->width() / 2), button->height() / 2));
    }
    void Type(int page, const char* name, const QString& text)
    {
        QLineEdit* field = On<QLineEdit>(page, name);
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        // Key clicks carry ASCII only; the rest arrives as an input method
        // would deliver it.
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(field, c.toLatin1());
            else
                field->insert(QString(c));
        }
    }
    bool PressOk()
    {
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        return dialog->result() == QDialog::Accepted && !dialog->isVisible();
    }
    SettingsRecord Reloaded()
    {
        SettingsRecord loaded;
        loaded.ModulePath = kProgram;
        LoadSettings(loaded, shell);
        return loaded;
    }

    TempDir machine;
    TempDir files;
    CShellIntegration shell { kProgram };
    ScriptedPrompter prompter;
    SettingsRecord record;
    std::unique_ptr<CSettingsDlg> dialog;
};

using D = CSettingsDlg;

} // namespace

TEST_F(SettingsDlgTest, TreeHoldsTenPagesUnderThreeExpandedTopLevelItems)
{
    CSettingsDlg& d = Open();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Settings"));
    QTreeWidget* tree = d.Tree();
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    const QStringList top { QStringLiteral("General"), QStringLiteral("Actions"), QStringLiteral("Scheduler") };
    const std::vector<QStringList> children { { QStringLiteral("Compare"), QStringLiteral("Logging") },
        { QStringLiteral("Backup"), QStringLiteral("Restore") },
        { QStringLiteral("Tray"), QStringLiteral("Display"), QStringLiteral("Missed") } };
    for (int i = 0; i < 3; ++i) {
        QTreeWidgetItem* item = tree->topLevelItem(i);
        EXPECT_EQ(item->text(0), top[i]);
        EXPECT_TRUE(item->isExpanded());
        QStringList names;
        for (int c = 0; c < item->childCount(); ++c)
            names << item->child(c)->text(0);
        EXPECT_EQ(names, children[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(d.PageCount(), 10);

    // General opens first, its header reading General and its description.
    EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
    EXPECT_EQ(d.CurrentPage(), D::General);
    EXPECT_EQ(d.Header()->Caption(), QStringLiteral("General"));
    EXPECT_EQ(d.Header()->Description(),
        QStringLiteral("General settings for the application and how the environment should behave"));
    EXPECT_TRUE(d.Page(D::General)->isVisible());
}

TEST_F(SettingsDlgTest, SelectingATreeItemShowsItsPageUnderItsCaption)
{
    CSettingsDlg& d = Open();
    const std::vector<std::pair<const char*, const char*>> expected {
        { "General", "General settings for the application and how the environment should behave" },
        { "General - Compare", "Settings for how to determine which files in the source to backup" },
        { "General - Logging", "Settings for optional logging of executed actions" },
        { "Actions", "Settings for how the different actions should be performed" },
        { "Actions - Backup", "Settings for how backup actions will be performed" },
        { "Actions - Restore", "Settings for how restore actions will be performed" },
        { "Scheduler", "Scheduler settings for executing unattended actions" },
        { "Scheduler - Tray", "Settings for how the tray icon should behave when scheduler is active" },
        { "Scheduler - Display", "Settings for which dialogs to display during scheduled actions" },
        { "Scheduler - Missed", "Settings for how to handle scheduled events that were missed" },
    };
    QTreeWidget* tree = d.Tree();
    // Walk the tree as a user would, with the arrow key from the top.
    tree->setFocus();
    for (int page = 0; page < d.PageCount(); ++page) {
        if (page > 0)
            QTest::keyClick(tree, Qt::Key_Down);
        EXPECT_EQ(d.CurrentPage(), page);
        EXPECT_EQ(d.Header()->Caption().toStdString(), expected[static_cast<std::size_t>(page)].first) << page;
        EXPECT_EQ(d.Header()->Description().toStdString(), expected[static_cast<std::size_t>(page)].second) << page;
        for (int other = 0; other < d.PageCount(); ++other)
            EXPECT_EQ(d.Page(other)->isVisible(), other == page) << page << " " << other;
    }
}

TEST_F(SettingsDlgTest, HeaderIsTheDesignedBandAndItsTextsFit)
{
    CSettingsDlg& d = Open();
    CSettingsHeader* header = d.Header();
    EXPECT_EQ(header->Colour(), QColor(0x60, 0x60, 0x80));
    EXPECT_GE(header->height(), 54);
    const QImage picture = header->grab().toImage();
    // The band's colour, then the four closing lines at its bottom.
    EXPECT_EQ(picture.pixelColor(2, 2), QColor(0x60, 0x60, 0x80));
    const int w = picture.width() / 2;
    const int h = picture.height();
    EXPECT_EQ(picture.pixelColor(w, h - 1), QColor(Qt::white));
    EXPECT_EQ(picture.pixelColor(w, h - 2), QColor(0x80, 0x80, 0x80));
    // Every page fits its controls without clipping a text.
    for (int page = 0; page < d.PageCount(); ++page) {
        d.SelectPage(page);
        EXPECT_EQ(ClippedTexts(d), std::vector<std::string> {}) << page;
    }
}

TEST_F(SettingsDlgTest, EveryPageRoundTripsEveryValueThroughOkIntoTheSettingsFile)
{
    Open();
    for (const char* name : { "gridlines", "automaticScan", "checkUpdates", "alphaBlending" })
        Click(D::General, name);
    On<QComboBox>(D::General, "clusterSize")->setCurrentIndex(7);
    Type(D::General, "tooltipDelay", QStringLiteral("1234"));
    Click(D::Compare, "compareCrc");
    Click(D::Logging, "logActivate");
    Type(D::Logging, "logFileName", QString::fromStdString(files / "activity.log"));
    for (const char* name : { "noInteract", "displaySummary", "playSound", "postShutdown", "displayError" })
        Click(D::Actions, name);
    // Deleting first: the recycle bin choice is enabled only with it.
    for (const char* name : { "backupDelete", "backupTrash", "backupOverwrite", "backupSecurity", "backupCompression" })
        Click(D::Backup, name);
    for (const char* name : { "restoreOverwrite", "restoreTrash", "restoreSecurity", "restoreCompression" })
        Click(D::Restore, name);
    Click(D::Scheduler, "schedulerActive");
    Type(D::Scheduler, "smtpServer", QStringLiteral("  mail.example.org "));
    On<QComboBox>(D::Scheduler, "smtpSecurity")->setCurrentIndex(2);
    Type(D::Scheduler, "smtpPort", QStringLiteral("2525"));
    Click(D::Scheduler, "smtpLoginRequired");
    On<QComboBox>(D::Scheduler, "smtpLoginMethod")->setCurrentIndex(2);
    Type(D::Scheduler, "smtpLogin", QStringLiteral("me@example.org"));
    Type(D::Scheduler, "smtpPassword", QStringLiteral("pa ss\u00e9"));
    for (const char* name : { "trayHideIdle", "trayPlaySound", "trayAnimate", "trayBalloons" })
        Click(D::Tray, name);
    for (const char* name : { "displayInformation", "displayProgress", "displaySummary", "displayError" })
        Click(D::Display, name);
    Click(D::Missed, "missedExecute");
    ASSERT_TRUE(PressOk());
    EXPECT_TRUE(prompter.asked.empty());

    SettingsRecord expected = record;
    auto& g = expected.General;
    g.GridlinesList = 1, g.CheckUpdates = 0, g.AlphaBlending = 1, g.AutomaticScan = 0, g.ClusterSize = 7;
    g.TooltipDelay = 1234, g.CompareType = 1, g.LogActivate = 1, g.LogFileName = files / "activity.log";
    auto& a = expected.Actions;
    a.NoInteract = 1, a.DisplaySummary = 0, a.PlaySound = 0, a.PostShutdown = 1, a.DisplayError = 0;
    a.BackupDelete = 1, a.BackupTrash = 0, a.BackupOverwrite = 1, a.BackupSecurity = 1, a.BackupCompression = 1;
    a.RestoreOverwrite = 1, a.RestoreTrash = 0, a.RestoreSecurity = 1, a.RestoreCompression = 1;
    expected.SchedulerActive = true;
    auto& s = expected.Scheduler;
    s.SMTPServer = "mail.example.org", s.SMTPPort = 2525, s.SMTPSecurity = 2, s.SMTPLoginRequired = 1;
    s.SMTPLoginMethod = 1, s.SMTPLogin = "me@example.org", s.SMTPPassword = "pa ss\u00e9";
    s.TrayHideIdle = 1, s.TrayPlaySound = 0, s.TrayAnimate = 0, s.TrayBalloons = 0;
    s.DisplayInformation = 1, s.DisplayProgress = 1, s.DisplaySummary = 1, s.DisplayError = 0, s.MissedEvents = 2;
    EXPECT_EQ(dialog->Result(), expected);

    SaveSettings(dialog->Result(), shell);
    EXPECT_EQ(Reloaded(), expected);
    EXPECT_TRUE(shell.IsSchedulerRegistered());

    // Opened again on what was saved, the pages show it and OK keeps it.
    record = Reloaded();
    Open();
    EXPECT_EQ(On<QLineEdit>(D::General, "tooltipDelay")->text(), QStringLiteral("1234"));
    EXPECT_EQ(On<QComboBox>(D::General, "clusterSize")->currentText(), QStringLiteral("64 kB"));
    EXPECT_TRUE(On<QRadioButton>(D::Compare, "compareCrc")->isChecked());
    EXPECT_TRUE(On<QRadioButton>(D::Missed, "missedExecute")->isChecked());
    EXPECT_EQ(On<QComboBox>(D::Scheduler, "smtpLoginMethod")->currentText(), QStringLiteral("CRAM-MD5"));
    EXPECT_EQ(On<QComboBox>(D::Scheduler, "smtpSecurity")->currentText(), QStringLiteral("TLS"));
    EXPECT_EQ(On<QLineEdit>(D::Scheduler, "smtpPassword")->echoMode(), QLineEdit::Password);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dialog->Result(), expected);
}

TEST_F(SettingsDlgTest, CancelKeepsEverySettingAndTheAssociation)
{
    record.General.LogFileName = files / "old.log";
    CSettingsDlg& d = Open();
    Click(D::General, "associate");
    Click(D::General, "gridlines");
    Type(D::General, "tooltipDelay", QStringLiteral("99"));
    Click(D::Logging, "logActivate");
    Click(D::Backup, "backupDelete");
    Type(D::Scheduler, "smtpServer", QStringLiteral("elsewhere.example.org"));
    Click(D::Missed, "missedNotify");
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(d.Result(), record);
    EXPECT_FALSE(shell.IsFileAssociated(".kvf"));
    EXPECT_FALSE(std::filesystem::exists(CShellIntegration::DesktopEntryPath()));
}

TEST_F(SettingsDlgTest, AssociationIsWrittenOnlyWhenItsBoxChanged)
{
    CSettingsDlg& first = Open();
    EXPECT_FALSE(On<QCheckBox>(D::General, "associate")->isChecked());
    Click(D::General, "associate");
    ASSERT_TRUE(PressOk());
    (void)first;
    EXPECT_TRUE(shell.IsFileAssociated(".kvf"));

    // A mark in the desktop entry shows whether OK rewrote it.
    const std::string entry = CShellIntegration::DesktopEntryPath();
    const std::string marked = TempDir::Read(entry) + "X-Korvane-Test=kept\n";
    {
        std::FILE* file = std::fopen(entry.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs(marked.c_str(), file);
        std::fclose(file);
    }
    Open();
    EXPECT_TRUE(On<QCheckBox>(D::General, "associate")->isChecked());
    Click(D::General, "gridlines");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(TempDir::Read(entry), marked);

    Open();
    Click(D::General, "associate");
    ASSERT_TRUE(PressOk());
    EXPECT_FALSE(shell.IsFileAssociated(".kvf"));
}

TEST_F(SettingsDlgTest, DependentChoicesGreyOutAtOnceAndKeepTheirMarks)
{
    record.Actions.BackupDelete = 1;
    record.Actions.BackupTrash = 1;
    record.Scheduler.TrayHideIdle = 0;
    record.General.LogActivate = 0;
    record.Scheduler.SMTPLoginRequired = 0;
    Open();
    QCheckBox* trash = On<QCheckBox>(D::Backup, "backupTrash");
    EXPECT_TRUE(trash->isEnabled());
    Click(D::Backup, "backupDelete");
    EXPECT_FALSE(trash->isEnabled());
    EXPECT_TRUE(trash->isChecked());

    EXPECT_FALSE(On<QCheckBox>(D::Tray, "trayPlaySound")->isEnabled());
    Click(D::Tray, "trayHideIdle");
    EXPECT_TRUE(On<QCheckBox>(D::Tray, "trayPlaySound")->isEnabled());

    for (const char* name : { "logFileName", "logBrowse", "logFileNameLabel" })
        EXPECT_FALSE(On<QWidget>(D::Logging, name)->isEnabled()) << name;
    Click(D::Logging, "logActivate");
    for (const char* name : { "logFileName", "logBrowse", "logFileNameLabel" })
        EXPECT_TRUE(On<QWidget>(D::Logging, name)->isEnabled()) << name;
    Click(D::Logging, "logActivate");

    for (const char* name : { "smtpLogin", "smtpPassword", "smtpLoginMethod" })
        EXPECT_FALSE(On<QWidget>(D::Scheduler, name)->isEnabled()) << name;
    EXPECT_TRUE(On<QWidget>(D::Scheduler, "smtpCheck")->isEnabled());
    Click(D::Scheduler, "smtpLoginRequired");
    for (const char* name : { "smtpLogin", "smtpPassword", "smtpLoginMethod" })
        EXPECT_TRUE(On<QWidget>(D::Scheduler, name)->isEnabled()) << name;

    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dialog->Result().Actions.BackupDelete, 0);
    EXPECT_EQ(dialog->Result().Actions.BackupTrash, 1);
}

// The choice about the source's own files sits with the other one, right
// under "newer", before what a restore carries over onto its copies.
TEST_F(SettingsDlgTest, RestoreTrashIsOnByDefaultDirectlyUnderTheNewerChoice)
{
    Open();
    auto* newer = On<QCheckBox>(D::Restore, "restoreOverwrite");
    auto* trash = On<QCheckBox>(D::Restore, "restoreTrash");
    auto* security = On<QCheckBox>(D::Restore, "restoreSecurity");
    EXPECT_EQ(trash->text(), QStringLiteral("Move files that a restore replaces to the trash"));
    EXPECT_TRUE(trash->isChecked());
    EXPECT_TRUE(trash->isVisible());
    EXPECT_TRUE(trash->isEnabled());
    EXPECT_EQ(trash->x(), newer->x());
    EXPECT_GT(trash->y(), newer->y() + newer->height() - 1);
    EXPECT_LT(trash->y(), security->y());
    QWidget* page = dialog->Page(D::Restore);
    const QList<QCheckBox*> boxes = page->findChildren<QCheckBox*>();
    for (QCheckBox* other : boxes) {
        const bool between = other->y() > newer->y() && other->y() < trash->y();
        EXPECT_FALSE(between) << other->objectName().toStdString();
    }
    // Off, it stays off.
    Click(D::Restore, "restoreTrash");
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dialog->Result().Actions.RestoreTrash, 0);
    record = dialog->Result();
    Open();
    EXPECT_FALSE(On<QCheckBox>(D::Restore, "restoreTrash")->isChecked());
}

TEST_F(SettingsDlgTest, RefusedNumbersKeepTheDialogOpenOnTheirPage)
{
    Open();
    // Letters never reach the field; an empty field is refused on OK.
    Type(D::General, "tooltipDelay", QStringLiteral("abc"));
    EXPECT_EQ(On<QLineEdit>(D::General, "tooltipDelay")->text(), QString());
    dialog->SelectPage(D::Missed);
    EXPECT_FALSE(PressOk());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Asked(prompter), std::vector<std::string> { "Please enter an integer between 0 and 30000." });
    EXPECT_EQ(prompter.asked.back().style, MbOk | MbIconWarning);
    EXPECT_EQ(dialog->CurrentPage(), D::General);
    EXPECT_EQ(dialog->Tree()->currentItem()->text(0), QStringLiteral("General"));
    EXPECT_TRUE(dialog->Tree()->hasFocus() || !dialog->isActiveWindow());

    Type(D::General, "tooltipDelay", QStringLiteral("30001"));
    EXPECT_FALSE(PressOk());
    Type(D::General, "tooltipDelay", QStringLiteral("0"));
    Type(D::Scheduler, "smtpPort", QStringLiteral("65536"));
    dialog->SelectPage(D::General);
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(prompter.asked.back().text, "Please enter an integer between 1 and 65535.");
    EXPECT_EQ(dialog->CurrentPage(), D::Scheduler);
    Type(D::Scheduler, "smtpPort", QStringLiteral("0"));
    EXPECT_FALSE(PressOk());
    EXPECT_EQ(prompter.asked.size(), 4u);

    Type(D::Scheduler, "smtpPort", QStringLiteral("465"));
    EXPECT_TRUE(PressOk());
    EXPECT_EQ(dialog->Result().General.TooltipDelay, 0);
    EXPECT_EQ(dialog->Result().Scheduler.SMTPPort, 465);
}

// An active log without a typed name writes the default log.
TEST_F(SettingsDlgTest, AnActiveLogWithoutANameKeepsTheDefault)
{
    Open();
    Click(D::Logging, "logActivate");
    Type(D::Logging, "logFileName", QStringLiteral("   "));
    dialog->SelectPage(D::General);
    EXPECT_TRUE(PressOk());
    EXPECT_TRUE(Asked(prompter).empty());
    EXPECT_EQ(dialog->Result().General.LogActivate, 1);
    EXPECT_EQ(dialog->Result().General.LogFileName, "");
}

TEST_F(SettingsDlgTest, BrowseTakesAWritableFileAndRefusesAReadOnlyOne)
{
    record.General.LogActivate = 1;
    record.General.LogFileName = files / "first.log";
    Open();
    const std::string readOnly = files.Write("locked.log", "");
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    prompter.FileName(readOnly);
    Click(D::Logging, "logBrowse");
    ASSERT_EQ(prompter.fileDialogs.size(), 1u);
    const FileDialogRequest& request = prompter.fileDialogs.front();
    EXPECT_EQ(request.title, "Create/Open Log File");
    EXPECT_EQ(request.filter, "Log Files (*.log)");
    EXPECT_EQ(request.defaultExtension, "log");
    EXPECT_TRUE(request.save);
    EXPECT_FALSE(request.mustExist);
    EXPECT_EQ(Asked(prompter), std::vector<std::string> { readOnly + " is read only." });
    EXPECT_EQ(prompter.asked.back().style, MbOk | MbIconError);
    EXPECT_EQ(On<QLineEdit>(D::Logging, "logFileName")->text(), QString::fromStdString(files / "first.log"));

    prompter.FileName(files / "new.log");
    Click(D::Logging, "logBrowse");
    EXPECT_EQ(On<QLineEdit>(D::Logging, "logFileName")->text(), QString::fromStdString(files / "new.log"));
    prompter.FileName("");
    Click(D::Logging, "logBrowse");
    EXPECT_EQ(On<QLineEdit>(D::Logging, "logFileName")->text(), QString::fromStdString(files / "new.log"));
    EXPECT_EQ(prompter.asked.size(), 1u);
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dialog->Result().General.LogFileName, files / "new.log");
}

TEST_F(SettingsDlgTest, APortStillAtTheUsualOneFollowsTheSecurityChoice)
{
    Open();
    QLineEdit* port = On<QLineEdit>(D::Scheduler, "smtpPort");
    QComboBox* security = On<QComboBox>(D::Scheduler, "smtpSecurity");
    EXPECT_EQ(port->text(), QStringLiteral("25"));
    security->setCurrentIndex(2);
    EXPECT_EQ(port->text(), QStringLiteral("465"));
    security->setCurrentIndex(1);
    EXPECT_EQ(port->text(), QStringLiteral("587"));
    Type(D::Scheduler, "smtpPort", QStringLiteral("2525"));
    security->setCurrentIndex(0);
    EXPECT_EQ(port->text(), QStringLiteral("2525"));
}

TEST_F(SettingsDlgTest, OutOfRangeStoredChoicesShowAsDefaults)
{
    record.General.ClusterSize = 12;
    record.General.CompareType = 5;
    record.Scheduler.MissedEvents = -1;
    record.Scheduler.SMTPLoginMethod = 9;
    Open();
    EXPECT_EQ(On<QComboBox>(D::General, "clusterSize")->currentIndex(), 3);
    EXPECT_TRUE(On<QRadioButton>(D::Compare, "compareDate")->isChecked());
    EXPECT_TRUE(On<QRadioButton>(D::Missed, "missedIgnore")->isChecked());
    EXPECT_EQ(On<QComboBox>(D::Scheduler, "smtpLoginMethod")->currentText(), QStringLiteral("AUTH LOGIN"));
    ASSERT_TRUE(PressOk());
    EXPECT_EQ(dialog->Result().General.ClusterSize, 3);
    EXPECT_EQ(dialog->Result().Scheduler.MissedEvents, 0);
    EXPECT_EQ(dialog->Result().Scheduler.SMTPLoginMethod, 2);
}

TEST_F(SettingsDlgTest, EveryControlCarriesItsTooltip)
{
    Open();
    const std::vector<std::tuple<int, const char*, int>> controls { { D::General, "associate", 1375 },
        { D::General, "gridlines", 1376 }, { D::General, "automaticScan", 1378 }, { D::General, "checkUpdates", 1379 },
        { D::General, "alphaBlending", 1380 }, { D::General, "clusterSize", 1381 },
        { D::General, "tooltipDelay", 1374 }, { D::Compare, "compareDate", 1382 }, { D::Compare, "compareCrc", 1383 },
        { D::Logging, "logActivate", 1387 }, { D::Logging, "logFileName", 1388 }, { D::Logging, "logBrowse", 1389 },
        { D::Actions, "noInteract", 1392 }, { D::Actions, "displaySummary", 1393 }, { D::Actions, "playSound", 1394 },
        { D::Actions, "postShutdown", 1395 }, { D::Actions, "displayError", 1396 },
        { D::Backup, "backupOverwrite", 1397 }, { D::Backup, "backupSecurity", 1401 },
        { D::Backup, "backupCompression", 1403 }, { D::Backup, "backupDelete", 1398 },
        { D::Backup, "backupTrash", 1399 }, { D::Restore, "restoreOverwrite", 1400 },
        { D::Restore, "restoreTrash", 1412 }, { D::Restore, "restoreSecurity", 1352 },
        { D::Restore, "restoreCompression", 1404 }, { D::Scheduler, "schedulerActive", 1402 },
        { D::Scheduler, "smtpServer", 1107 }, { D::Scheduler, "smtpPort", 1108 }, { D::Scheduler, "smtpCheck", 1263 },
        { D::Scheduler, "smtpLoginRequired", 1258 }, { D::Scheduler, "smtpLogin", 1259 },
        { D::Scheduler, "smtpPassword", 1260 }, { D::Tray, "trayHideIdle", 1405 }, { D::Tray, "trayAnimate", 1406 },
        { D::Tray, "trayPlaySound", 1407 }, { D::Tray, "trayBalloons", 1408 },
        { D::Display, "displayInformation", 1410 }, { D::Display, "displayProgress", 1364 },
        { D::Display, "displaySummary", 1411 }, { D::Display, "displayError", 1366 },
        { D::Missed, "missedIgnore", 1003 }, { D::Missed, "missedNotify", 1372 },
        { D::Missed, "missedExecute", 1373 } };
    for (const auto& [page, name, id] : controls) {
        ASSERT_FALSE(LoadString(id).empty()) << id;
        EXPECT_EQ(On<QWidget>(page, name)->toolTip().toStdString(), LoadString(id)) << name;
    }
}

TEST_F(SettingsDlgTest, EnterOnAPageConfirmsTheWindowAndEscapeCancelsIt)
{
    Open();
    QLineEdit* server = On<QLineEdit>(D::Scheduler, "smtpServer");
    Type(D::Scheduler, "smtpServer", QStringLiteral("relay.example.org"));
    QTest::keyClick(server, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->Result().Scheduler.SMTPServer, "relay.example.org");

    Open();
    Type(D::Scheduler, "smtpServer", QStringLiteral("other.example.org"));
    QTest::keyClick(On<QLineEdit>(D::Scheduler, "smtpServer"), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(dialog->Result().Scheduler.SMTPServer, record.Scheduler.SMTPServer);
}

TEST_F(SettingsDlgTest, TabGoesFromTheTreeThroughTheShownPageToTheButtons)
{
    record.Actions.BackupDelete = 1;
    CSettingsDlg& d = Open();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    d.SelectPage(D::Backup);
    d.Tree()->setFocus();
    QTest::keyClick(d.Tree(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Child<QWidget>(*d.Page(D::Backup), "backupOverwrite"));
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Child<QWidget>(*d.Page(D::Backup), "backupTrash"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto* buttons = d.findChild<QDialogButtonBox*>();
    EXPECT_EQ(QApplication::focusWidget(), buttons->button(QDialogButtonBox::Ok));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), Child<QWidget>(*d.Page(D::Backup), "backupTrash"));
}

TEST_F(SettingsDlgTest, AtTwiceTheFontSizeEveryPageAndTheHeaderStillFit)
{
    const QFont original = QApplication::font();
    QFont large = original;
    large.setPointSizeF(original.pointSizeF() * 2);
    QApplication::setFont(large);
    CSettingsDlg& d = Open();
    for (int page = 0; page < d.PageCount(); ++page) {
        d.SelectPage(page);
        QApplication::processEvents();
        EXPECT_EQ(ClippedTexts(d), std::vector<std::string> {}) << page;
        // The description wraps inside the band, above its closing lines.
        const QFontMetrics metrics(d.Header()->font());
        const QRect needed = metrics.boundingRect(
            QRect(0, 0, d.Header()->width() - 40, 10000), Qt::TextWordWrap, d.Header()->Description());
        EXPECT_GE(d.Header()->height(), needed.height() + metrics.height()) << page;
    }
    dialog.reset();
    QApplication::setFont(original);
}
