#pragma once

#include "core/Prompter.h"

#include <iosfwd>
#include <mutex>

// The prompter of a run without windows. Every text goes to standard error.
// On a terminal the question is asked there; otherwise (cron, a service,
// input from a pipe) each question takes its non-interactive answer:
// Abort/Retry/Ignore -> Ignore, OK/Cancel -> Cancel, Yes/No -> No,
// Yes/No/Cancel -> Cancel, Retry/Cancel -> Cancel; file dialogs -> Cancel.
class CConsolePrompter : public CPrompter {
public:
    // The standard streams; interactive when standard input is a terminal.
    CConsolePrompter();
    CConsolePrompter(std::istream& in, std::ostream& err, bool interactive);

    int MessageBox(const std::string& text, unsigned style) override;
    bool AskFileName(const FileDialogRequest& request, std::string& path) override;

    // The answer a question gets when no one can be asked.
    static int NonInteractiveAnswer(unsigned style);

private:
    int Ask(unsigned style);

    std::istream& m_in;
    std::ostream& m_err;
    bool m_interactive;
    // Questions come from the copy worker's thread too.
    std::mutex m_lock;
};
