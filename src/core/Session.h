#pragma once

#include "core/Set.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

class CPrompter;

// The File menu's session commands, for RunFileCommand.
enum class SessionCommand { New, Open, Save, SaveAs };

// Everything the user edits: the ordered backup sets. The program keeps two
// sessions, the working one and SavedCopy (the state last saved or loaded);
// they differ exactly when there are unsaved changes.
class CSession {
public:
    CSession() = default;
    CSession(const CSession& other);
    CSession& operator=(const CSession& other);
    virtual ~CSession() = default;

    // Same number of sets and each set IsSameContent with its counterpart;
    // FileName and ActiveSet are not compared.
    bool IsSameContent(const CSession& other) const;
    bool HasUnsavedChanges() const { return SavedCopy && !IsSameContent(*SavedCopy); }

    // Resets to one empty "Default Set" after offering to save unsaved changes
    // (57684). 0, -1 when cancelled, or the code of the save it ran.
    int NewSession(CPrompter& prompter);

    // Session files. Results: 0 success, -1 cancelled or message already
    // shown, below -1 a failure for the caller to report (57687 / 57688).
    int SaveSession(CPrompter& prompter);
    int SaveSessionAs(CPrompter& prompter);
    int OpenSession(CPrompter& prompter, const std::string* path = nullptr);
    int AskSaveFileName(CPrompter& prompter);
    int AskOpenFileName(CPrompter& prompter);
    void RememberLastSession();
    void OpenLastSession(CPrompter& prompter);
    // Runs a command and shows its failure message for a code below -1:
    // 57687 after New, Save and Save As, 57688 after Open.
    int RunFileCommand(SessionCommand command, CPrompter& prompter, const std::string* path = nullptr);

    // The set at ActiveSet, or nullptr when ActiveSet is out of range.
    CSet* ActiveSetPtr();

    mutable std::recursive_mutex Lock;
    std::string FileName;
    std::int32_t ActiveSet = 0;
    // A deque keeps sets in place while more are appended.
    std::deque<CSet> Sets;
    CSession* SavedCopy = nullptr; // not owned
};
