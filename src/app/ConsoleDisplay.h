#pragma once

#include "scheduler/RunDisplay.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>

class CClock;
class CRunPlan;

// How a run without windows shows itself on standard error: with /v a
// progress bar (files and folders done of the total, the current file, the
// elapsed time) redrawn in place on a terminal, or plain lines once a second
// otherwise; the summary as text; the shutdown countdown line by line, which
// SIGINT or SIGTERM (the cancel flag) stops.
class CConsoleDisplay : public CRunDisplay {
public:
    using WaitFunction = std::function<void(std::chrono::milliseconds)>;

    CConsoleDisplay(std::ostream& err, bool terminal, int columns, std::atomic<std::int32_t>& cancel);

    // Replaces the pause between redraws and countdown ticks (tests).
    void SetWait(WaitFunction wait) { m_wait = std::move(wait); }

    // With a restore, the scan's plan follows: what it will do to the
    // source, in one sentence.
    bool ShowInformation(CGetInfoWorker& worker, int action) override;
    bool WantsPlan(int action) const override { return action == 1; }
    void ShowProgress(CProgressWorker& worker, const Totals& totals, int action) override;
    void ShowSummary(const CProgressWorker& worker, int action, bool cancelled) override;
    // The summary counts the copies; it lists no file.
    bool ListsCopiedFiles() const override { return false; }
    // Where a dry run's lines go (standard output) and what ends each line;
    // terminal: a person reads them, so control characters are escaped.
    void SetPreviewOutput(std::ostream& out, char end, bool terminal)
    {
        m_previewOut = &out;
        m_previewEnd = end;
        m_previewTerminal = terminal;
    }
    // What the run could not read or would fail on, to standard error; then
    // the lines of PreviewText.
    void ShowPreview(const CProgressWorker& worker, int action) override;
    void ShowShutdown(CShutdownCountdown& countdown) override;
    // Each item passed over unasked (/g), on a line of its own.
    void ItemFailed(const std::string& line) override;
    void ItemSkipped(const std::string& line) override;
    void ShowError(const std::string& text) override;
    // A scheduled event's end on standard error, and, once SetNotifications
    // is on, to the desktop's notification service too (the scheduler
    // started at logon without windows still has the desktop's bus).
    void ReportScheduledOutcome(const ScheduledOutcome& outcome) override;
    void SetNotifications(bool on) { m_notify = on; }

    // One progress line: "[####....] 12/40 files 3/5 folders 00:00:07 name".
    static std::string ProgressLine(int files, int fileTotal, int folders, int folderTotal, std::int64_t elapsed,
        const std::string& current, int width);
    // The summary lines of a run: "Cancelled" under the title of a cancelled
    // one, the counts, and the failed items with their reasons.
    static std::string SummaryText(const CProgressWorker& worker, int action, bool cancelled = false);
    // A dry run's plan, each item ended by `end`: "- PATH/" and "- PATH" for
    // folders and files to delete, "+ PATH/" for folders to create,
    // "+ SIZE PATH" and "~ SIZE PATH" for files to add (or bring back) and
    // update (size in bytes), "x PATH" for old versions the backup's pruning
    // would remove, then the counts line of the run's log without its time.
    static std::string PreviewText(const CRunPlan& plan, char end, bool terminal = false);

private:
    void WriteRestoreSentence(CGetInfoWorker& worker);
    void WriteItemLine(const char* prefix, const std::string& line);
    void Draw(const std::string& line);
    void EndLine();
    void Pause(std::chrono::milliseconds pause);

    std::ostream& m_err;
    const bool m_terminal;
    const int m_columns;
    std::atomic<std::int32_t>& m_cancel;
    WaitFunction m_wait;
    std::string m_lastLine;
    std::ostream* m_previewOut = nullptr;
    char m_previewEnd = '\n';
    bool m_previewTerminal = false;
    std::mutex m_lock;
    bool m_notify = false;
};
