#include "ProgramRun.h"
#include "common/TempDir.h"
#include "common/TmpfsMount.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr int kFolders = 200;
// Every file, on both sides, bears this time: a pass over them finds
// nothing to do.
constexpr timespec kTime { 1'600'000'000, 0 };

// Empty files spread over kFolders folders of root, each file stamped
// with kTime.
bool MakeTree(const std::string& root, int files)
{
    if (::mkdir(root.c_str(), 0755) != 0 && errno != EEXIST)
        return false;
    const timespec times[2] = { kTime, kTime };
    for (int folder = 0; folder < kFolders; ++folder) {
        const std::string path = root + "/f" + std::to_string(folder);
        if (::mkdir(path.c_str(), 0755) != 0)
            return false;
        const int dir = ::open(path.c_str(), O_DIRECTORY | O_RDONLY | O_CLOEXEC);
        for (int n = folder; n < files; n += kFolders) {
            const int fd = ::openat(dir, ("file" + std::to_string(n)).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd < 0 || ::futimens(fd, times) != 0)
                return false;
            ::close(fd);
        }
        ::close(dir);
    }
    return true;
}

// The peak resident memory of a backup run of the real program, as the
// kernel reports it for the child once it has ended (its VmHWM), in KiB;
// -1 when the run failed.
long PeakOfRun(const std::vector<std::string>& arguments)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv { const_cast<char*>(KORVANE_BIN) };
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::execv(KORVANE_BIN, argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

// A pass with nothing to do over a tree of files empty files, its backup
// already in place.
long PeakOfNoChangePass(const TempDir& dir, const std::string& name, int files)
{
    const std::string source = dir / name;
    const std::string backup = dir / (name + "-backup");
    EXPECT_TRUE(MakeTree(source, files));
    EXPECT_EQ(0, ::mkdir(backup.c_str(), 0755));
    EXPECT_TRUE(MakeTree(backup + "/" + name, files));
    const std::string session = dir / (name + ".kvf");
    EXPECT_TRUE(WriteOneSetSession(session, "Flat", source, backup));
    return PeakOfRun({ "/f", session, "/s", "Flat", "/a", "backup", "/e" });
}

} // namespace

// A run keeps one folder of each side at a time, not a record per file of
// the tree: ten times the files in the same number of folders leave its
// high-water mark where it was. A run that kept every record would need
// some 60 MiB more for the larger tree.
TEST(FlatMemoryTest, PeakMemoryOfANoChangePassDoesNotGrowWithTheTree)
{
    if (kSanitized)
        GTEST_SKIP() << "the sanitizers' own memory hides the program's";
    TempDir dir;
    // In memory, where making the trees takes a fraction of the time a
    // disk would; the walk and what it holds are the same.
    const TmpfsMount mount(dir.Path(), "64m");
    const long small = PeakOfNoChangePass(dir, "small", 20'000);
    const long large = PeakOfNoChangePass(dir, "large", 200'000);
    ASSERT_GT(small, 0);
    ASSERT_GT(large, 0);
    EXPECT_LT(large * 2, small * 3) << "VmHWM " << small << " KiB over 20,000 files, " << large << " KiB over 200,000";
}
