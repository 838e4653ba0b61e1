#include "platform/RunLock.h"

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
    EXPECT_EQ(CRunLock::PrivateFolder(tmp / "new", uid), tmp / "new");
    EXPECT_EQ(ModeOf(tmp / "new"), 0700u);

    fs::create_directory(tmp / "loose");
    fs::permissions(tmp / "loose", fs::perms::all);
    EXPECT_EQ(CRunLock::PrivateFolder(tmp / "loose", uid), tmp / "loose");
    EXPECT_EQ(ModeOf(tmp / "loose"), 0700u);

    // Put there by someone else in a shared /tmp: a link to their folder, a
    // file, a folder of another user.
    fs::create_directory_symlink(tmp / "new", tmp / "link");
    tmp.Write("file", "");
    fs::create_directory(tmp / "foreign");
    ASSERT_EQ(::chown((tmp / "foreign").c_str(), uid + 1, static_cast<gid_t>(-1)), 0);
    for (const char* name : { "link", "file", "foreign" })
        EXPECT_EQ(CRunLock::PrivateFolder(tmp / name, uid), "") << name;
    EXPECT_EQ(ModeOf(tmp / "new"), 0700u);
}

TEST(RunLock, HolderTellsWhatKindOfRunHoldsIt)
{
    TempDir tmp;
    EnvironmentValue place("KORVANE_LOCK_DIR", tmp.Path().c_str());
    EXPECT_EQ(CRunLock::Holder(), CRunLock::Kind::Unknown);
    {
        CRunLock scheduled;
        ASSERT_TRUE(scheduled.TryLock(CRunLock::Kind::Scheduled));
        EXPECT_EQ(CRunLock::Holder(), CRunLock::Kind::Scheduled);
        CRunLock second;
        EXPECT_FALSE(second.TryLock()) << "another holder, even in the same process";
    }
    EXPECT_EQ(CRunLock::Holder(), CRunLock::Kind::Unknown);
    CRunLock manual;
    ASSERT_TRUE(manual.TryLock(CRunLock::Kind::Manual));
    EXPECT_EQ(CRunLock::Holder(), CRunLock::Kind::Manual);
}

} // namespace
