#pragma once

#include <string>
#include <vector>

// Runs the built korvane in the test's scratch environment (HOME and the XDG
// folders of tests/common, no display), with standard input from a pipe.
struct ProgramRun {
    int status = -1; // exit status, or -1 when it did not exit normally
    std::string output; // standard output and standard error together (RunSplit: standard error)
    std::string standardOutput; // RunSplit only

    static ProgramRun Run(const std::vector<std::string>& arguments, const std::string& input = {});
    // Keeps standard output apart from standard error.
    static ProgramRun RunSplit(const std::vector<std::string>& arguments);
};

// Writes a session file holding one set, of one entry over source and
// backup (all files, with subfolders); false when it could not be written.
bool WriteOneSetSession(
    const std::string& path, const std::string& setName, const std::string& source, const std::string& backup);

// A program started in the background, for runs that wait for a signal.
class BackgroundProgram {
public:
    explicit BackgroundProgram(const std::vector<std::string>& arguments);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    // Reads output until it contains text; false when the program ended first.
    bool WaitForOutput(const std::string& text);
    // Waits until fd can be read, taking in output meanwhile; false when the
    // program ended first.
    bool WaitForReadable(int fd);
    void Signal(int signal);
    // Waits for the end; the exit status or -1.
    int Wait();
    const std::string& Output() const { return m_output; }
    int Pid() const { return m_pid; }

private:
    int m_pid = -1;
    int m_fd = -1;
    std::string m_output;
};

// Points the program's web requests (the weekly update check of a windowed
// start) at a closed port of the loopback address, so no test reaches out.
void KeepWebRequestsOnLoopback();
