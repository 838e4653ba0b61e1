#include "ProgramRun.h"
#include "TracedRun.h"
#include "app/ShellIntegration.h"
#include "common/TempDir.h"
#include "platform/MyRegistry.h"

#include <csignal>
#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <zlib.h>

namespace fs = std::filesystem;

namespace {

// What windows need and a windowless run must never load: the windows'
// library and the Qt libraries that only it links; and what only a mail over
// TLS, the keyring or logind's power-off need, which no run loads before it
// uses them.
const char* const kWindowLibraries[]
    = { "libkorvane-windows.so", "libQt6Widgets.so", "libQt6Gui.so", "libQt6Svg.so", "libQt6Network.so" };
const char* const kTlsLibraries[] = { "libkorvane-tls.so", "libssl.so", "libcrypto.so" };
const char* const kDesktopLibraries[]
    = { "libkorvane-desktop.so", "libqt6keychain.so", "libQt6DBus.so", "libdbus-1.so", "libsystemd.so" };

template <std::size_t N> void ExpectNotMapped(const std::string& maps, const char* const (&libraries)[N])
{
    for (const char* library : libraries)
        EXPECT_EQ(maps.find(std::string("/") + library), std::string::npos) << library << " is mapped:\n" << maps;
}

void ExpectNoLibraryOfOtherRuns(const std::string& maps)
{
    ExpectNotMapped(maps, kWindowLibraries);
    ExpectNotMapped(maps, kTlsLibraries);
    ExpectNotMapped(maps, kDesktopLibraries);
}

class WindowsLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tmp.Write("src/a.txt", "alpha");
        ASSERT_TRUE(WriteOneSetSession(SessionPath(), "Docs", tmp / "src", tmp / "dest"));
        CMyRegistry registry;
        // Past the first-run question of a windowed start.
        registry.CreateKey("Info");
        registry.WriteString("Version", kProgramVersion);
        registry.WriteString("LastSession", SessionPath());
        KeepWebRequestsOnLoopback();
    }

    std::string SessionPath() const { return tmp / "work.kvf"; }
    std::vector<std::string> BackupCall() const { return { "/f", SessionPath(), "/s", "Docs", "/a", "backup", "/e" }; }

    // The program alone in a folder of its own, without its windows' library.
    std::string LoneProgram() const
    {
        const std::string copy = tmp / "lone/korvane";
        fs::create_directories(tmp / "lone");
        fs::copy_file(KORVANE_BIN, copy);
        return copy;
    }

    static void SkipUntraced(const TracedRun& run)
    {
        if (!run.traced)
            GTEST_SKIP() << "this system does not let a test trace its child (ptrace); status " << run.status;
    }

    TempDir tmp;
};

// Also where a display exists: a command-line run keeps to standard error.
TEST_F(WindowsLibraryTest, ACommandLineRunNeverMapsTheWindowLibraries)
{
    const TracedRun run = TracedRun::Run(BackupCall(), { "DISPLAY=:korvane-test", "QT_QPA_PLATFORM=offscreen" });
    SkipUntraced(run);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/a.txt"), "alpha");
    EXPECT_TRUE(run.Maps("libQt6Core.so.6")) << run.mapsAtExit;
    ExpectNoLibraryOfOtherRuns(run.mapsAtExit);
}

TEST_F(WindowsLibraryTest, TheSchedulerWithoutDisplayNeverMapsTheWindowLibraries)
{
    BackgroundProgram program({ "/i" });
    ASSERT_TRUE(program.WaitForOutput("scheduler running")) << program.Output();
    const std::string maps = TempDir::Read("/proc/" + std::to_string(program.Pid()) + "/maps");
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0) << program.Output();
    EXPECT_NE(maps.find("/libQt6Core.so.6"), std::string::npos) << maps;
    ExpectNoLibraryOfOtherRuns(maps);
}

// The windowed start loads the library from beside the program in the build
// tree, opens the main window and runs the session's set through it.
TEST_F(WindowsLibraryTest, AWindowedStartLoadsTheLibraryAndRunsItsMainWindow)
{
    const TracedRun run = TracedRun::Run(
        { SessionPath() }, { "DISPLAY=:korvane-test", "QT_QPA_PLATFORM=offscreen", "KORVANE_TEST_DRIVE=1" });
    SkipUntraced(run);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("run finished: 0"), std::string::npos) << run.output;
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/a.txt"), "alpha");
    const std::string beside = (fs::path(KORVANE_BIN).parent_path() / "libkorvane-windows.so").string();
    EXPECT_NE(run.mapsAtExit.find(beside), std::string::npos) << run.mapsAtExit;
    EXPECT_TRUE(run.Maps("libQt6Widgets.so.6")) << run.mapsAtExit;
}

// Without its library the program still runs every windowless run; a start
// that wants windows names the library and the loader's reason and fails.
TEST_F(WindowsLibraryTest, AMissingLibraryIsNamedAndOnlyRunsThatShowWindowsFail)
{
    const std::string program = LoneProgram();
    const TracedRun backup = TracedRun::Run(BackupCall(), {}, program);
    EXPECT_EQ(backup.status, 0) << backup.output;
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/a.txt"), "alpha");

    const TracedRun windowed
        = TracedRun::Run({ SessionPath() }, { "DISPLAY=:korvane-test", "QT_QPA_PLATFORM=offscreen" }, program);
    EXPECT_EQ(windowed.status, 3) << windowed.output;
    EXPECT_NE(windowed.output.find("Korvane: the windows cannot be shown: "), std::string::npos) << windowed.output;
    EXPECT_NE(windowed.output.find("libkorvane-windows.so: cannot open shared object file"), std::string::npos)
        << windowed.output;
    ExpectNoLibraryOfOtherRuns(windowed.mapsAtExit);
}

// A file in the library's place that is not the library: not an object at
// all, or an object without the windows' entry point.
TEST_F(WindowsLibraryTest, ALibraryThatDoesNotLoadIsNamedWithTheLoadersReason)
{
    const std::string program = LoneProgram();
    const std::string library = tmp / "lone/libkorvane-windows.so";
    const std::vector<std::string> windowed { "DISPLAY=:korvane-test", "QT_QPA_PLATFORM=offscreen" };
    tmp.Write("lone/libkorvane-windows.so", "not an object");
    TracedRun run = TracedRun::Run({ SessionPath() }, windowed, program);
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_NE(run.output.find("Korvane: the windows cannot be shown: " + library + ": "), std::string::npos)
        << run.output;

    Dl_info zlib {};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&crc32), &zlib), 0);
    fs::copy_file(zlib.dli_fname, library, fs::copy_options::overwrite_existing);
    run = TracedRun::Run({ SessionPath() }, windowed, program);
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_NE(run.output.find("undefined symbol: KorvaneWindowHooks"), std::string::npos) << run.output;
}

} // namespace
