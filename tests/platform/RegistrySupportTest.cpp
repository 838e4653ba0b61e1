// The platform helpers behind the settings store and the desktop
// registrations: base folders, whole-file replacement, helper programs.
#include "common/TempDir.h"
#include "platform/Process.h"
#include "platform/ProgramInfo.h"
#include "platform/SmallFile.h"
#include "platform/XdgPaths.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// Sets an environment variable for the scope, restoring the old value.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_had = true;
            m_old = old;
        }
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had = false;
    std::string m_old;
};

unsigned ModeOf(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(XdgPathsTest, FollowTheEnvironmentAndIgnoreRelativeValues)
{
    const std::string home = std::getenv("HOME");
    ScopedEnvironment config("XDG_CONFIG_HOME", "relative/config");
    ScopedEnvironment data("XDG_DATA_HOME", nullptr);
    EXPECT_EQ(XdgConfigHome(), home + "/.config");
    EXPECT_EQ(XdgDataHome(), home + "/.local/share");

    ScopedEnvironment dirs("XDG_DATA_DIRS", "/opt/share::relative:/srv/share");
    EXPECT_EQ(XdgDataDirs(), (std::vector<std::string> { "/opt/share", "/srv/share" }));
    ScopedEnvironment noDirs("XDG_DATA_DIRS", "");
    EXPECT_EQ(XdgDataDirs(), (std::vector<std::string> { "/usr/local/share", "/usr/share" }));
}

TEST(SmallFileTest, ReplacesWholeFilesKeepingModeAndLinks)
{
    TempDir dir;
    const std::string path = dir / "new/deeper/file.txt";
    ASSERT_TRUE(WriteSmallFile(path, "one\n"));
    EXPECT_EQ(ModeOf(path), 0644u);
    EXPECT_EQ(ModeOf(dir / "new"), 0700u);

    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(WriteSmallFile(path, "two\n"));
    std::string contents;
    ASSERT_TRUE(ReadSmallFile(path, contents));
    EXPECT_EQ(contents, "two\n");
    EXPECT_EQ(ModeOf(path), 0600u);

    // A link (a list kept in a dotfiles folder) is written through and stays a link.
    const std::string link = dir / "link.txt";
    std::filesystem::create_symlink(path, link);
    ASSERT_TRUE(WriteSmallFile(link, "three\n"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    ASSERT_TRUE(ReadSmallFile(path, contents));
    EXPECT_EQ(contents, "three\n");
    EXPECT_TRUE(PathsNameSameFile(link, path));
    EXPECT_FALSE(PathsNameSameFile(path, dir / "missing"));

    // No temporary files are left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "new/deeper"), {}), 1);
}

TEST(SmallFileTest, FailuresAreReportedNotHidden)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "folder");
    std::string contents = "kept";
    EXPECT_FALSE(ReadSmallFile(dir / "missing", contents));
    EXPECT_EQ(contents, "kept");
    EXPECT_FALSE(WriteSmallFile(dir / "folder", "x"));
    EXPECT_FALSE(WriteSmallFile(dir.Write("plain", "x") + "/below", "x"));

    EXPECT_EQ(DeleteSmallFile(dir / "folder"), DeleteResult::Failed);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    const std::string file = dir.Write("gone", "x");
    EXPECT_EQ(DeleteSmallFile(file), DeleteResult::Deleted);
    EXPECT_EQ(DeleteSmallFile(file), DeleteResult::Absent);
    EXPECT_FALSE(SmallFileExists(file));
}

TEST(ProcessTest, HelperExitCodesAndAbsentHelpers)
{
    EXPECT_EQ(RunHelperProgram("true", {}), 0);
    EXPECT_EQ(RunHelperProgram("sh", { "-c", "exit 3" }), 3);
    EXPECT_EQ(RunHelperProgram("korvane-no-such-helper", { "x" }), kHelperNotFound);
    TempDir dir;
    ScopedEnvironment path("PATH", dir.Path().c_str());
    EXPECT_EQ(RunHelperProgram("true", {}), kHelperNotFound);
}

TEST(SystemInfoTest, ProgramPathAndKernelVersion)
{
    const std::string path = ExecutablePath("fallback");
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_TRUE(PathsNameSameFile(path, "/proc/self/exe"));
    int major = -1;
    int minor = -1;
    ASSERT_TRUE(KernelVersion(major, minor));
    EXPECT_GE(major, 2);
    EXPECT_GE(minor, 0);
}

} // namespace
