#pragma once

#include "core/SettingsRecord.h"

#include <functional>
#include <memory>
#include <string>

class CPasswordStore;
class CSettingsHolder;

// Applies the settings dialog's result where the SMTP password may move
// between the settings file and the desktop keyring
// (SMTPPasswordInKeyring). The file gives up the password only after the
// keyring confirmed that it holds it, and takes it back before the
// keyring's copy is removed, so a keyring that fails never loses it. The
// other settings are applied at once, as before. Used on the interface
// thread; the keyring's answers come back to that thread, and an answer
// to an OK that a later OK superseded changes nothing.
class CPasswordKeeper {
public:
    // Told, on the interface thread, when the password could not be moved.
    using Report = std::function<void(const std::string& text)>;

    CPasswordKeeper(CSettingsHolder& settings, CPasswordStore& passwords, Report report);
    ~CPasswordKeeper();
    CPasswordKeeper(const CPasswordKeeper&) = delete;
    CPasswordKeeper& operator=(const CPasswordKeeper&) = delete;

    // record: the dialog's settings. While the keyring holds the password,
    // an empty SMTPPassword means "keep the keyring's".
    void Apply(SettingsRecord record);

private:
    struct State;

    void StoreInKeyring(const std::string& password, int generation, bool switchOn);
    void TakeBackFromKeyring(int generation);
    static void RemoveFromKeyring(const std::weak_ptr<State>& state);

    std::shared_ptr<State> m_state;
};
