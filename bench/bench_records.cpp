// Building sorted record lists and scanning a generated tree.
#include "scan/FileRecordArray.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace {

// Paths as a scan finds them: a few thousand folders, names in listing
// (hash) order rather than sorted.
std::vector<CFileRecord> MakeRecords(std::size_t count)
{
    std::mt19937_64 random(42);
    std::vector<CFileRecord> records(count);
    for (std::size_t i = 0; i < count; ++i) {
        records[i].Path = "/home/user/Documents/project-" + std::to_string(random() % 3000) + "/src/file_"
            + std::to_string(random()) + ".cpp";
        records[i].Size = random() % 100000;
    }
    return records;
}

void BuildSortedList(benchmark::State& state)
{
    const auto records = MakeRecords(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        CFileRecordArray array;
        for (const CFileRecord& record : records)
            array.push_back(record);
        array.SortAppended(0, CFileRecordArray::kByPath);
        benchmark::DoNotOptimize(array.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BuildSortedList)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// The one-by-one insertion the bulk sort replaces, for comparison (small n).
void BuildByAddSorted(benchmark::State& state)
{
    const auto records = MakeRecords(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        CFileRecordArray array;
        for (const CFileRecord& record : records)
            array.AddSorted(record, CFileRecordArray::kByPath);
        benchmark::DoNotOptimize(array.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BuildByAddSorted)->Arg(100'000)->Unit(benchmark::kMillisecond);

class GeneratedTree {
public:
    GeneratedTree(int folders, int filesPerFolder)
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvbench-XXXXXX";
        m_root = mkdtemp(pattern.data()) ? pattern : std::string();
        for (int d = 0; d < folders; ++d) {
            const std::string folder = m_root + "/d" + std::to_string(d % 10) + "/sub" + std::to_string(d);
            std::filesystem::create_directories(folder);
            for (int f = 0; f < filesPerFolder; ++f)
                std::ofstream(folder + "/file" + std::to_string(f) + (f % 3 ? ".txt" : ".log")) << "x";
        }
    }
    ~GeneratedTree()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    const std::string& Root() const { return m_root; }

private:
    std::string m_root;
};

void ScanGeneratedTree(benchmark::State& state)
{
    static const GeneratedTree tree(200, 100); // 20,000 files
    std::atomic<std::int32_t> files { 0 };
    std::atomic<std::int32_t> folders { 0 };
    std::atomic<std::uint64_t> bytes { 0 };
    for (auto _ : state) {
        CFileRecordArray array;
        array.ScanFolder(tree.Root() + "/", "", "*.*", "*.tmp; *.bak", true, CFileRecordArray::kByPath, true, nullptr,
            &files, &folders, &bytes, 0, nullptr);
        benchmark::DoNotOptimize(array.data());
        state.counters["records"] = static_cast<double>(array.size());
    }
}
BENCHMARK(ScanGeneratedTree)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
