#pragma once

#include "platform/DesktopLibrary.h"
#include "platform/PasswordStore.h"

#include <string>

// Passwords in the desktop's secret service (the keyring a desktop session
// unlocks at login), through QtKeychain. Every request runs on one keyring
// thread of the process with an event loop of its own, so an answer never
// depends on the thread that asked, and a keyring that does not answer (a
// locked keyring waiting for a prompt nobody sees) ends as Unreachable after
// the time limit. No fallback to a plain file is ever used. It is built into
// the program's desktop library (see CDesktopLibrary), so that only a run
// that asks the keyring maps QtKeychain and D-Bus; tests link it directly.
class CKeyringPasswordStore : public CPasswordStore {
public:
    // service: the name the entries are kept under.
    explicit CKeyringPasswordStore(std::string service = "Korvane", unsigned timeoutMs = 60000);

    void Start(Operation operation, const std::string& key, const std::string& password, Done done) override;

private:
    std::string m_service;
    unsigned m_timeoutMs;
};

// The desktop library's entry points (CDesktopLibrary names them).
extern "C" __attribute__((visibility("default"))) CPasswordStore* KorvaneNewKeyringStore(
    const char* service, unsigned timeoutMs);
