#include "core/Session.h"

#include "StringTable.h"
#include "core/Prompter.h"

#include <algorithm>

CSession::CSession(const CSession& other)
{
    *this = other;
}

CSession& CSession::operator=(const CSession& other)
{
    if (this == &other)
        return *this;
    std::scoped_lock lock(Lock, other.Lock);
    FileName = other.FileName;
    ActiveSet = other.ActiveSet;
    Sets.resize(other.Sets.size());
    std::copy(other.Sets.begin(), other.Sets.end(), Sets.begin());
    return *this;
}

bool CSession::IsSameContent(const CSession& other) const
{
    return std::equal(Sets.begin(), Sets.end(), other.Sets.begin(), other.Sets.end(),
                      [](const CSet& a, const CSet& b) { return a.IsSameContent(b); });
}

CSet* CSession::ActiveSetPtr()
{
    if (ActiveSet < 0 || static_cast<size_t>(ActiveSet) >= Sets.size())
        return nullptr;
    return &Sets[static_cast<size_t>(ActiveSet)];
}

int CSession::NewSession(CPrompter& prompter)
{
    if (HasUnsavedChanges()) {
        const int answer = prompter.MessageBox(LoadString(57684), MbYesNoCancel | MbIconQuestion);
        if (answer == IdCancel)
            return -1;
        if (answer == IdYes) {
            if (const int result = SaveSession(prompter); result != 0)
                return result;
        }
    }
    std::lock_guard lock(Lock);
    Sets.clear();
    FileName.clear();
    ActiveSet = 0;
    Sets.emplace_back().Name = "Default Set";
    if (SavedCopy)
        *SavedCopy = *this;
    return 0;
}

// Session files: not written yet.
int CSession::SaveSession(CPrompter&) { return -2; }
int CSession::SaveSessionAs(CPrompter&) { return -2; }
int CSession::OpenSession(CPrompter&, const std::string*) { return -2; }
int CSession::AskSaveFileName(CPrompter&) { return -1; }
int CSession::AskOpenFileName(CPrompter&) { return -1; }
void CSession::RememberLastSession() {}
void CSession::OpenLastSession(CPrompter&) {}
