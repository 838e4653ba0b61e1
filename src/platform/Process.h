#pragma once

#include <string>
#include <vector>

// Exit code of a helper program that could not be started (not installed,
// not executable).
inline constexpr int kHelperNotFound = -1;

// Runs a helper program found through PATH with the given arguments, no
// shell in between, its output discarded, and waits for it. Returns its exit
// code, kHelperNotFound when it cannot be started, or -2 when it ended on a
// signal. Optional desktop helpers are run this way, so their absence is
// never an error.
int RunHelperProgram(const std::string& program, const std::vector<std::string>& arguments);
