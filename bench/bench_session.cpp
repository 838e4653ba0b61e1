// Saving and opening a large session: 1000 sets of 50 folder entries.
#include "core/Prompter.h"
#include "core/Session.h"
#include "core/SessionFile.h"
#include "core/XmlDocument.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

class DeclinePrompter : public CPrompter {
public:
    int MessageBox(const std::string&, unsigned) override { return IdNo; }
    bool AskFileName(const FileDialogRequest&, std::string&) override { return false; }
};

void Fill(CSession& session, int sets, int entries)
{
    session.Sets.clear();
    for (int s = 0; s < sets; ++s) {
        CSet& set = session.Sets.emplace_back();
        set.Name = "Set number " + std::to_string(s);
        set.Schedule.Email = "someone@example.org";
        for (int e = 0; e < entries; ++e) {
            CBackup& entry = set.Entries.emplace_back();
            entry.SourceFolder = "/home/user/Documents/projects/project-" + std::to_string(e);
            entry.DestinationFolder = "/media/user/Backup Disk/<YEAR>/<MONTH>";
            entry.IncludeFiles = "*.*";
            entry.ExcludeFiles = "*.tmp;~*";
            entry.ExcludeFolders = ".git;node_modules";
        }
    }
}

std::string TempFolder()
{
    char pattern[] = "/tmp/kvbench-XXXXXX";
    return mkdtemp(pattern) ? pattern : "/tmp";
}

void BuildDocument(benchmark::State& state)
{
    CSession session;
    Fill(session, static_cast<int>(state.range(0)), 50);
    for (auto _ : state)
        benchmark::DoNotOptimize(CSessionFile::BuildDocument(session));
}
BENCHMARK(BuildDocument)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

void ParseDocument(benchmark::State& state)
{
    CSession session;
    Fill(session, static_cast<int>(state.range(0)), 50);
    const std::string text = CSessionFile::BuildDocument(session);
    for (auto _ : state) {
        CXmlDocument document;
        benchmark::DoNotOptimize(document.ParseText(text));
    }
}
BENCHMARK(ParseDocument)->Arg(1000)->Unit(benchmark::kMillisecond);

// The whole save (build, write, fsync, rename) and the whole open (which
// first resets the session, then reads, then refreshes the saved copy).
void Save(benchmark::State& state)
{
    const std::string folder = TempFolder();
    DeclinePrompter prompter;
    CSession working;
    CSession saved;
    working.SavedCopy = &saved;
    Fill(working, static_cast<int>(state.range(0)), 50);
    working.FileName = folder + "/large.kvf";
    for (auto _ : state) {
        if (working.SaveSession(prompter) != 0)
            state.SkipWithError("save failed");
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(Save)->Arg(1000)->Unit(benchmark::kMillisecond);

void Open(benchmark::State& state)
{
    const std::string folder = TempFolder();
    DeclinePrompter prompter;
    CSession working;
    CSession saved;
    working.SavedCopy = &saved;
    Fill(working, static_cast<int>(state.range(0)), 50);
    working.FileName = folder + "/large.kvf";
    working.SaveSession(prompter);
    const std::string path = working.FileName;
    for (auto _ : state) {
        if (working.OpenSession(prompter, &path) != 0)
            state.SkipWithError("open failed");
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(Open)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
