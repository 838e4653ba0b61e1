#pragma once

#include <functional>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Another user of the machine (nobody's ids), for files that someone else
// put in a shared folder first.
constexpr uid_t kOtherUser = 65534;

// Runs body in a forked child that has become kOtherUser, with folder (which
// that user must be able to write, as a sticky /tmp) as its working folder,
// so body works with names relative to it whatever the folders above allow.
// Returns the child's exit code (body's result), or -1 when the child did not
// exit or could not change user.
inline int RunAsOtherUser(const std::string& folder, const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0) {
        const bool changed = chdir(folder.c_str()) == 0 && setgroups(0, nullptr) == 0 && setgid(kOtherUser) == 0
            && setuid(kOtherUser) == 0;
        _exit(changed ? body() : 98);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
