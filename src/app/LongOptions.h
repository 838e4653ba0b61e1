#pragma once

#include <string>
#include <vector>

// The GNU-style spelling of the command line: every long option stands for
// one slash switch and means exactly the same thing, so the slash switches'
// parser is the only one that gives them meaning.
//   --file=FILE /f   --set=NAME /s   --action=ACTION /a   --execute /e
//   --ask /q   --notify /c   --make-default /d   --ignore-errors /g
//   --verbose /v   --scheduler /i   --dry-run /n
// plus --help and --version, which need no session, --null, which only
// says how a dry run or a version list ends its lines, and the version
// commands (--versions, --restore-version, --at, --to). A value is taken as it
// is ("--file=/e" and "--file /e" name a file called /e); after "--" every
// argument is taken as it is.
struct LongOptions {
    // The arguments with every long option replaced by its slash switch
    // (and its value); slash switches and values pass unchanged.
    std::vector<std::string> arguments;
    bool help = false;
    bool version = false;
    bool nullSeparated = false; // --null
    // The version commands, which stand for no slash switch: --versions
    // lists, --restore-version=PATH restores (--at=TIME, --to=DIR).
    bool versions = false;
    std::string restoreVersion;
    std::string at;
    std::string to;
    // A wrong long option ("unrecognized option '--x'"); empty when none.
    std::string error;

    static LongOptions Translate(const std::vector<std::string>& arguments);

    // The usage in the GNU layout, for --help: the call forms, every option
    // beside its slash switch with the switch's own help text, and the exit
    // statuses.
    static std::string HelpText(const std::string& programName);
    // "korvane 1.4" and a line on where the program comes from, for --version.
    static std::string VersionText(const std::string& programName);
};
