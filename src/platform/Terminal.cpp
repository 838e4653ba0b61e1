#include "platform/Terminal.h"

#include <cstdlib>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool NonEmpty(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

bool CTerminal::InputIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

bool CTerminal::OutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

bool CTerminal::ErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

int CTerminal::ErrorColumns()
{
    winsize size {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
        return 80;
    return size.ws_col;
}

bool CTerminal::HasDisplay()
{
    return NonEmpty("DISPLAY") || NonEmpty("WAYLAND_DISPLAY");
}
