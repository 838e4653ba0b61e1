#pragma once

#include <string>

// Full path of the running program file, from /proc/self/exe; fallback (the
// program's argument zero) when that cannot be read.
std::string ExecutablePath(const std::string& fallback = {});

// Major and minor number of the running kernel (uname); false, leaving both
// untouched, when the release text does not start with them.
bool KernelVersion(int& major, int& minor);
