#include "platform/RunLock.h"

#include "common/AsOtherUser.h"
#include "common/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Sets or removes an environment variable for one scope.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvironmentValue()
    {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

mode_t ModeOf(const std::string& path)
{
    struct stat st { };
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(RunLock, PlaceDependsOnTheUserNotOnTheSessionEnvironment)
{
    TempDir tmp;
    EnvironmentValue noOverride("KORVANE_LOCK_DIR", nullptr);
    std::string withRuntime;
    {
        EnvironmentValue runtime("XDG_RUNTIME_DIR", tmp.Path().c_str());
        withRuntime = CRunLock::LockPath();
    }
    EnvironmentValue cron("XDG_RUNTIME_DIR", nullptr);
    EnvironmentValue temp("TMPDIR", tmp.Path().c_str());
    EXPECT_EQ(CRunLock::LockPath(), withRuntime);
    const std::string uid = std::to_string(::geteuid());
    const std::string folder = fs::path(withRuntime).parent_path();
    EXPECT_TRUE(folder == "/run/user/" + uid || folder == "/tmp/korvane-" + uid) << folder;
    if (folder.starts_with("/tmp/")) {
        EXPECT_EQ(ModeOf(folder), 0700u);
    }
}

TEST(RunLock, PrivateFolderIsCreatedSafelyAndForeignOnesAreRefused)
{
    TempDir tmp;
    const uid_t uid = ::geteuid();
    EXPECT_EQ(CRunLock::CheckPrivateFolder(tmp / "new", uid), "");
    EXPECT_EQ(ModeOf(tmp / "new"), 0700u);
    EXPECT_EQ(CRunLock::CheckPrivateFolder(tmp / "new", uid), "") << "found again";

    // A folder made just now under a umask that took the owner's bits.
    const mode_t oldMask = ::umask(0277);
    EXPECT_EQ(CRunLock::CheckPrivateFolder(tmp / "masked", uid), "");
    ::umask(oldMask);
    EXPECT_EQ(ModeOf(tmp / "masked"), 0700u);

    // One of the user's own found with another mode is not tightened: who
    // made it is not known.
    fs::create_directory(tmp / "loose");
    fs::permissions(tmp / "loose", fs::perms::all);
    EXPECT_EQ(CRunLock::CheckPrivateFolder(tmp / "loose", uid), "its mode is 0777, not 0700");
    EXPECT_EQ(ModeOf(tmp / "loose"), 0777u);

    fs::create_directory_symlink(tmp / "new", tmp / "link");
    tmp.Write("file", "");
    EXPECT_EQ(CRunLock::CheckPrivateFolder(tmp / "link", uid), "it is a symbolic link");
    EXPECT_EQ(CRunLock::CheckPrivateFolder(tmp / "file", uid), "it is not a folder");
    EXPECT_EQ(ModeOf(tmp / "new"), 0700u);
}

// In a shared /tmp another user names the folder first: a folder of theirs
// (with the right mode, or open to all) or a link to one.
TEST(RunLock, FoldersAnotherUserMadeFirstAreRefused)
{
    TempDir tmp;
    const std::string shared = tmp / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    ASSERT_EQ(RunAsOtherUser(shared,
                  [] {
                      const bool made = ::mkdir("private", 0700) == 0 && ::mkdir("open", 0777) == 0
                          && ::chmod("open", 0777) == 0 && ::symlink("open", "link") == 0;
                      return made ? 0 : 1;
                  }),
        0);
    const uid_t uid = ::geteuid();
    const std::string foreign = "it belongs to another user (user id " + std::to_string(kOtherUser) + ")";
    EXPECT_EQ(CRunLock::CheckPrivateFolder(shared + "/private", uid), foreign);
    EXPECT_EQ(CRunLock::CheckPrivateFolder(shared + "/open", uid), foreign);
    EXPECT_EQ(CRunLock::CheckPrivateFolder(shared + "/link", uid), "it is a symbolic link");
    EXPECT_EQ(ModeOf(shared + "/open"), 0777u);

    // The run lock then refuses, and says where and why, instead of running
    // without it.
    for (const char* name : { "open", "link" }) {
        const std::string folder = shared + "/" + name;
        EnvironmentValue place("KORVANE_LOCK_DIR", folder.c_str());
        CRunLock lock;
        EXPECT_EQ(lock.TryLock(), CRunLock::Result::Refused) << name;
        EXPECT_EQ(lock.Problem().folder, folder);
        EXPECT_FALSE(lock.Problem().reason.empty());
        EXPECT_EQ(CRunLock::LockPath(), "");
        EXPECT_FALSE(fs::exists(shared + "/open/KV.action.lock")) << name;
    }
}

TEST(RunLock, HolderTellsWhatKindOfRunHoldsIt)
{
    TempDir tmp;
    EnvironmentValue place("KORVANE_LOCK_DIR", tmp.Path().c_str());
    EXPECT_EQ(CRunLock::Holder(), CRunLock::Kind::Unknown);
    {
        CRunLock scheduled;
        ASSERT_EQ(scheduled.TryLock(CRunLock::Kind::Scheduled), CRunLock::Result::Locked);
        EXPECT_EQ(CRunLock::Holder(), CRunLock::Kind::Scheduled);
        CRunLock second;
        EXPECT_EQ(second.TryLock(), CRunLock::Result::Busy) << "another holder, even in the same process";
    }
    EXPECT_EQ(CRunLock::Holder(), CRunLock::Kind::Unknown);
    CRunLock manual;
    ASSERT_EQ(manual.TryLock(CRunLock::Kind::Manual), CRunLock::Result::Locked);
    EXPECT_EQ(CRunLock::Holder(), CRunLock::Kind::Manual);
}

} // namespace
