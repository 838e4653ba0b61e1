// What a version area costs a backup. A pass that changes nothing over
// 100,000 files, with 100,000 versions in the area and with none: the scans
// never enter the area, and pruning walks it only on the first pass of the
// day (nothing is pruned here); the record of that pruning spares the
// later passes the walk. The walk itself is timed by a pass whose record is
// dropped first.
// Then pruning 100,000 versions: everything but the unlinks (List, which
// reads the area and applies the rules) and the whole of it.
#include "core/Prompter.h"
#include "core/Set.h"
#include "core/SettingsRecord.h"
#include "engine/ActionDisplay.h"
#include "engine/GetInfoWorker.h"
#include "engine/ProgressWorker.h"
#include "engine/PruneRecord.h"
#include "engine/VersionPruner.h"
#include "engine/WallClock.h"
#include "log/ActivityLog.h"
#include "platform/Clock.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 100000;
constexpr int kFilesPerFolder = 100;
constexpr int kRuns = 10;

class IgnoringPrompter : public CPrompter {
public:
    int MessageBox(const std::string& text, unsigned /*style*/) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
        return IdIgnore;
    }
    bool AskFileName(const FileDialogRequest&, std::string&) override { return false; }
};

const fs::path& Top()
{
    static const fs::path top = fs::temp_directory_path() / "korvane-bench-version-area";
    return top;
}

fs::path Source()
{
    return Top() / "src";
}

// The backup folder of the passes; the entry's files lie in its "src".
fs::path Backup()
{
    return Top() / "backup";
}

fs::path Area()
{
    return Backup() / CVersionPruner::kAreaName;
}

// Where the area waits while a pass runs without it.
fs::path Parked()
{
    return Backup() / "parked-versions";
}

// A backup folder holding nothing but versions to prune.
fs::path PruneFolder()
{
    return Top() / "prune";
}

std::string FileName(int i)
{
    return "folder" + std::to_string(i / kFilesPerFolder) + "/file" + std::to_string(i) + ".txt";
}

void MakeFiles(const fs::path& top, int count)
{
    for (int i = 0; i < count; ++i) {
        if (i % kFilesPerFolder == 0)
            fs::create_directories((top / FileName(i)).parent_path());
        std::ofstream(top / FileName(i));
    }
}

// kRuns runs of 2020 have each set aside kFiles / kRuns files of the entry.
void MakeVersions(const fs::path& backupFolder)
{
    for (int run = 0; run < kRuns; ++run) {
        const fs::path stamp
            = backupFolder / CVersionPruner::kAreaName / ("2020-01-" + std::to_string(10 + run) + " 210000");
        for (int i = 0; i < kFiles / kRuns; ++i) {
            if (i % kFilesPerFolder == 0)
                fs::create_directories((stamp / "src" / FileName(i)).parent_path());
            std::ofstream(stamp / "src" / FileName(i));
        }
    }
}

CSet BenchSet(bool versions)
{
    CSet set;
    set.Name = "bench";
    CBackup entry;
    entry.SourceFolder = Source().string();
    entry.DestinationFolder = Backup().string();
    entry.IncludeFiles = "*.*";
    entry.Recursive = 1;
    set.Entries.push_back(entry);
    set.Versions.Active = versions ? 1 : 0;
    // Every version kept: each pass finds the area as the last one left it.
    set.Versions.Keep = 0;
    set.Versions.ThinDays = set.Versions.ThinWeeks = set.Versions.ThinMonths = 0;
    return set;
}

// A scan of both sides and the copy worker, as the action runner runs them.
std::size_t RunBackup(const CSet& set)
{
    SettingsRecord settings;
    settings.Actions.BackupDelete = 1;
    settings.Actions.BackupTrash = 0;
    std::atomic<int> cancel { 0 };
    CGetInfoWorker scan(set, cancel);
    scan.Start();
    scan.Wait();
    IgnoringPrompter prompter;
    CActivityLog log(false, std::string(), prompter, CClock::System());
    CActionDisplay display;
    CProgressWorker worker(settings, false, cancel, prompter, log, display, CClock::System());
    worker.SetKeepFileLists(false);
    worker.TakeSet(scan.Set, std::move(scan.Scans));
    worker.Start();
    worker.Wait();
    if (worker.FailedItems.load() != 0)
        std::fprintf(stderr, "%d items failed\n", worker.FailedItems.load());
    return worker.ProcessedFiles.size();
}

void Prepare()
{
    fs::remove_all(Top());
    MakeFiles(Source(), kFiles);
    RunBackup(BenchSet(false));
    MakeVersions(Backup());
    MakeVersions(PruneFolder());
}

// area: whether the 100,000 versions are in place for the passes; walk:
// whether each pass finds no record of a pruning and walks the area.
void NoChangePass(benchmark::State& state, bool versions, bool area, bool walk)
{
    if (!area)
        fs::rename(Area(), Parked());
    const CSet set = BenchSet(versions);
    std::size_t processed = 0;
    for (auto _ : state) {
        if (walk) {
            state.PauseTiming();
            CPruneRecord::Drop(Backup().string());
            state.ResumeTiming();
        }
        processed = RunBackup(set);
    }
    if (!area)
        fs::rename(Parked(), Area());
    state.counters["files"] = static_cast<double>(processed);
}

CVersionSettings PruneEverything()
{
    CVersionSettings rules;
    rules.Active = 1;
    rules.Days = 1;
    rules.ThinDays = rules.ThinWeeks = rules.ThinMonths = 0;
    return rules;
}

std::int64_t Now()
{
    return CWallClock::FromEpoch(std::time(nullptr));
}

void ListPruning(benchmark::State& state)
{
    CVersionPruner pruner(PruneFolder().string(), PruneEverything(), Now());
    std::vector<PrunedVersion> pruned;
    for (auto _ : state)
        pruner.List(pruned);
    state.counters["versions"] = static_cast<double>(pruned.size());
}

void PruneAll(benchmark::State& state)
{
    std::vector<PrunedVersion> removed;
    for (auto _ : state) {
        CVersionPruner pruner(PruneFolder().string(), PruneEverything(), Now());
        pruner.Prune(&removed);
    }
    state.counters["versions"] = static_cast<double>(removed.size());
}

} // namespace

BENCHMARK_CAPTURE(NoChangePass, versions_on_empty_area, true, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(NoChangePass, versions_on_full_area, true, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(NoChangePass, versions_on_full_area_walked, true, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(NoChangePass, versions_off_full_area, false, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK(ListPruning)->Unit(benchmark::kMillisecond);
// Once: it leaves nothing to prune.
BENCHMARK(PruneAll)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // The files, their backup and both areas are made before any timing.
    Prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(Top());
    return 0;
}
