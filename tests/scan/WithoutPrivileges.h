#pragma once

#include <functional>
#include <sys/capability.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs body in a forked child that has given up every capability, so
// permission bits bind even though the tests run as root. Returns the
// child's exit code (body's result), or -1 when the child did not exit.
inline int RunWithoutPrivileges(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0) {
        cap_t none = cap_init();
        const int dropped = none ? cap_set_proc(none) : -1;
        if (none)
            cap_free(none);
        _exit(dropped == 0 ? body() : 99);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
