// The log viewer on a generated activity log of 100 MB (about a million
// records: years of runs with their copy errors), on the offscreen
// platform: reading alone, and the whole window from opening to the first
// rows and to the last, the longest the interface thread was busy in one go
// meanwhile (the longest gap between the ticks of a 1 ms timer), a change
// of the filter, and the process's peak memory.
#include "core/Prompter.h"
#include "log/ActivityLog.h"
#include "log/LogReader.h"
#include "platform/Clock.h"
#include "ui/LogListModel.h"
#include "ui/LogLoad.h"
#include "ui/ViewLogDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t kLogBytes = 100ull * 1024 * 1024;

// Answers nothing: the bench's log is always readable.
class SilentPrompter : public CPrompter {
public:
    int MessageBox(const std::string&, unsigned) override { return IdOk; }
    bool AskFileName(const FileDialogRequest&, std::string&) override { return false; }
};

std::string g_folder;
std::string g_log;

// Runs of four sets over the years, a run every two hours, each with its
// started, counts and completed lines and now and then a few copy errors.
void WriteLog(const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "Korvane [LOGVERSION 002]\r\n-\r\n";
    const char* const sets[] = { "Documents", "Photos 2019-2026", "Projects", "Whole home folder" };
    std::uint64_t written = 0;
    std::uint64_t time = 1'500'000'000;
    std::uint32_t tick = 0;
    const auto line = [&](int type, int action, const std::string& message) {
        const std::string record = CActivityLog::FormatRecord(time, tick, type, action, message) + "\r\n";
        out << record;
        written += record.size();
        tick += 137;
    };
    for (std::uint64_t run = 0; written < kLogBytes; ++run) {
        const std::string set = sets[run % 4];
        const int type = run % 3 == 0 ? LogUser : LogScheduled;
        const int action = run % 17 == 0 ? 1 : 0;
        const std::string name = action == 0 ? "Backup" : "Restore";
        line(type, action, name + " started for '" + set + "'");
        for (std::uint64_t e = 0; e < (run % 5) * 3; ++e) {
            line(LogError, action,
                "Permission denied (error: 13), Source: /home/someone/" + set + "/folder " + std::to_string(run % 97)
                    + "/file_" + std::to_string(e) + ".odt, Backup: /media/backup/" + set + "/folder "
                    + std::to_string(run % 97) + "/file_" + std::to_string(e) + ".odt");
        }
        line(type, action,
            std::to_string(run % 40) + " files and " + std::to_string(run % 3)
                + " folders added, 12 files modified, 0 files and 0 folders deleted, 4211 files and 318 folders "
                  "processed (time: 00:01:17)");
        line(type, action, name + " completed for '" + set + "'");
        time += 7200;
    }
}

double PeakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void ReadOnly(benchmark::State& state)
{
    std::uint64_t records = 0;
    for (auto _ : state) {
        CLogReader reader(g_log);
        const std::atomic<bool> cancel { false };
        records = reader.Read(cancel, [](LogBatch&& batch) { benchmark::DoNotOptimize(batch.Entries.data()); }).Records;
    }
    state.counters["records"] = static_cast<double>(records);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(g_log)));
}

// Opening the window: the first rows, every row, and the longest single
// stretch of work on the interface thread while the rows came in.
void OpenViewer(benchmark::State& state)
{
    SilentPrompter prompter;
    double firstRows = 0;
    double loaded = 0;
    double longestBusy = 0;
    double longestOpening = 0;
    double filter = 0;
    int rows = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        CViewLogDlg dialog(g_log, false, prompter, CClock::System());
        dialog.show();
        firstRows = -1;
        longestBusy = 0;
        longestOpening = 0;
        // A timer due every millisecond: the longest gap between its ticks
        // is the longest the interface thread could not answer.
        QTimer heartbeat;
        heartbeat.setTimerType(Qt::PreciseTimer);
        heartbeat.setInterval(1);
        QElapsedTimer sinceTick;
        sinceTick.start();
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            const double gap = sinceTick.nsecsElapsed() / 1e6;
            // Before the first rows the window is still painted for the
            // first time; after, only rows come in.
            double& longest = firstRows < 0 ? longestOpening : longestBusy;
            longest = std::max(longest, gap);
            sinceTick.restart();
        });
        heartbeat.start();
        while (dialog.Loading()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (firstRows < 0 && dialog.Model()->rowCount() > 0)
                firstRows = clock.nsecsElapsed() / 1e6;
        }
        heartbeat.stop();
        QApplication::processEvents();
        loaded = clock.nsecsElapsed() / 1e6;
        state.SetIterationTime(loaded / 1000.0);
        rows = dialog.Model()->rowCount();

        // Errors off: a click on the check box filters every record again.
        QElapsedTimer filtering;
        filtering.start();
        dialog.Check(CViewLogDlg::Errors)->click();
        filter = filtering.nsecsElapsed() / 1e6;
        dialog.Check(CViewLogDlg::Errors)->click();
        dialog.reject();
    }
    state.counters["first_rows_ms"] = firstRows;
    state.counters["loaded_ms"] = loaded;
    state.counters["longest_busy_ms"] = longestBusy;
    state.counters["longest_busy_opening_ms"] = longestOpening;
    state.counters["filter_ms"] = filter;
    state.counters["rows"] = rows;
    state.counters["peak_rss_MB"] = PeakMegabytes();
}

} // namespace

BENCHMARK(ReadOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(OpenViewer)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvbench-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return 1;
    g_folder = pattern;
    // The filter the window opens with is its own: the bench starts from the
    // defaults and leaves the user's settings alone.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(g_folder));
    g_log = g_folder + "/activity.log";
    WriteLog(g_log);
    std::printf("log: %.1f MB, peak before: %.1f MB\n", std::filesystem::file_size(g_log) / 1048576.0, PeakMegabytes());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code error;
    std::filesystem::remove_all(g_folder, error);
    return 0;
}
