// CRC-32 throughput: the checksum over a buffer in memory, and compare by
// checksum over a pair of files as the copy worker meets them (page cache
// warm after the first pass). Bytes per second count both sides.
#include "scan/CompareFiles.h"
#include "scan/Crc32.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<char> RandomBytes(std::size_t size)
{
    std::mt19937_64 random(3);
    std::vector<char> bytes(size);
    for (auto& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

void ChecksumInMemory(benchmark::State& state)
{
    const auto bytes = RandomBytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const std::uint32_t crc = CCrc32::Update(CCrc32::kPreset, bytes.data(), bytes.size());
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
// 40960 bytes is the block the file checksum reads; 1 MiB shows the loop alone.
BENCHMARK(ChecksumInMemory)->Arg(40960)->Arg(1 << 20);

// Two equal files of the given size in a scratch folder.
class FilePair {
public:
    explicit FilePair(std::size_t size)
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvbench-XXXXXX";
        m_root = mkdtemp(pattern.data()) ? pattern : std::string();
        const auto bytes = RandomBytes(size);
        for (const char* name : { "/from", "/to" })
            std::ofstream(m_root + name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
    }
    ~FilePair()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    FilePair(const FilePair&) = delete;
    FilePair& operator=(const FilePair&) = delete;

    std::string From() const { return m_root + "/from"; }
    std::string To() const { return m_root + "/to"; }

private:
    std::string m_root;
};

void CompareByChecksum(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    const FilePair files(size);
    for (auto _ : state) {
        CFileRecord from;
        CFileRecord to;
        from.SetFromPath(files.From());
        to.SetFromPath(files.To());
        // The same modification time, so the checksums decide.
        to.LastWriteTime = from.LastWriteTime;
        const int result = CompareFiles(from, to, kCompareCrc32);
        if (result != 0)
            state.SkipWithError("equal files compared different");
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}
BENCHMARK(CompareByChecksum)
    ->Arg(1 << 20)
    ->Arg(64 << 20)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
