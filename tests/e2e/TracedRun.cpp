#include "TracedRun.h"

#include "common/TempDir.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

[[noreturn]] void ExecTraced(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
    const std::string& program, int output)
{
    const int input = open("/dev/null", O_RDONLY);
    dup2(input, 0);
    dup2(output, 1);
    dup2(output, 2);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    // LeakSanitizer stops the world with ptrace at exit, which cannot attach
    // to a program that is traced already.
    const char* asan = getenv("ASAN_OPTIONS");
    setenv("ASAN_OPTIONS", (std::string(asan != nullptr ? asan : "") + ":detect_leaks=0").c_str(), 1);
    for (const std::string& setting : environment)
        putenv(const_cast<char*>(setting.c_str()));
    std::vector<char*> argv { const_cast<char*>(program.c_str()) };
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
        _exit(126);
    execv(program.c_str(), argv.data());
    _exit(127);
}

bool IsExitEvent(int status)
{
    return WIFSTOPPED(status) && (status >> 8) == (SIGTRAP | (PTRACE_EVENT_EXIT << 8));
}

} // namespace

TracedRun TracedRun::Run(
    const std::vector<std::string>& arguments, const std::vector<std::string>& environment, const std::string& program)
{
    TracedRun run;
    TempDir tmp;
    const std::string outputPath = tmp / "output";
    const int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const pid_t pid = fork();
    if (pid == 0)
        ExecTraced(arguments, environment, program, output);
    close(output);
    int status = 0;
    // The first stop is the exec; from there on the exit is reported too.
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFSTOPPED(status))
        return run;
    run.traced = ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL) == 0;
    ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    while (waitpid(pid, &status, 0) == pid && WIFSTOPPED(status)) {
        int forward = 0;
        if (IsExitEvent(status))
            run.mapsAtExit = TempDir::Read("/proc/" + std::to_string(pid) + "/maps");
        else if (WSTOPSIG(status) != SIGTRAP)
            forward = WSTOPSIG(status);
        ptrace(PTRACE_CONT, pid, nullptr, forward);
    }
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.traced = run.traced && !run.mapsAtExit.empty();
    run.output = TempDir::Read(outputPath);
    return run;
}

bool TracedRun::Maps(const std::string& fileName) const
{
    return mapsAtExit.find("/" + fileName) != std::string::npos;
}
