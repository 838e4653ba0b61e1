// The versions window's work on an area of 100,000 versions (10,000 files set
// aside by ten runs, below a hundred folders): reading the area, taking the
// list into the model and filtering it by name and by date.
#include "engine/VersionList.h"
#include "engine/WallClock.h"
#include "ui/VersionListModel.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 10;
constexpr int kFiles = 10000;

// The destination folder; the entry's backup folder in it is "src".
const std::string& Destination()
{
    static const std::string folder = [] {
        const fs::path root = fs::temp_directory_path() / "korvane-bench-versions";
        fs::remove_all(root);
        for (int run = 0; run < kRuns; ++run) {
            const fs::path stamp = root / ".korvane-versions" / ("2026-01-" + std::to_string(10 + run) + " 210000");
            for (int i = 0; i < kFiles; ++i) {
                const fs::path file
                    = stamp / "src" / ("folder" + std::to_string(i % 100)) / ("file" + std::to_string(i) + ".txt");
                fs::create_directories(file.parent_path());
                std::ofstream(file) << i;
            }
        }
        return root.string();
    }();
    return folder;
}

VersionArea Area()
{
    return { Destination(), "src" };
}

void ReadArea(benchmark::State& state)
{
    for (auto _ : state) {
        std::vector<VersionItem> versions;
        CVersionList::Read(Area(), versions);
        benchmark::DoNotOptimize(versions.size());
    }
}

void FillModel(benchmark::State& state)
{
    std::vector<VersionItem> versions;
    CVersionList::Read(Area(), versions);
    for (auto _ : state) {
        CVersionListModel model;
        model.SetVersions(versions);
        benchmark::DoNotOptimize(model.rowCount());
    }
}

void Filter(benchmark::State& state)
{
    std::vector<VersionItem> versions;
    CVersionList::Read(Area(), versions);
    CVersionListModel model;
    model.SetVersions(std::move(versions));
    const std::int64_t before = *CWallClock::ParseStamp("2026-01-15 000000");
    bool named = false;
    for (auto _ : state) {
        model.SetFilter(named ? QStringLiteral("FILE12") : QString(), named ? CVersionListModel::kAnyTime : before);
        named = !named;
    }
}

} // namespace

BENCHMARK(ReadArea)->Unit(benchmark::kMillisecond);
BENCHMARK(FillModel)->Unit(benchmark::kMillisecond);
BENCHMARK(Filter)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    // The area is made once, before any timing.
    Destination();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(fs::temp_directory_path() / "korvane-bench-versions");
    return 0;
}
