#pragma once

#include "app/CommandLineRequest.h"
#include "core/Session.h"
#include "core/SettingsHolder.h"
#include "scheduler/ActionFlags.h"

#include <memory>

class CPasswordKeeper;
class CPasswordStore;
class CPrompter;

// What the windows reach of the program: the working session, the settings,
// the action flags, the prompter, the command-line request and the store of
// the SMTP password. The windows
// run on the thread that owns the session; they change it only inside
// EditSession, and read the settings as snapshots.
class CUiContext {
public:
    CUiContext(CSession& session, CSettingsHolder& settings, CActionFlags& flags, CPrompter& prompter,
        const CommandLineRequest& request);
    ~CUiContext();
    CUiContext(const CUiContext&) = delete;
    CUiContext& operator=(const CUiContext&) = delete;

    // f(const CSession&) with no change in between.
    template <class F> decltype(auto) ReadSession(F&& f) const { return m_session.Read(std::forward<F>(f)); }
    // f(CSession&), the way the windows change the session.
    template <class F> decltype(auto) EditSession(F&& f) { return m_session.Edit(std::forward<F>(f)); }
    // The session itself, for its file commands (which keep to the session's
    // own rules) and for reading its fields on the owning thread.
    CSession& Session() { return m_session; }

    // The settings as they are now; the copy never changes.
    SettingsRecord Settings() const { return *m_settings.Get(); }
    CSettingsHolder& SettingsHolder() { return m_settings; }
    // Applies and saves the settings dialog's result. With a password store
    // set, the SMTP password moves between the settings file and the
    // keyring as the result asks, and a move that fails is told through
    // the prompter.
    void ApplySettings(SettingsRecord record);
    // Where the SMTP password is kept while SMTPPasswordInKeyring is set;
    // none: the settings are applied as they are.
    void SetPasswords(CPasswordStore* passwords);
    CPasswordStore* Passwords() const { return m_passwords; }

    CActionFlags& Flags() { return m_flags; }
    CPrompter& Prompter() { return m_prompter; }
    const CommandLineRequest& Request() const { return m_request; }

private:
    CSession& m_session;
    CSettingsHolder& m_settings;
    CActionFlags& m_flags;
    CPrompter& m_prompter;
    const CommandLineRequest& m_request;
    CPasswordStore* m_passwords = nullptr;
    std::unique_ptr<CPasswordKeeper> m_keeper;
};
