#pragma once

#include "app/CommandLineRequest.h"

#include <iosfwd>
#include <span>
#include <string>
#include <utility>
#include <vector>

class CPrompter;
class CSession;

// The "Commandline Help" text: the "Usage" heading, the call line with the
// program's name and one line per switch.
std::string CommandLineHelpText(const std::string& programName);
// The switches and their help texts, in the order the help lists them.
std::span<const std::pair<const char*, const char*>> CommandLineSwitchHelp();

// Reads the switches of a command-line run (arguments without the program
// name), opens the session file and picks the set and action. Returns
// non-zero to continue start-up, 0 to end the program: the help was written
// to usage (a wrong call: not exactly one /f, /s and /a, or an action word
// other than backup or restore), or the session or set could not be opened
// (a message was shown). request is cleared first.
int ParseCommandLine(const std::vector<std::string>& arguments, const std::string& programName, CSession& session,
    CPrompter& prompter, std::ostream& usage, CommandLineRequest& request);

// The same for --versions and --restore-version (restorePath, empty for the
// list): exactly /f and /s, no /a, and for the list at most one PATH, which
// goes to request.CmdVersionPath. Sets request.CmdVersions.
int ParseVersionCommand(const std::vector<std::string>& arguments, const std::string& restorePath,
    const std::string& programName, CSession& session, CPrompter& prompter, std::ostream& usage,
    CommandLineRequest& request);
