#include "app/LongOptions.h"

#include "app/CommandLine.h"

#include <algorithm>
#include <cstddef>

namespace {

struct LongOption {
    const char* name;
    const char* slash; // nullptr: handled here (--help, --version)
    bool takesValue;
};

const LongOption kOptions[] = {
    { "file", "/f", true },
    { "set", "/s", true },
    { "action", "/a", true },
    { "execute", "/e", false },
    { "ask", "/q", false },
    { "notify", "/c", false },
    { "make-default", "/d", false },
    { "ignore-errors", "/g", false },
    { "verbose", "/v", false },
    { "scheduler", "/i", false },
    { "dry-run", "/n", false },
    { "help", nullptr, false },
    { "version", nullptr, false },
    { "null", nullptr, false },
    { "versions", nullptr, false },
    { "restore-version", nullptr, true },
    { "at", nullptr, true },
    { "to", nullptr, true },
};

const LongOption* Find(const std::string& name)
{
    for (const LongOption& option : kOptions) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

const LongOption* FindSlash(const std::string& slash)
{
    for (const LongOption& option : kOptions) {
        if (option.slash && slash == option.slash)
            return &option;
    }
    return nullptr;
}

// "  /f, --file=FILE" padded to the help column.
std::string OptionColumn(const std::string& slash, const std::string& name, const char* value)
{
    std::string column = "  " + (slash.empty() ? std::string("    ") : slash + ", ") + "--" + name;
    if (value)
        column += std::string("=") + value;
    column.resize(std::max<std::size_t>(column.size() + 2, 28), ' ');
    return column;
}

const char* ValueName(const std::string& name)
{
    return name == "file" ? "FILE" : name == "set" ? "NAME" : name == "action" ? "ACTION" : nullptr;
}

// The value of an option that stands for no slash switch.
std::string& ValueOf(const std::string& name, LongOptions& result)
{
    return name == "restore-version" ? result.restoreVersion : name == "at" ? result.at : result.to;
}

// The option's value, after its '=' or in the next argument.
bool TakeValue(const std::vector<std::string>& arguments, std::size_t& i, const std::string& name, std::size_t equals,
    std::string& value, LongOptions& result)
{
    const std::string& argument = arguments[i];
    if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
        return true;
    }
    if (i + 1 >= arguments.size()) {
        result.error = "option '--" + name + "' requires an argument";
        return false;
    }
    value = arguments[++i];
    return true;
}

// Takes one long option starting at arguments[i]; false with result.error
// set when it is wrong. i is left on the last argument used.
bool TakeOption(const std::vector<std::string>& arguments, std::size_t& i, LongOptions& result)
{
    const std::string& argument = arguments[i];
    const std::size_t equals = argument.find('=');
    const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const LongOption* option = Find(name);
    if (!option) {
        result.error = "unrecognized option '--" + name + "'";
        return false;
    }
    if (!option->takesValue && equals != std::string::npos) {
        result.error = "option '--" + name + "' doesn't allow an argument";
        return false;
    }
    if (!option->slash && !option->takesValue) {
        (name == "help"              ? result.help
                : name == "version"  ? result.version
                : name == "versions" ? result.versions
                                     : result.nullSeparated)
            = true;
        return true;
    }
    if (!option->slash)
        return TakeValue(arguments, i, name, equals, ValueOf(name, result), result);
    result.arguments.emplace_back(option->slash);
    if (!option->takesValue)
        return true;
    result.arguments.emplace_back();
    return TakeValue(arguments, i, name, equals, result.arguments.back(), result);
}

// The slash switches that take the next argument as their value, so a value
// such as "--set --verbose" stays a value, as it would after /s.
bool TakesValue(const std::string& argument)
{
    if (argument.size() != 2 || argument[0] != '/')
        return false;
    const char c = static_cast<char>(argument[1] | 0x20);
    return c == 'f' || c == 's' || c == 'a';
}

} // namespace

LongOptions LongOptions::Translate(const std::vector<std::string>& arguments)
{
    LongOptions result;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            result.arguments.insert(
                result.arguments.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
            break;
        }
        if (argument.size() > 2 && argument.compare(0, 2, "--") == 0) {
            if (!TakeOption(arguments, i, result))
                return result;
            continue;
        }
        result.arguments.push_back(argument);
        if (TakesValue(argument) && i + 1 < arguments.size())
            result.arguments.push_back(arguments[++i]);
    }
    return result;
}

std::string LongOptions::HelpText(const std::string& programName)
{
    const std::string& p = programName;
    std::string text = "Usage: " + p + " [SESSION-FILE]\n" + "  or:  " + p
        + " --file=FILE --set=NAME --action=ACTION [OPTION]...\n" + "  or:  " + p
        + " --file=FILE --set=NAME --versions [--null] [PATH]\n" + "  or:  " + p
        + " --file=FILE --set=NAME --restore-version=PATH [OPTION]...\n" + "  or:  " + p
        + " /f <file name> /s <set name> /a <action name> [options]\n" + "  or:  " + p + " --scheduler\n"
        + "Keep backup copies of folders up to date, and restore them.\n\n"
        + "Without options the main window opens, with SESSION-FILE loaded when one is\n"
        + "given. With a file, a set and an action, the set runs without any window.\n\n"
        + "Mandatory arguments to long options are mandatory for the slash switches too.\n";
    for (const auto& [slash, help] : CommandLineSwitchHelp()) {
        const LongOption* option = FindSlash(slash);
        if (option)
            text += OptionColumn(slash, option->name, ValueName(option->name)) + help + "\n";
    }
    text += OptionColumn("/n", "dry-run", nullptr) + "Print what the action would do, and change nothing\n";
    text += OptionColumn("", "null", nullptr) + "End each line of --dry-run or --versions with a NUL byte\n";
    text += OptionColumn("", "versions", nullptr) + "List the set's versions (below PATH if given)\n";
    text += OptionColumn("", "restore-version", "PATH") + "Restore the newest version of PATH (see --at)\n";
    text += OptionColumn("", "at", "TIME") + "With --restore-version: set aside at or before TIME\n";
    text += OptionColumn("", "to", "DIR") + "With --restore-version: restore into DIR instead\n";
    text += OptionColumn("/i", "scheduler", nullptr) + "Run the scheduler (without a display: until stopped)\n";
    text += OptionColumn("", "help", nullptr) + "display this help and exit\n";
    text += OptionColumn("", "version", nullptr) + "output version information and exit\n";
    text += "\nACTION is backup or restore. --scheduler and /i are given alone.\n"
            "\n--dry-run scans both sides and prints, one a line, each folder to create\n"
            "(+ PATH/), file to add (+ SIZE PATH) or update (~ SIZE PATH) and file or\n"
            "folder to delete (- PATH, - PATH/), then the counts a run would log. Nothing\n"
            "is written, not even the log; the exit status is the run's.\n"
            "\n--versions needs --file and --set, not --action. It prints, one a line, each\n"
            "version of the set's files (below PATH when given): the time it was set\n"
            "aside (YYYY-MM-DD HH:MM:SS), its size in bytes and the whole path of its\n"
            "place in the source folder. --restore-version=PATH copies the newest version\n"
            "of PATH set aside at or before --at=\"YYYY-MM-DD HH:MM:SS\" (without --at:\n"
            "the newest) back to that place, or below DIR with --to; what it replaces\n"
            "goes to the trash. Exit status 1 when no such version exists.\n"
            "\nExit status:\n"
            " 0  completed without errors (or, without --execute, nothing to run)\n"
            " 1  completed, but some items failed and were passed over\n"
            " 2  wrong call, or the session or set could not be opened\n"
            " 3  cancelled or not run (backup medium missing, another run active,\n"
            "    --ask answered No, SIGINT/SIGTERM)\n"
            "\nFull documentation: man korvane\n";
    return text;
}

std::string LongOptions::VersionText(const std::string& programName)
{
    return programName + " " KORVANE_VERSION "\nKorvane, a folder backup tool, by Zellik Software.\n";
}
