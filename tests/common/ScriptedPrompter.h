#pragma once

#include "core/Prompter.h"

#include <deque>
#include <string>
#include <vector>

// Records every question and answers from a script; an empty script answers
// with the default answer (Cancel unless set otherwise).
class ScriptedPrompter : public CPrompter {
public:
    struct Question {
        std::string text;
        unsigned style = 0;
    };

    int MessageBox(const std::string& text, unsigned style) override;
    bool AskFileName(const FileDialogRequest& request, std::string& path) override;

    void Answer(int answer) { answers.push_back(answer); }
    void FileName(const std::string& path) { fileNames.push_back(path); }

    std::vector<Question> asked;
    std::vector<FileDialogRequest> fileDialogs;
    std::deque<int> answers;
    std::deque<std::string> fileNames; // an empty entry means Cancel
    int defaultAnswer = IdCancel;
};
