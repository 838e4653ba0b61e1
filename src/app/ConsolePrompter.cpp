#include "app/ConsolePrompter.h"

#include "platform/Terminal.h"
#include "platform/TextCase.h"
#include "scan/PathFormat.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

struct Choice {
    const char* word;
    int answer;
};

std::vector<Choice> ChoicesOf(unsigned style)
{
    switch (style & MbButtonMask) {
    case MbOkCancel:
        return { { "OK", IdOk }, { "Cancel", IdCancel } };
    case MbAbortRetryIgnore:
        return { { "Abort", IdAbort }, { "Retry", IdRetry }, { "Ignore", IdIgnore } };
    case MbYesNoCancel:
        return { { "Yes", IdYes }, { "No", IdNo }, { "Cancel", IdCancel } };
    case MbYesNo:
        return { { "Yes", IdYes }, { "No", IdNo } };
    case MbRetryCancel:
        return { { "Retry", IdRetry }, { "Cancel", IdCancel } };
    default:
        return { { "OK", IdOk } };
    }
}

const char* WordOf(int answer)
{
    for (unsigned style : { MbAbortRetryIgnore, MbYesNoCancel, MbOkCancel }) {
        for (const Choice& choice : ChoicesOf(style)) {
            if (choice.answer == answer)
                return choice.word;
        }
    }
    return "OK";
}

const char* PrefixOf(unsigned style)
{
    switch (style & MbIconMask) {
    case MbIconError:
        return "Korvane: error: ";
    case MbIconWarning:
        return "Korvane: warning: ";
    default:
        return "Korvane: ";
    }
}

// The answer whose word starts like the reply ("y", "yes", "I"); 0 for none.
int Match(const std::vector<Choice>& choices, const std::string& reply)
{
    const std::string lower = CTextCase::Lower(reply);
    if (lower.empty())
        return 0;
    for (const Choice& choice : choices) {
        const std::string word = CTextCase::Lower(choice.word);
        if (word.compare(0, lower.size(), lower) == 0)
            return choice.answer;
    }
    return 0;
}

} // namespace

CConsolePrompter::CConsolePrompter()
    : CConsolePrompter(std::cin, std::cerr, CTerminal::InputIsTerminal())
{
}

CConsolePrompter::CConsolePrompter(std::istream& in, std::ostream& err, bool interactive)
    : m_in(in)
    , m_err(err)
    , m_interactive(interactive)
{
}

int CConsolePrompter::NonInteractiveAnswer(unsigned style)
{
    switch (style & MbButtonMask) {
    case MbOk:
        return IdOk;
    case MbAbortRetryIgnore:
        return IdIgnore;
    case MbYesNo:
        return IdNo;
    default:
        return IdCancel;
    }
}

int CConsolePrompter::MessageBox(const std::string& text, unsigned style)
{
    std::lock_guard lock(m_lock);
    // Messages carry file names, which may hold line breaks and terminal
    // control sequences: each message is one line, its own line breaks
    // escaped with the rest, so no name can begin a line that looks like
    // Korvane's own or drive the terminal.
    m_err << PrefixOf(style) << TerminalSafeText(text) << "\n";
    if ((style & MbButtonMask) == MbOk) {
        m_err.flush();
        return IdOk;
    }
    const int answer = m_interactive ? Ask(style) : 0;
    if (answer != 0)
        return answer;
    const int fallback = NonInteractiveAnswer(style);
    m_err << "Korvane: answered " << WordOf(fallback) << " (no one to ask)\n";
    m_err.flush();
    return fallback;
}

// Asks until a choice is given; 0 when the input ends.
int CConsolePrompter::Ask(unsigned style)
{
    const std::vector<Choice> choices = ChoicesOf(style);
    for (;;) {
        std::string line = "[";
        for (const Choice& choice : choices)
            line += std::string(line.size() > 1 ? "/" : "") + choice.word;
        m_err << line << "] ";
        m_err.flush();
        std::string reply;
        if (!std::getline(m_in, reply))
            return 0;
        if (const int answer = Match(choices, reply.substr(0, reply.find_last_not_of(" \r\t") + 1)))
            return answer;
    }
}

bool CConsolePrompter::AskFileName(const FileDialogRequest& request, std::string&)
{
    std::lock_guard lock(m_lock);
    m_err << "Korvane: " << request.title << ": no file chosen (Cancel)\n";
    m_err.flush();
    return false;
}
