#include "DialogTestSupport.h"
#include "common/FakeClock.h"
#include "core/Set.h"
#include "ui/AddFolderDlg.h"
#include "ui/CheckForUpdatesDlg.h"
#include "ui/FeedbackDlg.h"
#include "ui/ManageBackupSetsDlg.h"
#include "ui/NewBackupSetDlg.h"
#include "ui/SchedulerAddDlg.h"
#include "ui/VersionSettingsDlg.h"
#include "ui/ViewLogDlg.h"

#include <QApplication>
#include <QFont>
#include <memory>

namespace {

// Every dialog of this file, opened on realistic values.
std::vector<std::unique_ptr<QWidget>> Dialogs(CPrompter& prompter)
{
    CSet set;
    set.LastDestinationFolder = "/media/me/Backup Drive";
    set.Entries.emplace_back().SourceFolder = "/home/me/Documents";
    std::deque<CSet> sets(2);
    sets[0].Name = "Daily";
    sets[1].Name = "Weekly photos";
    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.push_back(std::make_unique<CAddFolderDlg>(set, 0, true, prompter));
    dialogs.push_back(std::make_unique<CManageBackupSetsDlg>(sets, false, prompter));
    dialogs.push_back(std::make_unique<CNewBackupSetDlg>(
        QStringLiteral("Duplicate Backup Set"), "Daily [Copy]", true, std::vector<std::string> {}, prompter));
    dialogs.push_back(std::make_unique<CSchedulerAddDlg>(CScheduler {}, "smtp.example.org", prompter));
    dialogs.push_back(std::make_unique<CVersionSettingsDlg>(CVersionSettings {}, std::vector<std::string> {}));
    static FakeClock clock;
    dialogs.push_back(std::make_unique<CViewLogDlg>("/nonexistent/activity.log", false, prompter, clock));
    dialogs.push_back(std::make_unique<CCheckForUpdatesDlg>());
    dialogs.push_back(
        std::make_unique<CFeedbackDlg>(CWebEndpoint(QUrl(QStringLiteral("https://127.0.0.1:9"))), prompter));
    return dialogs;
}

void ExpectEveryTextFits(CPrompter& prompter)
{
    for (auto& dialog : Dialogs(prompter)) {
        dialog->show();
        EXPECT_EQ(ClippedTexts(*dialog), std::vector<std::string> {}) << dialog->objectName().toStdString();
    }
}

TEST(DialogTextFit, NoTextIsClippedAtTheDesktopFont)
{
    ScriptedPrompter prompter;
    ExpectEveryTextFits(prompter);
}

TEST(DialogTextFit, NoTextIsClippedAtTwiceTheFontSize)
{
    const QFont original = QApplication::font();
    QFont large = original;
    large.setPointSizeF(original.pointSizeF() * 2);
    QApplication::setFont(large);
    ScriptedPrompter prompter;
    ExpectEveryTextFits(prompter);
    QApplication::setFont(original);
}

} // namespace
