#pragma once

#include "core/Set.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

class CPrompter;

// The File menu's session commands, for RunFileCommand.
enum class SessionCommand { New, Open, Save, SaveAs };

// Everything the user edits: the ordered backup sets. The program keeps two
// sessions, the working one and SavedCopy (the state last saved or loaded);
// they differ exactly when there are unsaved changes.
//
// Threads: one thread owns the working session (the interface thread, or the
// main thread of a run without windows) and is the only one that changes its
// sets, always inside Edit; it may read the fields directly, as nothing else
// writes them. Every other thread reads inside Read or takes a copy
// (CopySet, assignment). The scheduler thread alone also moves a schedule's
// due times, inside Edit, and the owner reads those only inside Read.
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

    // The failure message id (57687 or 57688) for FileName, followed by why
    // the last open failed when that is known.
    std::string FailureMessage(int messageId) const;

    // The set at ActiveSet, or nullptr when ActiveSet is out of range.
    CSet* ActiveSetPtr();

    // fn(const CSession&) with no change in between; returns what fn returns.
    template <typename Fn> decltype(auto) Read(Fn&& fn) const
    {
        std::lock_guard lock(m_lock);
        return std::forward<Fn>(fn)(*this);
    }
    // fn(CSession&), the one way to change the session.
    template <typename Fn> decltype(auto) Edit(Fn&& fn)
    {
        std::lock_guard lock(m_lock);
        return std::forward<Fn>(fn)(*this);
    }
    // A copy of the set at index, of the set at ActiveSet; none when there is
    // no such set.
    std::optional<CSet> CopySet(std::int64_t index) const;
    std::optional<CSet> CopyActiveSet() const;

    std::string FileName;
    std::int32_t ActiveSet = 0;
    // A deque keeps sets in place while more are appended.
    std::deque<CSet> Sets;
    CSession* SavedCopy = nullptr; // not owned

private:
    // Recursive, as the file commands nest (an open runs a new session). It
    // is never held while asking the user or running anything, so no thread
    // waits long for it.
    mutable std::recursive_mutex m_lock;
    std::string m_failureReason; // of the last open
};
