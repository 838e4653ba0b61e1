#include "ProgramRun.h"

#include "core/Session.h"
#include "core/SessionFile.h"
#include "platform/MyRegistry.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Starts the program with stdout and stderr on one pipe and stdin on
// another; stdout goes to stdoutFd instead when that is given.
int Spawn(const std::vector<std::string>& arguments, int& outFd, int& inFd, int stdoutFd = -1)
{
    int out[2];
    int in[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(stdoutFd >= 0 ? stdoutFd : out[1], 1);
        dup2(out[1], 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(KORVANE_BIN));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        execv(KORVANE_BIN, argv.data());
        _exit(127);
    }
    close(out[1]);
    close(in[0]);
    outFd = out[0];
    inFd = in[1];
    return pid;
}

int StatusOf(int pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ReadSome(int fd, std::string& into)
{
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0)
        return false;
    into.append(buffer, static_cast<std::size_t>(n));
    return true;
}

} // namespace

ProgramRun ProgramRun::Run(const std::vector<std::string>& arguments, const std::string& input)
{
    ProgramRun run;
    int outFd = -1;
    int inFd = -1;
    const int pid = Spawn(arguments, outFd, inFd);
    if (pid < 0)
        return run;
    if (!input.empty())
        (void)!write(inFd, input.data(), input.size());
    close(inFd);
    while (ReadSome(outFd, run.output)) { }
    close(outFd);
    run.status = StatusOf(pid);
    return run;
}

ProgramRun ProgramRun::RunSplit(const std::vector<std::string>& arguments)
{
    ProgramRun run;
    // A file rather than a second pipe: nothing to interleave, no deadlock.
    const int stdoutFd = memfd_create("korvane-stdout", 0);
    int outFd = -1;
    int inFd = -1;
    const int pid = stdoutFd < 0 ? -1 : Spawn(arguments, outFd, inFd, stdoutFd);
    if (pid < 0)
        return run;
    close(inFd);
    while (ReadSome(outFd, run.output)) { }
    close(outFd);
    run.status = StatusOf(pid);
    lseek(stdoutFd, 0, SEEK_SET);
    while (ReadSome(stdoutFd, run.standardOutput)) { }
    close(stdoutFd);
    return run;
}

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& arguments)
{
    int inFd = -1;
    m_pid = Spawn(arguments, m_fd, inFd);
    close(inFd);
}

BackgroundProgram::~BackgroundProgram()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        StatusOf(m_pid);
    }
    if (m_fd >= 0)
        close(m_fd);
}

bool BackgroundProgram::WaitForOutput(const std::string& text)
{
    while (m_output.find(text) == std::string::npos) {
        if (!ReadSome(m_fd, m_output))
            return false;
    }
    return true;
}

bool BackgroundProgram::WaitForReadable(int fd)
{
    for (;;) {
        pollfd fds[2] = { { fd, POLLIN, 0 }, { m_fd, POLLIN, 0 } };
        if (poll(fds, 2, -1) < 0)
            return false;
        if (fds[0].revents & POLLIN)
            return true;
        if (fds[1].revents && !ReadSome(m_fd, m_output))
            return false;
    }
}

void BackgroundProgram::Signal(int signal)
{
    if (m_pid > 0)
        kill(m_pid, signal);
}

int BackgroundProgram::Wait()
{
    while (ReadSome(m_fd, m_output)) { }
    const int status = StatusOf(m_pid);
    m_pid = -1;
    return status;
}

bool WriteOneSetSession(
    const std::string& path, const std::string& setName, const std::string& source, const std::string& backup)
{
    CSession session;
    CSet& set = session.Sets.emplace_back();
    set.Name = setName;
    CBackup& entry = set.Entries.emplace_back();
    entry.SourceFolder = source;
    entry.DestinationFolder = backup;
    entry.IncludeFiles = "*.*";
    return CSessionFile::Write(path, CSessionFile::BuildDocument(session)) == 0;
}

void KeepWebRequestsOnLoopback()
{
    CMyRegistry registry;
    registry.CreateKey("Settings\\General");
    registry.WriteString("WebServer", "https://127.0.0.1:9");
}
