// Opens every window of Korvane with sample data on a real display and saves
// one picture per window: korvane_screens <output folder>. Run through
// scripts/screens.sh, which starts an X server for it.
#include "app/KorvaneApp.h"
#include "app/ShellIntegration.h"
#include "common/FakeClock.h"
#include "core/Prompter.h"
#include "engine/ActionDisplay.h"
#include "engine/GetInfoWorker.h"
#include "engine/ProgressWorker.h"
#include "engine/WallClock.h"
#include "log/ActivityLog.h"
#include "platform/Clock.h"
#include "platform/PowerOff.h"
#include "scheduler/ActionFlags.h"
#include "scheduler/RunHistory.h"
#include "scheduler/ShutdownCountdown.h"
#include "ui/AboutDlg.h"
#include "ui/ActionSummaryDlg.h"
#include "ui/AddFolderDlg.h"
#include "ui/CheckForUpdatesDlg.h"
#include "ui/FeedbackDlg.h"
#include "ui/GeneralProgress.h"
#include "ui/GetInfoDlg.h"
#include "ui/KorvaneDlg.h"
#include "ui/ManageBackupSetsDlg.h"
#include "ui/MyListCtrl.h"
#include "ui/NewBackupSetDlg.h"
#include "ui/PlanListModel.h"
#include "ui/ProgressDlg.h"
#include "ui/QtPrompter.h"
#include "ui/RealBackup.h"
#include "ui/SchedulerAddDlg.h"
#include "ui/SettingsDlg.h"
#include "ui/ShutDownDlg.h"
#include "ui/TrayIcon.h"
#include "ui/UiContext.h"
#include "ui/VersionSettingsDlg.h"
#include "ui/VersionsDlg.h"
#include "ui/ViewFoldersDlg.h"
#include "ui/ViewLogDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTimer>
#include <cstdlib>
#include <ctime>
#include <iostream>

namespace {

QString g_output;

void Settle(int ms = 150)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Save(QWidget* window, const QString& name)
{
    Settle();
    const QString path = g_output + QStringLiteral("/") + name + QStringLiteral(".png");
    // The window as it draws itself, at the display's pixel ratio: the
    // whole of it even where it is larger than the screen.
    const QPixmap picture = window->grab();
    picture.save(path);
    std::cout << path.toStdString() << "\n";
}

void WriteFile(const QString& path, int bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray(bytes, 'k'));
}

// A folder whose path is longer than the list's Name column.
constexpr const char* kLongFolder
    = "/archive/family photographs scanned from the old albums/summer holidays at the seaside/Holidays";

// Sample folders: documents, photos by year, a project, a folder deep down;
// one entry's folder is missing, so its row shows the warning colour.
QString MakeSample(const QString& root)
{
    for (int i = 0; i < 40; ++i)
        WriteFile(root + QStringLiteral("/documents/report-%1.odt").arg(i), 12000 + i * 300);
    for (int year : { 2024, 2025, 2026 }) {
        for (int i = 0; i < 30; ++i)
            WriteFile(root + QStringLiteral("/photos/%1/img_%2.jpg").arg(year).arg(i), 250000 + i * 1000);
    }
    for (int i = 0; i < 25; ++i)
        WriteFile(root + QStringLiteral("/projects/korvane/src/file%1.cpp").arg(i), 4000 + i * 50);
    for (int i = 0; i < 12; ++i)
        WriteFile(root + QLatin1String(kLongFolder) + QStringLiteral("/scan_%1.png").arg(i), 90000 + i * 700);
    return root;
}

void FillSession(CSession& session, const QString& sample)
{
    session.Sets.clear();
    const std::string root = sample.toStdString();
    const std::string backup = "/media/backup-disk/korvane";
    CSet& daily = session.Sets.emplace_back();
    daily.Name = "Documents and Photos";
    daily.Schedule.Active = 1;
    for (const char* folder : { "/documents", "/photos", "/projects/korvane", kLongFolder }) {
        CBackup& entry = daily.Entries.emplace_back();
        entry.SourceFolder = root + folder;
        entry.DestinationFolder = backup;
        entry.IncludeFiles = "*.*";
        entry.ExcludeFiles = "*.tmp; *.bak";
    }
    CBackup& missing = daily.Entries.emplace_back();
    missing.SourceFolder = "/home/<USER>/Music (on the old disk)";
    missing.DestinationFolder = backup;
    missing.IncludeFiles = "*.ogg; *.flac";
    missing.Recursive = 0;
    CSet& weekly = session.Sets.emplace_back();
    weekly.Name = "Weekly: whole home folder";
    session.ActiveSet = 0;
}

// The dialogs of the Add, Edit, Manage and Scheduler commands, opened as
// those commands open them.
void SaveEntryAndSetDialogs(CSession& session, CPrompter& prompter, QWidget* parent)
{
    CSet set = session.Sets.front();
    set.LastDestinationFolder = "/media/backup-disk/korvane/<YEAR>-<MONTH>";
    {
        CAddFolderDlg add(set, static_cast<int>(set.Entries.size()), false, prompter, parent);
        add.show();
        Save(&add, QStringLiteral("add-folder"));
    }
    {
        CAddFolderDlg edit(set, 0, true, prompter, parent);
        edit.show();
        Save(&edit, QStringLiteral("edit-folder"));
    }
    {
        CManageBackupSetsDlg manage(session.Sets, false, prompter, parent);
        manage.show();
        Save(&manage, QStringLiteral("manage-backup-sets"));
    }
    {
        CVersionSettings versions;
        versions.Active = 1;
        versions.Days = 365;
        // A few versions, so that the space line shows a size.
        const QString backup = g_output + QStringLiteral("/sample-version-space");
        for (int i = 0; i < 6; ++i)
            WriteFile(backup + QStringLiteral("/.korvane-versions/2026-12-07 210000/documents/report-%1.odt").arg(i),
                48000 + i * 5000);
        CVersionSettingsDlg dialog(versions, { backup.toStdString() }, parent);
        dialog.show();
        for (int i = 0; i < 100 && CVersionSettingsDlg::ThreadsAlive() != 0; ++i)
            Settle(20);
        Settle(20);
        Save(&dialog, QStringLiteral("version-settings"));
    }
    {
        std::vector<std::string> names;
        for (const CSet& each : session.Sets)
            names.push_back(each.Name);
        CNewBackupSetDlg name(
            QStringLiteral("Duplicate Backup Set"), set.Name + " [Copy]", true, names, prompter, parent);
        name.show();
        Save(&name, QStringLiteral("backup-set-name"));
    }
    CScheduler schedule;
    schedule.Active = 1;
    schedule.Condition = 2;
    schedule.WeeklyHour = 21;
    schedule.WeeklyMinute = 30;
    schedule.Weekday = 4;
    schedule.SendEmail = 1;
    schedule.Email = "me@example.org";
    CSchedulerAddDlg scheduler(schedule, "smtp.example.org", prompter, parent);
    scheduler.show();
    Save(&scheduler, QStringLiteral("schedule-event"));
}

// The colours of a dark desktop theme, to see the windows as its users do.
void UseDarkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::AlternateBase, QColor(52, 52, 56));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(58, 58, 62));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(61, 122, 204));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, QColor(58, 58, 62));
    dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 130, 130));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
    QApplication::setPalette(dark);
}

// A clock that moves only when told: the pace a picture shows.
class StillClock : public CClock {
public:
    std::uint32_t TickCount() const override { return ticks; }
    std::uint32_t ticks = 0;
};

// A real backup of folder into backup, run by the two workers directly.
ActionSummaryData SampleBackup(const QString& folder, const QString& backup)
{
    CSet set;
    set.Name = "Sample";
    CBackup& entry = set.Entries.emplace_back();
    entry.SourceFolder = folder.toStdString();
    entry.DestinationFolder = backup.toStdString();
    entry.IncludeFiles = "*.*";
    entry.Recursive = 1;
    return RealBackup(set);
}

// The moment the local wall clock shows stamp ("YYYY-MM-DD HHMMSS").
std::time_t WhenWallShows(const char* stamp)
{
    const std::int64_t wall = *CWallClock::ParseStamp(stamp);
    std::time_t at = static_cast<std::time_t>(wall);
    for (int i = 0; i < 2; ++i)
        at += static_cast<std::time_t>(wall - CWallClock::FromEpoch(at));
    return at;
}

// Documents that three backups with versions on found changed, each run set
// aside what it replaced; listed whole and then filtered by name.
void SaveVersionsWindow(QWidget* parent)
{
    const QString top = g_output + QStringLiteral("/sample-versions");
    const QString documents = top + QStringLiteral("/documents");
    QDir(top).removeRecursively();
    CSet set;
    set.Name = "Sample";
    set.Versions.Active = 1;
    CBackup& entry = set.Entries.emplace_back();
    entry.SourceFolder = documents.toStdString();
    entry.DestinationFolder = (top + QStringLiteral("/backup")).toStdString();
    entry.IncludeFiles = "*.*";
    entry.Recursive = 1;
    const auto write = [&](const QString& name, int bytes, std::time_t changed) {
        WriteFile(documents + QLatin1Char('/') + name, bytes);
        QFile file(documents + QLatin1Char('/') + name);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::fromSecsSinceEpoch(changed), QFileDevice::FileModificationTime);
    };
    FakeClock clock(WhenWallShows("2026-11-20 210000"));
    for (int i = 0; i < 12; ++i)
        write(QStringLiteral("report-%1.odt").arg(i), 10800 + i * 310, clock.Now() - 3600);
    write(QStringLiteral("letters/draft.odt"), 5000, clock.Now() - 3600);
    RealBackup(set, true, clock);
    const char* stamps[] = { "2026-11-28 210000", "2026-12-03 210000", "2026-12-07 210000" };
    for (int run = 0; run < 3; ++run) {
        const std::time_t at = WhenWallShows(stamps[run]);
        for (int i = 0; i < 12; i += run + 1)
            write(QStringLiteral("report-%1.odt").arg(i), 11000 + i * 310 + run, at - 3600);
        write(QStringLiteral("letters/draft.odt"), 5400 + run * 700, at - 3600);
        clock.Set(at);
        RealBackup(set, true, clock);
    }
    CVersionsDlg dialog(entry, std::time(nullptr), false, parent);
    dialog.show();
    for (int i = 0; i < 100 && dialog.Busy(); ++i)
        Settle(20);
    dialog.findChild<QTableView*>(QStringLiteral("versionList"))->selectRow(1);
    Save(&dialog, QStringLiteral("versions"));
    dialog.findChild<QLineEdit*>(QStringLiteral("versionName"))->setText(QStringLiteral("report-1"));
    Save(&dialog, QStringLiteral("versions-filtered"));
}

// A plan as the run hands it over, over the sample's folders: what a backup
// (or a restore) of the sample would add, replace, delete or bring back.
CRunPlan SamplePlan(const std::string& root, int action)
{
    using Kind = CRunPlan::Kind;
    CRunPlan plan;
    plan.Action = action;
    CSharedFolder::Ref recent;
    const auto add = [&](Kind what, const std::string& rel, std::uint64_t size, bool newer) {
        const bool folder = rel.back() == '/';
        CFileRecord record;
        record.Path = root + "/" + (folder ? rel.substr(0, rel.size() - 1) : rel);
        record.Path.ShareBelow(root + "/", recent);
        record.Attributes = folder ? 0x10 : 0x20;
        record.Size = size;
        plan.Add(what, record, newer);
    };
    const Kind added = action == 1 ? Kind::BroughtBack : Kind::Added;
    if (action == 0) {
        add(Kind::Deleted, "drafts/", 0, false);
        add(Kind::Deleted, "drafts/letter to the council.odt", 48213, false);
    }
    add(added, "photos/2025/", 0, false);
    for (int i = 1; i <= 14; ++i)
        add(added, "photos/2025/img_" + std::to_string(i) + ".jpg", 3'100'000 + 37'411u * i, false);
    add(Kind::Replaced, "notes/shopping.txt", 412, false);
    add(Kind::Replaced, "notes/thesis chapter 3.odt", 1'482'930, true);
    add(Kind::Replaced, "accounts/2025.ods", 88'412, action == 1);
    return plan;
}

void SaveInformationDetails(CActionFlags& flags, const QString& sample, QWidget* parent)
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::AlternateBase, QColor(0x33, 0x33, 0x33));
    dark.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    dark.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Highlight, QColor(0x2f, 0x65, 0xca));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    for (const int action : { 0, 1 }) {
        InformationSnapshot scan { 215, 9, 180, 8, 48213504, 40120320, false, false, true };
        auto information = std::make_shared<CInformationMonitor>(scan);
        auto* info = new CGetInfoDlg(
            {}, std::make_shared<CMonitorGuard<InformationSnapshot>>(information), flags.ActionCancel, parent);
        info->SetAction(action);
        info->Start();
        const std::string root = action == 1 ? sample.toStdString() : sample.toStdString() + "-backup/sample";
        const QString name
            = action == 1 ? QStringLiteral("file-information-restore") : QStringLiteral("file-information");
        if (action == 1) {
            Settle(300);
            Save(info, name + QStringLiteral("-working"));
        }
        info->SetPlan(SamplePlan(root, action));
        Settle(300);
        if (action == 1)
            Save(info, name);
        info->ShowDetails(true);
        Save(info, name + QStringLiteral("-details"));
        info->DetailsList()->sortByColumn(CPlanListModel::Size, Qt::DescendingOrder);
        info->FilterKinds(CPlanListModel::KindBit(CRunPlan::Kind::Replaced));
        Save(info, name + QStringLiteral("-details-filtered"));
        info->FilterKinds(CPlanListModel::kAllKinds);
        info->setPalette(dark);
        Save(info, name + QStringLiteral("-details-dark"));
        info->Finish();
    }
}

// The windows of a running action with counters part way, and the summary
// and lists of a real backup of the sample folder.
void SaveRunWindows(CActionFlags& flags, const QString& sample, QWidget* parent)
{
    InformationSnapshot scan { 215, 9, 180, 8, 48213504, 40120320, true, false };
    auto information = std::make_shared<CInformationMonitor>(scan);
    auto* info = new CGetInfoDlg(
        {}, std::make_shared<CMonitorGuard<InformationSnapshot>>(information), flags.ActionCancel, parent);
    info->Start();
    Settle(400);
    Save(info, QStringLiteral("file-information"));
    information->Publish({ 215, 9, 180, 8, 48213504, 40120320, false, false });
    Settle(400);
    Save(info, QStringLiteral("file-information-completed"));
    info->Finish();
    SaveInformationDetails(flags, sample, parent);

    // Copying files, every folder made: the folder row follows the copies,
    // and the bytes line has two seconds of pace to tell.
    ProgressSnapshot progress;
    progress.Totals = { 215, 9, 180, 8 };
    progress.FilesDone = 96;
    progress.FoldersDone = 9;
    progress.Elapsed = 83;
    progress.Deleting = false;
    progress.CurrentFolder = (sample + QStringLiteral("/photos/2025")).toStdString();
    progress.CurrentFile = (sample + QStringLiteral("/photos/2025/img_17.jpg")).toStdString();
    progress.CurrentFileSize = 3481190;
    progress.BytesTotal = 3650722201ULL;
    progress.BytesDone = 1193046471ULL;
    StillClock clock;
    auto monitor = std::make_shared<CProgressMonitor>(progress);
    auto* running = new CProgressDlg(
        0, {}, std::make_shared<CMonitorGuard<ProgressSnapshot>>(monitor), flags.ActionCancel, parent);
    running->SetClock(clock);
    running->Start();
    running->Tick();
    clock.ticks = 2000;
    progress.BytesDone += 2 * 47815065ULL;
    monitor->Publish(progress);
    running->Tick();
    Settle(300);
    Save(running, QStringLiteral("progress-mid-run"));
    CGeneralProgress waiting(
        QStringLiteral("Waiting for processes to finish..."), [] { return true; }, running);
    waiting.show();
    Settle(300);
    Save(&waiting, QStringLiteral("waiting-window"));
    waiting.hide();
    running->Finish();
    flags.ActionCancel = 0;

    const ActionSummaryData summary = SampleBackup(sample, g_output + QStringLiteral("/sample-backup"));
    CActionSummaryDlg dialog(summary, false, parent);
    dialog.show();
    Save(&dialog, QStringLiteral("action-summary"));
    CViewFoldersDlg view(dialog.RecordsOf(CActionSummaryDlg::Processed),
        CActionSummaryDlg::ViewTitle(CActionSummaryDlg::Processed), false, parent);
    view.show();
    Save(&view, QStringLiteral("view-folders"));

    // The same run as if three items had failed and it was then cancelled.
    ActionSummaryData failed = summary;
    failed.Cancelled = true;
    const std::string root = sample.toStdString();
    failed.Failures = { { root + "/photos/2025/img_03.jpg", "Permission denied (error: 13)" },
        { root + "/documents/letters/an unusually long folder name that does not fit/draft.odt",
            "Changed during copy (error: 1)" },
        { root + "/photos/2024", "Failed to set its mode and time: Read-only file system (error: 30)" } };
    CActionSummaryDlg failures(failed, false, parent);
    failures.show();
    Save(&failures, QStringLiteral("action-summary-failures"));
}

// Three weeks of a user's log, the newest last as the writer appends it:
// nightly scheduled backups of two sets, a few runs by hand, a restore, and
// the copy errors of one night.
QString WriteSampleLog(const QString& folder)
{
    const QString path = folder + QStringLiteral("/activity.log");
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("Korvane [LOGVERSION 002]\r\n-\r\n");
    std::uint32_t tick = 4'000'000;
    const auto record = [&file, &tick](std::time_t time, int type, int action, const std::string& message) {
        tick += 1500;
        file.write(QByteArray::fromStdString(CActivityLog::FormatRecord(time, tick, type, action, message) + "\r\n"));
    };
    const auto run = [&record](std::time_t time, int type, int action, const std::string& set, int added, int errors) {
        const std::string name = action == 0 ? "Backup" : "Restore";
        record(time, type, action, name + " started for '" + set + "'");
        for (int i = 0; i < errors; ++i)
            record(time + 40 + i, LogError, action,
                "Permission denied (error: 13), Source: /home/me/Documents/taxes/2025-" + std::to_string(i + 1)
                    + ".pdf, Backup: /media/backup-disk/korvane/Documents/taxes/2025-" + std::to_string(i + 1)
                    + ".pdf");
        record(time + 95, type, action,
            std::to_string(added) + " files and " + std::to_string(added / 7) + " folders added, "
                + std::to_string(added / 3)
                + " files modified, 0 files and 0 folders deleted, 4211 files and 318 folders processed (time: "
                  "00:01:35)");
        record(time + 96, errors ? LogError : type, action, name + " completed for '" + set + "'");
        if (errors)
            record(time + 96, LogError, action, "Failed items: " + std::to_string(errors));
    };
    const std::time_t now = std::time(nullptr);
    for (int day = 21; day >= 1; --day) {
        const std::time_t night = now - day * 86400 - 3 * 3600;
        run(night, LogScheduled, 0, "Documents and Photos", day % 5 * 3, day == 1 ? 3 : 0);
        if (day % 7 == 0)
            run(night + 1800, LogScheduled, 0, "Weekly: whole home folder", 120 + day, 0);
        if (day % 6 == 2)
            run(night + 12 * 3600, LogUser, 0, "Documents and Photos", 7, 0);
    }
    run(now - 26 * 3600, LogUser, 1, "Documents and Photos", 2, 0);
    record(now - 2 * 3600, LogUser, 0, "Backup started for 'Documents and Photos'");
    record(now - 2 * 3600 + 20, LogUser, 0, "Backup cancelled for 'Documents and Photos'");
    return path;
}

void ShowLoaded(CViewLogDlg& viewer)
{
    viewer.show();
    QElapsedTimer waited;
    waited.start();
    while (viewer.Loading() && waited.elapsed() < 10000)
        Settle(50);
    Settle(400);
}

// The log viewer on that log, as it opens and with the age filter on.
void SaveLogViewer(CPrompter& prompter, QWidget* parent)
{
    CViewLogDlg::SaveFilterState({});
    const std::string log = WriteSampleLog(g_output).toStdString();
    {
        CViewLogDlg viewer(log, false, prompter, CClock::System(), parent);
        ShowLoaded(viewer);
        viewer.List()->selectRow(3);
        Save(&viewer, QStringLiteral("view-log"));
    }
    CViewLogDlg::FilterState lastDays;
    lastDays.Display = 1;
    lastDays.Number = 2;
    lastDays.Scheduled = 0;
    CViewLogDlg::SaveFilterState(lastDays);
    CViewLogDlg filtered(log, true, prompter, CClock::System(), parent);
    ShowLoaded(filtered);
    Save(&filtered, QStringLiteral("view-log-filtered"));
    filtered.reject();
    CViewLogDlg::SaveFilterState({});
}

// Never switches anything off: the countdown is only pictured.
class NoPowerOff : public CPowerOff {
public:
    bool PowerOff() override { return false; }
};

// The tray's two menus as they pop up, its animation frames side by side
// (at 16 and 48 pixels), and the shutdown countdown.
void SaveTrayAndCountdown(CKorvaneDlg& window)
{
    CTrayIcon& tray = window.Tray();
    tray.DefaultMenu()->popup(window.mapToGlobal(QPoint(300, 200)));
    Save(tray.DefaultMenu(), QStringLiteral("tray-menu"));
    tray.DefaultMenu()->hide();
    tray.SetMenu(CTrayIcon::kActionMenu);
    tray.CurrentMenu()->popup(window.mapToGlobal(QPoint(300, 200)));
    Save(tray.CurrentMenu(), QStringLiteral("tray-menu-action"));
    tray.CurrentMenu()->hide();
    tray.SetMenu(CTrayIcon::kDefaultMenu);

    const std::vector<QIcon> frames = CTrayIcon::AnimationFrames();
    QPixmap strip(static_cast<int>(frames.size()) * 56 + 8, 80);
    strip.fill(Qt::white);
    QPainter painter(&strip);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const int x = 8 + static_cast<int>(i) * 56;
        painter.drawPixmap(x, 4, frames[i].pixmap(16, 16));
        painter.drawPixmap(x, 26, frames[i].pixmap(48, 48));
    }
    painter.end();
    strip.save(g_output + QStringLiteral("/tray-animation.png"));
    std::cout << (g_output + QStringLiteral("/tray-animation.png")).toStdString() << "\n";

    NoPowerOff powerOff;
    CShutdownCountdown countdown(powerOff);
    CShutDownDlg shutdown(countdown, &window, 24 * 3600 * 1000);
    shutdown.show();
    Save(&shutdown, QStringLiteral("shutdown-countdown"));
    shutdown.reject();
}

// Every page of the settings window, as a user with a mail server that
// wants a login and an active log would see them.
void SaveSettingsPages(CPrompter& prompter, QWidget* parent)
{
    SettingsRecord record;
    record.SchedulerActive = true;
    record.General.LogActivate = 1;
    record.General.LogFileName = (g_output + QStringLiteral("/home/korvane.log")).toStdString();
    record.Actions.BackupDelete = 1;
    record.Scheduler.SMTPServer = "smtp.example.org";
    record.Scheduler.SMTPPort = 587;
    record.Scheduler.SMTPSecurity = 1;
    record.Scheduler.SMTPLoginRequired = 1;
    record.Scheduler.SMTPLogin = "backup@example.org";
    record.Scheduler.SMTPPassword = "not a real password";
    record.Scheduler.MissedEvents = 1;
    CShellIntegration shell("/usr/bin/korvane");
    CSettingsDlg dialog(record, prompter, shell, parent);
    dialog.show();
    const char* const names[]
        = { "settings-general", "settings-compare", "settings-logging", "settings-actions", "settings-backup",
              "settings-restore", "settings-scheduler", "settings-tray", "settings-display", "settings-missed" };
    for (int page = 0; page < dialog.PageCount() && page < static_cast<int>(std::size(names)); ++page) {
        dialog.SelectPage(page);
        Save(&dialog, QLatin1String(names[page]));
    }
    dialog.reject();
}

// What a vendor's answer page might look like; nothing is asked of any
// server here.
const char* const kSampleAnswer = R"(<html><body>
<h2>Korvane <LATEST>1.5</LATEST> is available</h2>
<p>You are running version 1.4. <a href="/korvane/download/">Download version 1.5</a></p>
<h3>Version 1.5</h3>
<ul><li>Backups to network shares resume after a dropped connection.</li>
<li>The log viewer filters by set name.</li></ul>
<h3>Version 1.4</h3>
<ul><li>Scheduled events that were missed can run at the next start.</li>
<li>Summary e-mails over STARTTLS and TLS.</li></ul>
</body></html>)";

// The Check For Updates window while it waits and with its page, and the
// feedback form as it opens and filled in.
void SaveWebWindows(CPrompter& prompter, QWidget* parent)
{
    {
        CCheckForUpdatesDlg waiting(parent);
        waiting.show();
        Save(&waiting, QStringLiteral("check-for-updates-retrieving"));
        waiting.ShowPage(
            kSampleAnswer, QUrl(QStringLiteral("https://www.zellik-software.example/cgi-bin/korvane.cgi")));
        Save(&waiting, QStringLiteral("check-for-updates"));
        waiting.reject();
    }
    CFeedbackDlg feedback(CWebEndpoint(QUrl(QString::fromLatin1(CWebEndpoint::kVendorAddress))), prompter, parent);
    feedback.show();
    Save(&feedback, QStringLiteral("feedback"));
    feedback.AboutBox()->setCurrentIndex(2);
    feedback.ProblemBox()->setCurrentIndex(1);
    feedback.UsedBox()->setCurrentIndex(2);
    feedback.EmailEdit()->setText(QStringLiteral("me@example.org"));
    feedback.CommentEdit()->setPlainText(
        QStringLiteral("It would help to see the size of the last backup in the tray's tooltip.\n\nThanks!"));
    Save(&feedback, QStringLiteral("feedback-filled"));
    feedback.reject();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: korvane_screens <output folder>\n";
        return 2;
    }
    QApplication application(argc, argv);
    if (qEnvironmentVariableIsSet("KORVANE_SCREENS_DARK"))
        UseDarkPalette();
    g_output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(g_output);
    const QString sample = MakeSample(g_output + QStringLiteral("/sample"));

    CSession session;
    CSession saved;
    session.SavedCopy = &saved;
    FillSession(session, sample);
    session.FileName = (g_output + QStringLiteral("/sample.kvf")).toStdString();
    saved = session;
    CSettingsHolder settings;
    CActionFlags flags;
    CommandLineRequest request;
    CQtPrompter prompter;
    CUiContext context(session, settings, flags, prompter, request);
    CKorvaneDlg::Services services { [](CRunDisplay&) { return std::unique_ptr<CActionRunner>(); }, CClock::System(),
        false };

    // The hourly set ran half an hour ago; the scheduler is active, so its next
    // run shows under the selector.
    SettingsRecord shownSettings;
    shownSettings.SchedulerActive = true;
    settings.Replace(shownSettings);
    const std::time_t now = std::time(nullptr);
    CRunHistory history;
    history.RecordRun(session.FileName, session.Sets[0].Name, now - 1800, true);

    CKorvaneDlg window(context, services);
    window.show();
    window.Rescan();
    QElapsedTimer waited;
    waited.start();
    while (window.Scans().AnyRunning(0) && waited.elapsed() < 10000)
        Settle(50);
    Settle(400);
    window.List()->SelectRow(1);
    Save(&window, QStringLiteral("main-window"));

    // The folder deep down: its name stays at the end of the row and of the
    // Information fields.
    for (int row = 0; row < window.List()->rowCount(); ++row) {
        if (window.List()->Cell(row, 0).endsWith(QStringLiteral("/Holidays")))
            window.List()->SelectRow(row);
    }
    Save(&window, QStringLiteral("main-window-long-path"));
    window.List()->SelectRow(1);

    window.resize(window.width() + 200, window.height() + 120);
    Save(&window, QStringLiteral("main-window-larger"));
    window.resize(window.minimumSize());

    // Three days without a success: the line says the hourly set is overdue.
    history.RecordRun(session.FileName, session.Sets[0].Name, now - 3 * 86400, true);
    history.RecordRun(session.FileName, session.Sets[0].Name, now - 3600, false);
    window.UpdateRunStatus();
    Save(&window, QStringLiteral("main-window-overdue"));

    // A set without folders: the prompt over the empty list.
    window.OnSetChanged(1);
    Settle(200);
    Save(&window, QStringLiteral("main-window-empty"));
    window.OnSetChanged(0);
    Settle(200);
    window.List()->SelectRow(1);

    std::unique_ptr<QMenu> popup = window.BuildPopupMenu();
    popup->popup(window.List()->mapToGlobal(QPoint(120, 60)));
    Save(popup.get(), QStringLiteral("main-window-popup-menu"));
    popup->hide();

    SaveTrayAndCountdown(window);

    CAboutDlg about(&window);
    about.show();
    Save(&about, QStringLiteral("about-box"));
    about.hide();

    SaveWebWindows(prompter, &window);

    SaveEntryAndSetDialogs(session, prompter, &window);

    SaveSettingsPages(prompter, &window);

    SaveRunWindows(flags, sample, &window);

    SaveLogViewer(prompter, &window);

    SaveVersionsWindow(&window);

    const CSet active = *session.CopySet(0);
    {
        CAddFolderDlg add(active, static_cast<int>(active.Entries.size()), false, prompter, &window);
        add.show();
        Save(&add, QStringLiteral("add-folder"));
        CAddFolderDlg edit(active, 1, true, prompter, &window);
        edit.show();
        Save(&edit, QStringLiteral("edit-folder"));
        CAddFolderDlg longer(active, 3, true, prompter, &window);
        longer.show();
        Save(&longer, QStringLiteral("edit-folder-long-path"));
        longer.resize(longer.width() + 320, longer.height());
        Save(&longer, QStringLiteral("edit-folder-long-path-wider"));
    }
    {
        const std::deque<CSet> sets = session.Read([](const CSession& s) { return s.Sets; });
        CManageBackupSetsDlg manage(sets, false, prompter, &window);
        manage.show();
        Save(&manage, QStringLiteral("manage-backup-sets"));
        CNewBackupSetDlg name(
            QStringLiteral("Duplicate Backup Set"), active.Name + " [Copy]", true, {}, prompter, &window);
        name.show();
        Save(&name, QStringLiteral("backup-set-name"));
    }
    {
        CScheduler schedule = active.Schedule;
        schedule.Condition = 2;
        schedule.WeeklyHour = 21;
        schedule.WeeklyMinute = 30;
        schedule.Weekday = 4;
        schedule.SendEmail = 1;
        schedule.Email = "me@example.org";
        CSchedulerAddDlg scheduleDialog(schedule, "localhost", prompter, &window);
        scheduleDialog.show();
        Save(&scheduleDialog, QStringLiteral("schedule-event"));
    }

    QMessageBox* question = CQtPrompter::BuildBox(
        QStringLiteral("Do you want to save the current session?"), MbYesNoCancel | MbIconQuestion, &window);
    question->show();
    Save(question, QStringLiteral("message-save-question"));
    delete question;
    return 0;
}
