#include "platform/Process.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Discards the helper's output and input, so a chatty helper cannot block on
// a full pipe or scribble over a console run.
bool SilenceStandardStreams(posix_spawn_file_actions_t& actions)
{
    for (int fd = 0; fd <= 2; ++fd) {
        const int flags = fd == 0 ? O_RDONLY : O_WRONLY;
        if (posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", flags, 0) != 0)
            return false;
    }
    return true;
}

int WaitFor(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -2;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

} // namespace

int RunHelperProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return kHelperNotFound;
    pid_t pid = 0;
    int result = SilenceStandardStreams(actions) ? 0 : -1;
    if (result == 0)
        result = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0)
        return kHelperNotFound;
    // glibc reports a failed exec as exit code 127 of the child.
    const int code = WaitFor(pid);
    return code == 127 ? kHelperNotFound : code;
}
