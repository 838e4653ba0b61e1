#pragma once

#include <string>

// Name of this computer (gethostname); empty when the system gives none.
std::string ComputerName();

// Login name of the effective user (getpwuid(geteuid())); the numeric user id
// as text when the user database has no entry for it.
std::string UserName();
