#include "ProgramRun.h"
#include "app/ShellIntegration.h"
#include "platform/MyRegistry.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Starts korvane with windows, on the offscreen platform, in the test's
// scratch home; its output is dropped.
pid_t StartWindowed(const std::vector<std::string>& arguments)
{
    KeepWebRequestsOnLoopback();
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<char*> argv { const_cast<char*>(KORVANE_BIN) };
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    setenv("DISPLAY", ":korvane-test", 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execv(KORVANE_BIN, argv.data());
    _exit(127);
}

int ExitStatus(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool StillRunning(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
}

// Two starts at the same moment: one becomes the window, the other waits for
// the start-up lock, hands over and ends; a later start does the same.
TEST(SingleInstance, TwoStartsAtTheSameMomentEndWithOneWindow)
{
    {
        // Past the first-run question, which would hold the first start.
        CMyRegistry registry;
        registry.CreateKey("Info");
        registry.WriteString("Version", kProgramVersion);
    }
    const pid_t one = StartWindowed({});
    const pid_t two = StartWindowed({});
    ASSERT_GT(one, 0);
    ASSERT_GT(two, 0);
    int status = 0;
    const pid_t ended = waitpid(-1, &status, 0);
    ASSERT_TRUE(ended == one || ended == two);
    EXPECT_EQ(ExitStatus(status), 0);
    const pid_t window = ended == one ? two : one;
    EXPECT_TRUE(StillRunning(window));

    // The automatic start and a long option only bring it forward.
    for (const char* argument : { "/i", "--scheduler" }) {
        const pid_t later = StartWindowed({ argument });
        ASSERT_EQ(waitpid(later, &status, 0), later);
        EXPECT_EQ(ExitStatus(status), 0) << argument;
        EXPECT_TRUE(StillRunning(window));
    }

    kill(window, SIGTERM);
    ASSERT_EQ(waitpid(window, &status, 0), window);
    EXPECT_EQ(ExitStatus(status), 0);
}

} // namespace
