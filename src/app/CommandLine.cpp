#include "app/CommandLine.h"

#include "StringTable.h"
#include "core/Prompter.h"
#include "core/Session.h"
#include "platform/TextCase.h"
#include "scan/PathFormat.h"

#include <cstddef>
#include <ostream>
#include <span>
#include <utility>

namespace {

constexpr std::pair<const char*, const char*> kSwitchHelp[] = {
    { "/f", "The file name of the session to load (.KVF)" },
    { "/s", "The name of the set to load from session file" },
    { "/a", "The name of the action to be executed (backup/restore)" },
    { "/e", "Execute the action specified for loaded session and set" },
    { "/q", "Ask user before executing action" },
    { "/c", "Display dialog after action has completed" },
    { "/d", "Set specified set and action as default for session file" },
    { "/g", "Ignore all errors that occur during action" },
    { "/v", "Verbose mode (display progress dialogs during action)" },
};

struct Named {
    std::string file, set, action;
    int count = 0;
};

bool SameText(const std::string& a, const std::string& b)
{
    return CTextCase::Lower(a) == CTextCase::Lower(b);
}

// A flag switch; false for anything else.
bool ReadFlag(const std::string& lower, CommandLineRequest& request)
{
    std::int32_t* flag = lower == "/e" ? &request.CmdExecute
        : lower == "/q"                ? &request.CmdAsk
        : lower == "/c"                ? &request.CmdNotifyDone
        : lower == "/d"                ? &request.CmdMakeDefault
        : lower == "/g"                ? &request.CmdIgnoreErrors
        : lower == "/v"                ? &request.CmdVerbose
        : lower == "/n"                ? &request.CmdDryRun
                                       : nullptr;
    if (flag)
        *flag = 1;
    return flag != nullptr;
}

void ReadSwitches(const std::vector<std::string>& args, CommandLineRequest& request, Named& named,
    std::vector<std::string>* others = nullptr)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string lower = CTextCase::Lower(args[i]);
        std::string* value = lower == "/f" ? &named.file
            : lower == "/s"                ? &named.set
            : lower == "/a"                ? &named.action
                                           : nullptr;
        if (value && i + 1 < args.size()) {
            *value = args[++i];
            ++named.count;
            continue;
        }
        if (!ReadFlag(lower, request) && others)
            others->push_back(args[i]);
    }
}

// The last set whose name matches wins; -1 when none does.
int FindSet(const CSession& session, const std::string& name)
{
    int found = -1;
    for (std::size_t i = 0; i < session.Sets.size(); ++i) {
        if (SameText(session.Sets[i].Name, name))
            found = static_cast<int>(i);
    }
    return found;
}

// 0 Backup, 1 Restore, -1 for any other word.
int ActionOf(const std::string& word)
{
    if (SameText(word, "backup"))
        return 0;
    if (SameText(word, "restore"))
        return 1;
    return -1;
}

int ShowError(CPrompter& prompter, int id, const std::string& argument)
{
    prompter.MessageBox(FormatString(LoadString(id).c_str(), argument.c_str()), MbOk | MbIconError);
    return 0;
}

// Opens the session file and picks the named set (the active one when no
// name is given); false when either fails, the reason shown.
bool OpenSet(CSession& session, CPrompter& prompter, const Named& named, CommandLineRequest& request)
{
    const int opened = session.OpenSession(prompter, &named.file);
    // The open reports its own refusals (-1); a plain failure would otherwise
    // end an unattended run without a word.
    if (opened < -1) {
        prompter.MessageBox(session.FailureMessage(57688), MbOk | MbIconError);
        return false;
    }
    if (opened != 0)
        return false;

    // Start-up runs on the session's own thread, which reads it directly.
    const auto valid
        = [&session](int index) { return index >= 0 && static_cast<std::size_t>(index) < session.Sets.size(); };
    request.CmdSetIndex = session.ActiveSet;
    if (!named.set.empty()) {
        request.CmdSetIndex = FindSet(session, named.set);
        if (request.CmdSetIndex < 0)
            return ShowError(prompter, 57726, named.set) != 0;
    }
    // An active set outside the list (an empty or hand-edited session) gives
    // no set to run; the run is refused rather than run on a wrong index.
    if (!valid(request.CmdSetIndex))
        return ShowError(prompter, 57732, named.file) != 0;
    return true;
}

} // namespace

std::span<const std::pair<const char*, const char*>> CommandLineSwitchHelp()
{
    return kSwitchHelp;
}

std::string CommandLineHelpText(const std::string& programName)
{
    std::string text = "Usage\n\n" + programName + " /f <file name> /s <set name> /a <action name> [options]\n\n";
    for (const auto& [name, help] : kSwitchHelp)
        text += std::string("  ") + name + "  " + help + "\n";
    return text;
}

int ParseCommandLine(const std::vector<std::string>& arguments, const std::string& programName, CSession& session,
    CPrompter& prompter, std::ostream& usage, CommandLineRequest& request)
{
    request = CommandLineRequest {};
    Named named;
    ReadSwitches(arguments, request, named);
    // The help is the program's own text in lines of its own; a message
    // goes out as one line, and the help would not read as one.
    if (named.count != 3) {
        usage << CommandLineHelpText(programName);
        usage.flush();
        return 0;
    }
    // A mistyped action word used to run the set's stored action, which may
    // be a restore over newer work; it is a wrong call like a missing switch.
    const int action = ActionOf(named.action);
    if (action < 0) {
        prompter.MessageBox(FormatString("Unknown action name '%s'.", named.action.c_str()), MbOk | MbIconError);
        usage << "\n" << CommandLineHelpText(programName);
        usage.flush();
        return 0;
    }
    if (!OpenSet(session, prompter, named, request))
        return 0;
    request.CmdAction = action;
    request.CmdRun = 1;
    return 1;
}

int ParseVersionCommand(const std::vector<std::string>& arguments, const std::string& restorePath,
    const std::string& programName, CSession& session, CPrompter& prompter, std::ostream& usage,
    CommandLineRequest& request)
{
    request = CommandLineRequest {};
    Named named;
    std::vector<std::string> others;
    ReadSwitches(arguments, request, named, &others);
    const bool restoring = !restorePath.empty();
    // The list takes at most one PATH; a restore names its path in its option.
    if (named.count != 2 || named.file.empty() || !named.action.empty() || others.size() > (restoring ? 0u : 1u)) {
        usage << "Usage: " << programName << " --file=FILE --set=NAME --versions [--null] [PATH]\n"
              << "  or:  " << programName << " --file=FILE --set=NAME --restore-version=PATH [OPTION]...\n";
        usage.flush();
        return 0;
    }
    if (!OpenSet(session, prompter, named, request))
        return 0;
    request.CmdVersions = restoring ? 2 : 1;
    request.CmdVersionPath = restoring ? restorePath : others.empty() ? std::string() : others.front();
    return 1;
}
