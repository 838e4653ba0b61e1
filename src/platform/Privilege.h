#pragma once

#include <string>

// Switches a privilege on or off for the calling thread. The one privilege
// the program asks for, "SeSecurityPrivilege" (needed to carry file security
// over), is the CAP_CHOWN capability in the effective set; enabling fails
// when the thread does not hold it in its permitted set. Other names fail.
bool EnablePrivilege(const std::string& name, bool enable);
