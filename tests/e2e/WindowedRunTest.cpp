#include "ProgramRun.h"
#include "app/ShellIntegration.h"
#include "common/TempDir.h"
#include "core/Session.h"
#include "core/SessionFile.h"
#include "platform/MyRegistry.h"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The built korvane with its windows on the offscreen platform, opening a
// session and driven by its test hook: Execute, Continue, the summary's OK.
TEST(WindowedRun, ABackupRunsToItsSummaryAndTheBackupHoldsTheFiles)
{
    TempDir tmp;
    tmp.Write("src/a.txt", "alpha");
    tmp.Write("src/sub/b.txt", "beta");
    {
        // Past the first-run question.
        CMyRegistry registry;
        registry.CreateKey("Info");
        registry.WriteString("Version", kProgramVersion);
    }
    KeepWebRequestsOnLoopback();
    CSession session;
    CSet& set = session.Sets.emplace_back();
    set.Name = "Docs";
    CBackup& entry = set.Entries.emplace_back();
    entry.SourceFolder = tmp / "src";
    entry.DestinationFolder = tmp / "dest";
    entry.IncludeFiles = "*.*";
    const std::string sessionPath = tmp / "work.kvf";
    ASSERT_EQ(CSessionFile::Write(sessionPath, CSessionFile::BuildDocument(session)), 0);

    const std::string outputPath = tmp / "output.txt";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(out, 2);
        setenv("DISPLAY", ":korvane-test", 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("KORVANE_TEST_DRIVE", "1", 1);
        execl(KORVANE_BIN, KORVANE_BIN, sessionPath.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    const std::string output = TempDir::Read(outputPath);
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), 0) << output;
    EXPECT_NE(output.find("Backup Summary\n2 files, "), std::string::npos) << output;
    EXPECT_NE(output.find("run finished: 0"), std::string::npos) << output;
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/a.txt"), "alpha");
    EXPECT_EQ(TempDir::Read(tmp / "dest/src/sub/b.txt"), "beta");
}

} // namespace
