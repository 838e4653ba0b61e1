#pragma once

#include <string>
#include <vector>

// A run of the built program (or of a copy of it) to its end, in the test's
// scratch environment without a display, stopped by ptrace in the moment it
// exits so that everything it ever mapped can be read.
struct TracedRun {
    bool traced = false; // false when this system does not let a test trace its child
    int status = -1; // exit status, or -1 when it did not exit normally
    std::string output; // standard output and standard error together
    std::string mapsAtExit; // /proc/PID/maps as the program exits

    // environment: NAME=value settings added to the child's.
    static TracedRun Run(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {},
        const std::string& program = KORVANE_BIN);

    bool Maps(const std::string& fileName) const;
};
