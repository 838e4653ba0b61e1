#include "engine/EngineFixture.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr uid_t kAttacker = 65534;
// The whole suite stays near 20 s of racing: each scenario runs this long.
constexpr auto kRaceTime = std::chrono::seconds(5);

// Another user, in a child process of its own, swapping a folder it may
// write in for a link to the victim and back as fast as it can, while root's
// run goes on. It works through a handle of the folder opened before it
// gave up root, so it needs no way into the folders above.
class Attacker {
public:
    Attacker(const std::string& folder, const std::string& name, const std::string& victim)
    {
        const std::string link = name + ".lnk";
        const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        ::unlinkat(fd, link.c_str(), 0);
        EXPECT_EQ(0, ::symlinkat(victim.c_str(), fd, link.c_str()));
        // Counted in memory shared with the child, which is killed, not asked
        // to stop.
        void* shared
            = ::mmap(nullptr, sizeof(std::atomic<long>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        EXPECT_NE(MAP_FAILED, shared);
        m_swaps = new (shared) std::atomic<long>(0);
        m_child = ::fork();
        if (m_child == 0) {
            // Raw calls: the C library's would first ask every other thread of
            // the parent to change too, and only this one came along.
            if (::syscall(SYS_setgroups, 0, nullptr) != 0
                || ::syscall(SYS_setresgid, kAttacker, kAttacker, kAttacker) != 0
                || ::syscall(SYS_setresuid, kAttacker, kAttacker, kAttacker) != 0)
                _exit(2);
            // Set after the ids changed, which clear it: a test killed for
            // taking too long must not leave its attacker running.
            if (::syscall(SYS_prctl, PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0) != 0 || ::getppid() == 1)
                _exit(3);
            for (;;) {
                if (::renameat2(fd, name.c_str(), fd, link.c_str(), RENAME_EXCHANGE) == 0)
                    m_swaps->fetch_add(1, std::memory_order_relaxed);
                else if (errno == ENOENT)
                    // A backup deletes the extra link as a vanished item: the
                    // attacker simply makes it again.
                    ::symlinkat(victim.c_str(), fd, link.c_str());
            }
        }
        m_folder = fd;
        m_name = name;
        m_link = link;
    }

    // Stops the attacker, puts the real folder back under its name, and
    // gives the number of swaps made.
    long Stop()
    {
        ::kill(m_child, SIGKILL);
        ::waitpid(m_child, nullptr, 0);
        const long swaps = m_swaps->load();
        ::munmap(m_swaps, sizeof(std::atomic<long>));
        struct stat st { };
        if (::fstatat(m_folder, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
            ::renameat2(m_folder, m_name.c_str(), m_folder, m_link.c_str(), RENAME_EXCHANGE);
        ::unlinkat(m_folder, m_link.c_str(), 0);
        ::close(m_folder);
        return swaps;
    }

private:
    pid_t m_child = -1;
    std::atomic<long>* m_swaps = nullptr;
    int m_folder = -1;
    std::string m_name;
    std::string m_link;
};

class SwapRaceTest : public EngineFixture {
protected:
    SwapRaceTest()
    {
        settings.Actions.DisplayError = 0;
        settings.Actions.BackupDelete = 1;
        for (int i = 0; i < 6; ++i)
            dir.Write("victim/file" + std::to_string(i) + ".txt", "victim " + std::to_string(i));
        ::chmod((dir / "victim").c_str(), 0700);
        m_victimBefore = Snapshot(dir / "victim");
    }

    // Every run changes, adds and deletes files in the folder being swapped.
    void ChangeSource(int round) const
    {
        for (int i = 0; i < 6; ++i) {
            const std::string name = "sub/file" + std::to_string(i) + ".txt";
            if ((i + round) % 3 == 0)
                ::unlink(Src(name).c_str());
            else
                Write(name, "round " + std::to_string(round), 1'600'000'000 + round);
        }
    }

    // Gives the backup copies new contents, never through the folder being
    // swapped: a test writing by path would follow the link itself.
    void ChangeBackup(int round) const
    {
        for (int i = 0; i < 6; ++i) {
            const std::string path = Root("sub/file" + std::to_string(i) + ".txt");
            ::unlink(path.c_str());
            dir.Write(
                "backup/Documents/sub/file" + std::to_string(i) + ".txt", "backup round " + std::to_string(round));
            const timespec times[2] = { { 1'700'000'000 + round, 0 }, { 1'700'000'000 + round, 0 } };
            ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
    }

    // Runs action again and again while the attacker swaps `name` in folder;
    // prepare gives each run something to do.
    void Race(int action, const std::string& folder, const std::string& name, const std::function<void(int)>& prepare)
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "the attacker is another user: only root can start one";
        ::chmod(folder.c_str(), 0777);
        Attacker attacker(folder, name, dir / "victim");
        const auto end = std::chrono::steady_clock::now() + kRaceTime;
        int runs = 0;
        while (std::chrono::steady_clock::now() < end) {
            prepare(runs);
            Run(action);
            ++runs;
            ASSERT_EQ(m_victimBefore, Snapshot(dir / "victim")) << "after run " << runs;
        }
        const long swaps = attacker.Stop();
        std::printf("%d runs, %ld swaps, victim unchanged\n", runs, swaps);
        EXPECT_GT(swaps, 0) << "the attacker never swapped: the race was not run";
        ExpectNoVictimIn(Root());
    }

    void ExpectNoVictimIn(const std::string& tree) const
    {
        for (const auto& item : fs::recursive_directory_iterator(tree)) {
            if (item.is_regular_file() && !item.is_symlink()) {
                EXPECT_NE(0u, TempDir::Read(item.path()).rfind("victim", 0)) << item.path();
            }
        }
    }

    static std::string Snapshot(const std::string& folder)
    {
        std::string text;
        for (const auto& item : fs::directory_iterator(folder)) {
            struct stat st { };
            ::lstat(item.path().c_str(), &st);
            text += item.path().filename().string() + ":" + std::to_string(st.st_mode) + ":" + std::to_string(st.st_uid)
                + ":" + TempDir::Read(item.path()) + "\n";
        }
        struct stat st { };
        ::lstat(folder.c_str(), &st);
        return text + std::to_string(st.st_mode) + ":" + std::to_string(st.st_uid);
    }

private:
    std::string m_victimBefore;
};

} // namespace

TEST_F(SwapRaceTest, BackupWithoutTheTrashStaysInItsBackupFolder)
{
    ChangeSource(0);
    Run(0);
    Race(0, Root(), "sub", [this](int round) { ChangeSource(round + 1); });
}

TEST_F(SwapRaceTest, BackupWithTheTrashStaysInItsBackupFolder)
{
    settings.Actions.BackupTrash = 1;
    ChangeSource(0);
    Run(0);
    Race(0, Root(), "sub", [this](int round) { ChangeSource(round + 1); });
}

TEST_F(SwapRaceTest, BackupNeverReadsThroughASwappedSourceFolder)
{
    settings.Actions.BackupSecurity = 1;
    ChangeSource(1);
    Run(0);
    Race(0, Src(), "sub", [this](int) { fs::remove_all(Root("sub")); });
}

TEST_F(SwapRaceTest, RestoreStaysInItsSourceFolder)
{
    settings.Actions.RestoreSecurity = 1;
    ChangeSource(1);
    Run(0);
    Race(1, Src(), "sub", [this](int round) { ChangeBackup(round); });
}
