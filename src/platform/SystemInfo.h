#pragma once

#include <string>

// Who and where the program runs: names, the home folder, environment values,
// the temporary folder and the texts of system error codes.
class CSystemInfo {
public:
    // gethostname; empty when it fails.
    static std::string ComputerName();
    // The name of the effective user (getpwuid(geteuid())); empty when unknown.
    static std::string UserName();
    // HOME, else the password database's home folder.
    static std::string HomeFolder();
    // False when the variable is not set.
    static bool Environment(const std::string& name, std::string& value);
    // TMPDIR, else /tmp.
    static std::string TempPath();
    // The system's text of an errno value; false when it has none.
    static bool ErrorText(int code, std::string& text);
};
