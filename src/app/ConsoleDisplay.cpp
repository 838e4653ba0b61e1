#include "app/ConsoleDisplay.h"

#include "StringTable.h"
#include "engine/GetInfoWorker.h"
#include "engine/ProgressWorker.h"
#include "engine/VersionPruner.h"
#include "platform/DesktopNotifications.h"
#include "scan/PathFormat.h"
#include "scheduler/ActionRunner.h"
#include "scheduler/ShutdownCountdown.h"

#include <algorithm>
#include <ostream>
#include <thread>

namespace {

constexpr auto kRedraw = std::chrono::milliseconds(250);
constexpr auto kSecond = std::chrono::milliseconds(1000);

std::uint64_t SizeOf(const CFileRecordArray& files)
{
    std::uint64_t total = 0;
    for (const CFileRecord& record : files)
        total += record.Size;
    return total;
}

std::string SizePart(std::uint64_t total)
{
    return total == 0 ? std::string() : " (" + FormatSize(total) + ")";
}

std::string SizePart(const CFileRecordArray& files)
{
    return SizePart(SizeOf(files));
}

std::string Bar(int done, int total, int width)
{
    const int filled = total <= 0 ? 0 : std::min(width, static_cast<int>(std::int64_t(done) * width / (total + 1)));
    return "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]";
}

} // namespace

CConsoleDisplay::CConsoleDisplay(std::ostream& err, bool terminal, int columns, std::atomic<std::int32_t>& cancel)
    : m_err(err)
    , m_terminal(terminal)
    , m_columns(std::max(columns, 40))
    , m_cancel(cancel)
{
}

void CConsoleDisplay::Pause(std::chrono::milliseconds pause)
{
    if (m_wait)
        m_wait(pause);
    else
        std::this_thread::sleep_for(pause);
}

void CConsoleDisplay::Draw(const std::string& line)
{
    std::lock_guard lock(m_lock);
    if (m_terminal) {
        // Redrawn in place; the rest of a longer previous line is blanked.
        std::string shown = line.substr(0, static_cast<std::size_t>(m_columns - 1));
        m_err << "\r" << shown
              << std::string(m_lastLine.size() > shown.size() ? m_lastLine.size() - shown.size() : 0, ' ');
        m_lastLine = shown;
    } else if (line != m_lastLine) {
        m_err << line << "\n";
        m_lastLine = line;
    }
    m_err.flush();
}

void CConsoleDisplay::EndLine()
{
    std::lock_guard lock(m_lock);
    if (m_terminal && !m_lastLine.empty())
        m_err << "\n";
    m_lastLine.clear();
    m_err.flush();
}

void CConsoleDisplay::ItemFailed(const std::string& line)
{
    WriteItemLine("Korvane: failed: ", line);
}

void CConsoleDisplay::ItemSkipped(const std::string& line)
{
    WriteItemLine("Korvane: skipped: ", line);
}

// Its own line, also below a progress bar drawn in place, which the next
// redraw puts back.
void CConsoleDisplay::WriteItemLine(const char* prefix, const std::string& line)
{
    std::lock_guard lock(m_lock);
    if (m_terminal && !m_lastLine.empty())
        m_err << "\n";
    m_lastLine.clear();
    // A file name may hold line breaks and terminal controls: escaped, so
    // each item stays one line and cannot drive the terminal.
    m_err << prefix << TerminalSafeText(line) << "\n";
    m_err.flush();
}

bool CConsoleDisplay::ShowInformation(CGetInfoWorker& worker, int action)
{
    const auto line = [&worker] {
        return FormatString(
            "Getting file information: source %d files, %d folders (%s); backup %d files, %d folders (%s)",
            worker.SourceFiles.load(), worker.SourceFolders.load(), FormatSize(worker.SourceBytes).c_str(),
            worker.DestinationFiles.load(), worker.DestinationFolders.load(),
            FormatSize(worker.DestinationBytes).c_str());
    };
    int ticks = 0;
    while (worker.SourceScanRunning || worker.DestinationScanRunning) {
        if (m_terminal || ++ticks % 4 == 0)
            Draw(line());
        Pause(kRedraw);
    }
    worker.WaitScans();
    Draw(line());
    EndLine();
    if (action == 1 && worker.Plans() && m_cancel == 0)
        WriteRestoreSentence(worker);
    worker.Wait();
    return m_cancel == 0;
}

// Said before any restore goes on; nobody may be there to read the
// window's version of it.
void CConsoleDisplay::WriteRestoreSentence(CGetInfoWorker& worker)
{
    while (worker.PlanRunning) {
        if (m_cancel) {
            worker.DropPlan();
            return;
        }
        Pause(kRedraw);
    }
    const CRunPlan plan = worker.TakePlan();
    std::lock_guard lock(m_lock);
    m_err << plan.RestoreSentence() << "\n";
    m_err.flush();
}

std::string CConsoleDisplay::ProgressLine(
    int files, int fileTotal, int folders, int folderTotal, std::int64_t elapsed, const std::string& current, int width)
{
    const int done = files + folders;
    const int total = fileTotal + folderTotal;
    std::string line = Bar(done, total, 20)
        + FormatString(" %d/%d files %d/%d folders ", files, fileTotal, folders, folderTotal)
        + CActionRunner::FormatElapsed(elapsed);
    // ShortenText adds its "..." beyond the length it is given.
    const int room = width - 3 - static_cast<int>(line.size());
    if (!current.empty() && room > 10)
        line += " " + ShortenText(TerminalSafeText(current), room - 3);
    return line;
}

void CConsoleDisplay::ShowProgress(CProgressWorker& worker, const Totals& totals, int action)
{
    const int fileTotal = action == 0 ? totals.SourceFiles : totals.DestinationFiles;
    const int folderTotal = action == 0 ? totals.SourceFolders : totals.DestinationFolders;
    const auto line = [&](bool withCurrent) {
        return ProgressLine(worker.ProcessedFileCount(), fileTotal, worker.ProcessedFolderCount(), folderTotal,
            worker.Elapsed, withCurrent ? worker.CurrentFile() : std::string(), m_columns);
    };
    int ticks = 0;
    while (worker.Running) {
        // Plain lines only once a second, without the file name, so a log
        // does not grow with every file.
        if (m_terminal || ++ticks % 4 == 0)
            Draw(line(m_terminal));
        Pause(kRedraw);
    }
    worker.Wait();
    Draw(line(false));
    EndLine();
}

std::string CConsoleDisplay::SummaryText(const CProgressWorker& w, int action, bool cancelled)
{
    std::string text = action == 1 ? "Restore Summary\n" : "Backup Summary\n";
    if (cancelled)
        text += "Cancelled\n";
    text += FormatString("    Added: %d files, %d folders", w.AddedTally.Files, int(w.AddedFolders.size()))
        + SizePart(w.AddedTally.Bytes) + "\n";
    text += FormatString("  Updated: %d files", w.UpdatedTally.Files) + SizePart(w.UpdatedTally.Bytes) + "\n";
    text += FormatString("  Deleted: %d files, %d folders", int(w.DeletedFiles.size()), int(w.DeletedFolders.size()))
        + SizePart(w.DeletedFiles) + "\n";
    text += FormatString("Processed: %d files, %d folders", w.ProcessedFileCount(), w.ProcessedFolderCount())
        + SizePart(w.ProcessedBytes()) + "\n";
    for (const VersionAreaSpace& space : w.VersionSpace) {
        // Appended piece by piece: "literal" + temporary trips a false
        // overlap warning of GCC 12's optimiser.
        text += ' ';
        text += LoadString(57807) + ": "
            + FormatString(LoadString(57806).c_str(), CVersionPruner::SpaceText(space.Bytes).c_str(),
                TerminalSafeText(space.Area).c_str())
            + "\n";
    }
    text += FormatString("   Failed: %d items", static_cast<int>(w.Failures.size())) + "\n";
    // Names may hold line breaks and terminal controls: each item stays one
    // line and cannot drive the terminal.
    for (const FailedItem& item : w.Failures)
        text += "           " + TerminalSafeText(item.Path) + ": " + TerminalSafeText(item.Reason) + "\n";
    text += "     Time: " + CActionRunner::FormatElapsed(w.Elapsed) + "\n";
    return text;
}

void CConsoleDisplay::ShowSummary(const CProgressWorker& worker, int action, bool cancelled)
{
    std::lock_guard lock(m_lock);
    m_err << SummaryText(worker, action, cancelled);
    m_err.flush();
}

void CConsoleDisplay::ShowError(const std::string& text)
{
    std::lock_guard lock(m_lock);
    m_err << "Korvane: error: " << TerminalSafeText(text) << "\n";
    m_err.flush();
}

void CConsoleDisplay::ReportScheduledOutcome(const ScheduledOutcome& outcome)
{
    {
        std::lock_guard lock(m_lock);
        m_err << (outcome.Succeeded ? "Korvane: " : "Korvane: error: ") << TerminalSafeText(outcome.Text) << "\n";
        m_err.flush();
    }
    if (!m_notify || !outcome.Notify)
        return;
    DesktopNotification notification;
    notification.Summary = outcome.Succeeded ? "Scheduled Event Completed" : "Scheduled Event Failed";
    notification.Body = outcome.Text;
    notification.Critical = !outcome.Succeeded;
    // Nobody waits for the answer: standard error has the outcome already.
    CDesktopNotifications::Send(notification, [](bool) {});
}

std::string CConsoleDisplay::PreviewText(const CRunPlan& plan, char end, bool terminal)
{
    using Kind = CRunPlan::Kind;
    std::string text;
    for (const CRunPlan::Item& item : plan.Items()) {
        text += item.What == Kind::Deleted ? "- " : item.What == Kind::Replaced ? "~ " : "+ ";
        if (!item.Folder && item.What != Kind::Deleted)
            text += std::to_string(item.Size) + " ";
        // Scripts get paths as they are; a terminal never gets a name that
        // could move its cursor.
        text += terminal ? TerminalSafeText(item.Path) : item.Path;
        if (item.Folder)
            text += "/";
        text += end;
    }
    for (const std::string& path : plan.PrunedVersions) {
        text += "x ";
        text += terminal ? TerminalSafeText(path) : path;
        text += end;
    }
    const auto files = [&plan](Kind what) { return plan.FilesOf(what); };
    const auto folders = [&plan](Kind what) { return plan.FoldersOf(what); };
    text += FormatString("%d files and %d folders added, %d files modified, %d files and %d folders deleted, %d files "
                         "and %d folders processed",
        files(Kind::Added) + files(Kind::BroughtBack), folders(Kind::Added) + folders(Kind::BroughtBack),
        files(Kind::Replaced), files(Kind::Deleted), folders(Kind::Deleted), plan.ProcessedFiles,
        plan.ProcessedFolders);
    text += end;
    return text;
}

void CConsoleDisplay::ShowPreview(const CProgressWorker& worker, int action)
{
    std::lock_guard lock(m_lock);
    for (std::size_t i = 0; i < worker.Set.Entries.size() && i < worker.Scans.size(); ++i) {
        const CBackup& entry = worker.Set.Entries[i];
        const CEntryScan& scan = worker.Scans[i];
        // A restore may well bring back a source folder that is gone.
        if (action == 0 && !scan.SourceFound && !entry.SourceFolder.empty() && !entry.DestinationFolder.empty())
            m_err << "Korvane: could not read " << TerminalSafeText(entry.SourceFolder) << "\n";
        for (const std::string& folder : scan.SourceUnlisted)
            m_err << "Korvane: could not read " << TerminalSafeText(folder) << "\n";
    }
    for (const std::string& failure : worker.DryRunFailures)
        m_err << "Korvane: would fail: " << TerminalSafeText(failure) << "\n";
    // Said once, beside the list: scripts read the lines of the preview.
    if (worker.TrashesReplaced() && !worker.UpdatedFiles.empty())
        m_err << "Korvane: each file to update (~) goes to the trash before its backup replaces it\n";
    m_err.flush();
    if (!m_previewOut)
        return;
    *m_previewOut << PreviewText(worker.Plan, m_previewEnd, m_previewTerminal);
    m_previewOut->flush();
}

void CConsoleDisplay::ShowShutdown(CShutdownCountdown& countdown)
{
    // The action is over, so the cancel flag is free to stop the countdown.
    m_cancel = 0;
    for (;;) {
        if (m_cancel) {
            countdown.Cancel();
            Draw("Shutdown cancelled.");
            break;
        }
        Draw(countdown.Tick());
        if (countdown.Finished())
            break;
        Pause(kSecond);
    }
    EndLine();
}
