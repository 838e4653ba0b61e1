// Runs one backup the way the action runner will, without windows, so the
// engine can be timed against other tools (bench/backup_vs_rsync.sh):
//   bench_backup [--scan-only] [--keep] <source folder> <backup folder>
// The backup lands in <backup folder>/<last component of the source>.
// BackupDelete is on unless --keep is given; errors are logged to standard
// error and ignored. --scan-only gathers both sides and stops: the floor of
// any pass that must look at every file.
#include "core/Prompter.h"
#include "core/Set.h"
#include "core/SettingsRecord.h"
#include "engine/ActionDisplay.h"
#include "engine/GetInfoWorker.h"
#include "engine/ProgressWorker.h"
#include "log/ActivityLog.h"
#include "platform/Clock.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

class IgnoringPrompter : public CPrompter {
public:
    int MessageBox(const std::string& text, unsigned /*style*/) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
        return IdIgnore;
    }
    bool AskFileName(const FileDialogRequest&, std::string&) override { return false; }
};

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int Usage()
{
    std::fprintf(stderr, "usage: bench_backup [--scan-only] [--keep] <source> <backup folder>\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool scanOnly = false;
    bool keep = false;
    int arg = 1;
    for (; arg < argc && argv[arg][0] == '-'; ++arg) {
        if (std::strcmp(argv[arg], "--scan-only") == 0)
            scanOnly = true;
        else if (std::strcmp(argv[arg], "--keep") == 0)
            keep = true;
        else
            return Usage();
    }
    if (argc - arg != 2)
        return Usage();

    SettingsRecord settings;
    settings.Actions.BackupDelete = keep ? 0 : 1;
    settings.Actions.BackupTrash = 0;
    CSet set;
    set.Name = "bench";
    CBackup entry;
    entry.SourceFolder = argv[arg];
    entry.DestinationFolder = argv[arg + 1];
    entry.IncludeFiles = "*.*";
    entry.Recursive = 1;
    set.Entries.push_back(entry);

    std::atomic<int> cancel { 0 };
    const auto start = std::chrono::steady_clock::now();
    CGetInfoWorker scan(set, cancel);
    scan.Start();
    scan.Wait();
    const double scanSeconds = Seconds(start);
    std::printf("scan: %d files, %d folders | backup side %d files, %d folders | %.3f s\n", scan.SourceFiles.load(),
        scan.SourceFolders.load(), scan.DestinationFiles.load(), scan.DestinationFolders.load(), scanSeconds);
    if (scanOnly)
        return 0;

    IgnoringPrompter prompter;
    CActivityLog log(false, std::string(), prompter, CClock::System());
    CActionDisplay display;
    CProgressWorker worker(settings, false, cancel, prompter, log, display, CClock::System());
    worker.TakeSet(scan.Set, std::move(scan.Scans));
    worker.Start();
    worker.Wait();
    std::printf("copy: %zu added, %zu updated, %zu deleted files, %zu deleted folders, %zu processed | %.3f s\n",
        worker.AddedFiles.size(), worker.UpdatedFiles.size(), worker.DeletedFiles.size(), worker.DeletedFolders.size(),
        worker.ProcessedFiles.size(), Seconds(start) - scanSeconds);
    return 0;
}
