#pragma once

#include <functional>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs body in a forked child with a mount namespace of its own, so a test
// can mount file systems in its scratch folder without touching the
// machine's mounts. Returns the child's exit code (body's result), or
// kNoPrivateMounts when the machine refuses a namespace.
constexpr int kNoPrivateMounts = 77;

inline int RunInPrivateMounts(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            _exit(kNoPrivateMounts);
        _exit(body());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Mounts a file system of type at folder inside RunInPrivateMounts' body.
inline bool MountAt(const std::string& type, const std::string& folder, const char* options = nullptr)
{
    return mount(type.c_str(), folder.c_str(), type.c_str(), 0, options) == 0;
}
