#include "common/ScriptedPrompter.h"

int ScriptedPrompter::MessageBox(const std::string& text, unsigned style)
{
    asked.push_back({text, style});
    if (answers.empty())
        return defaultAnswer;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

bool ScriptedPrompter::AskFileName(const FileDialogRequest& request, std::string& path)
{
    fileDialogs.push_back(request);
    if (fileNames.empty())
        return false;
    std::string next = fileNames.front();
    fileNames.pop_front();
    if (next.empty())
        return false;
    path = next;
    return true;
}
