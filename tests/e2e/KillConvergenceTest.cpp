// A backup or restore killed with SIGKILL at a random point leaves no torn
// file under a real name, and the next run converges to a faithful copy
// without leftovers.
#include "ProgramRun.h"
#include "common/TempDir.h"
#include "common/TreeDigest.h"
#include "core/Session.h"
#include "core/SessionFile.h"
#include "platform/FileCopier.h"
#include "platform/MyRegistry.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class KillConvergence : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::remove(CMyRegistry::FilePath());
        CMyRegistry registry;
        registry.CreateKey("Settings\\Actions");
        // "Do not overwrite newer" on both sides: a torn copy dated now
        // would never be repaired.
        registry.WriteNumber("BackupOverwrite", 1);
        registry.WriteNumber("RestoreOverwrite", 1);
        registry.WriteNumber("BackupDelete", 1);
        registry.WriteNumber("BackupTrash", 0);
        WriteSession(false);
        random.seed(seed);
        for (int i = 0; i < 120; ++i)
            Put("d" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".txt", Bytes(1000 + i * 97, i), 1);
        for (int i = 0; i < 2; ++i)
            Put("big" + std::to_string(i) + ".bin", Bytes(20 * 1024 * 1024 + i, 200 + i), 1);
        fs::create_symlink("d0/f0.txt", Source() + "/link");
    }

    void WriteSession(bool versions)
    {
        CSession session;
        CSet& set = session.Sets.emplace_back();
        set.Name = "Docs";
        set.Versions.Active = versions ? 1 : 0;
        CBackup& entry = set.Entries.emplace_back();
        entry.SourceFolder = Source();
        entry.DestinationFolder = tmp / "dest";
        entry.IncludeFiles = "*.*";
        entry.Recursive = 1;
        ASSERT_EQ(CSessionFile::Write(SessionPath(), CSessionFile::BuildDocument(session)), 0);
    }

    std::string Source() const { return tmp / "src"; }
    std::string Backup() const { return tmp / "dest/src"; }
    std::string SessionPath() const { return tmp / "work.kvf"; }

    static std::string Bytes(std::size_t size, int seedByte)
    {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; i += 4096)
            bytes[i] = static_cast<char>(seedByte + static_cast<int>(i / 4096));
        return bytes + std::to_string(seedByte);
    }

    // Writes a file below root and remembers its bytes as a whole version.
    void Put(const std::string& rel, const std::string& bytes, int version)
    {
        const std::string path = Source() + "/" + rel;
        fs::create_directories(fs::path(path).parent_path());
        fs::remove(path);
        tmp.Write(path.substr(tmp.Path().size() + 1), bytes);
        const timespec times[2] = { { 1'600'000'000 + version, 0 }, { 1'600'000'000 + version, 0 } };
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        versions[rel].push_back(std::hash<std::string> {}(bytes));
    }

    // Starts the action and kills it at a random point of its reading: after
    // a random number, up to most, of open and read events on the side
    // copied from.
    void RunAndKill(const std::string& action, const std::string& from, int most)
    {
        const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        ASSERT_GE(watch, 0);
        ::inotify_add_watch(watch, from.c_str(), IN_OPEN | IN_ACCESS);
        for (const auto& item : fs::recursive_directory_iterator(from)) {
            if (item.is_directory() && !item.is_symlink())
                ::inotify_add_watch(watch, item.path().c_str(), IN_OPEN | IN_ACCESS);
        }
        const int killAt = std::uniform_int_distribution<int>(1, most)(random);
        BackgroundProgram program({ "/f", SessionPath(), "/s", "Docs", "/a", action, "/e", "/g" });
        int events = 0;
        char buffer[8192];
        while (events < killAt && program.WaitForReadable(watch)) {
            for (ssize_t n = ::read(watch, buffer, sizeof buffer); n > 0; n = ::read(watch, buffer, sizeof buffer)) {
                for (ssize_t at = 0; at < n; ++events) {
                    const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                }
            }
        }
        program.Signal(SIGKILL);
        const int status = program.Wait();
        EXPECT_TRUE(status == -1 || status == 0) << program.Output();
        ::close(watch);
    }

    // Every file under a real name below root is one whole version.
    void ExpectNoTornFile(const std::string& root)
    {
        if (!fs::exists(root))
            return; // killed before the first folder was made
        for (const auto& item : fs::recursive_directory_iterator(root)) {
            const std::string name = item.path().filename().string();
            if (!item.is_regular_file() || item.is_symlink() || CFileCopier::IsTemporaryName(name))
                continue;
            const std::string rel = item.path().string().substr(root.size() + 1);
            const auto& known = versions[rel];
            const std::size_t hash = std::hash<std::string> {}(TempDir::Read(item.path().string()));
            EXPECT_NE(std::find(known.begin(), known.end(), hash), known.end()) << rel << " is torn";
        }
    }

    void ExpectNoTemporaries(const std::string& root)
    {
        for (const auto& item : fs::recursive_directory_iterator(root))
            EXPECT_FALSE(CFileCopier::IsTemporaryName(item.path().filename().string())) << item.path();
    }

    void Converge(const std::string& action)
    {
        const ProgramRun run = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", action, "/e", "/g" });
        ASSERT_EQ(run.status, 0) << run.output;
        ExpectNoTemporaries(Source());
        ExpectNoTemporaries(Backup());
        EXPECT_EQ(TreeDigest(Source()), TreeDigest(Backup()));
    }

    TempDir tmp;
    const unsigned seed = std::random_device {}();
    std::mt19937 random;
    std::map<std::string, std::vector<std::size_t>> versions;
};

TEST_F(KillConvergence, KilledBackupsAndRestoresLeaveNoTornFileAndTheRerunConverges)
{
    SCOPED_TRACE("seed " + std::to_string(seed));
    for (int round = 0; round < 5; ++round) {
        RunAndKill("backup", Source(), round == 0 ? 300 : 60);
        ExpectNoTornFile(Backup());
        // Change some files, small and large, before the next run.
        for (int i = round; i < 120; i += 7)
            Put("d" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".txt", Bytes(900 + i * 89, i + round),
                round + 2);
        Put("big" + std::to_string(round % 2) + ".bin", Bytes(20 * 1024 * 1024 + round, 50 + round), round + 2);
        fs::remove(Source() + "/d1/f" + std::to_string(round * 3 + 1) + ".txt");
    }
    Converge("backup");

    // Damaged sources: older, so the backup's newer copy replaces them.
    for (int round = 0; round < 4; ++round) {
        for (int i = round; i < 120; i += 5) {
            const std::string rel = "d" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".txt";
            if (fs::exists(Source() + "/" + rel))
                Put(rel, "damaged " + std::to_string(i), 0);
        }
        Put("big1.bin", "damaged", 0);
        RunAndKill("restore", Backup(), 80);
        ExpectNoTornFile(Source());
    }
    Converge("restore");
}

// Killed while it moves old copies into the versions: every version is a
// whole one, and the rerun converges and leaves the area as it found it.
TEST_F(KillConvergence, KilledBackupsKeepingVersionsLeaveWholeVersionsAndTheRerunConverges)
{
    SCOPED_TRACE("seed " + std::to_string(seed));
    WriteSession(true);
    const ProgramRun first = ProgramRun::Run({ "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e", "/g" });
    ASSERT_EQ(first.status, 0) << first.output;
    const std::string area = tmp / "dest/.korvane-versions";
    for (int round = 0; round < 4; ++round) {
        for (int i = round; i < 120; i += 7)
            Put("d" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".txt", Bytes(800 + i * 83, i + round + 9),
                round + 2);
        Put("big" + std::to_string(round % 2) + ".bin", Bytes(20 * 1024 * 1024 + round, 80 + round), round + 2);
        fs::remove(Source() + "/d2/f" + std::to_string(round * 3 + 2) + ".txt");
        RunAndKill("backup", Source(), 120);
        ExpectNoTornFile(Backup());
    }
    Converge("backup");
    ASSERT_TRUE(fs::is_directory(area));
    for (const auto& stamp : fs::directory_iterator(area)) {
        // Beside the stamp folders, the record of the last pruning.
        if (!stamp.is_directory())
            continue;
        ExpectNoTornFile(stamp.path().string() + "/src");
        ExpectNoTemporaries(stamp.path().string());
    }
    std::map<std::string, std::string> before;
    for (const auto& item : fs::recursive_directory_iterator(area))
        before[item.path().string()] = item.is_regular_file() ? TempDir::Read(item.path().string()) : "";
    EXPECT_GT(std::count_if(before.begin(), before.end(), [](const auto& item) { return !item.second.empty(); }), 20)
        << "the old copies are not among the versions";
    Converge("backup");
    std::map<std::string, std::string> after;
    for (const auto& item : fs::recursive_directory_iterator(area))
        after[item.path().string()] = item.is_regular_file() ? TempDir::Read(item.path().string()) : "";
    EXPECT_EQ(before, after);
}

} // namespace
