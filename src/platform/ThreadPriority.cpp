#include "platform/ThreadPriority.h"

#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

void CThreadPriority::LowerCurrentThread()
{
    // On Linux the nice value belongs to the thread named by its id.
    const pid_t thread = gettid();
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
    if (current == -1 && errno != 0)
        return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(thread), current + 1);
}
