#pragma once

#include <string>

class CPasswordStore;

// A new keyring store, which the caller owns.
using KeyringStoreEntry = CPasswordStore* (*)(const char* service, unsigned timeoutMs);
inline constexpr const char* kKeyringStoreEntry = "KorvaneNewKeyringStore";
// logind's PowerOff over the system bus; true when it was accepted.
using LogindPowerOffEntry = bool (*)();
inline constexpr const char* kLogindPowerOffEntry = "KorvaneLogindPowerOff";

// The program's desktop library: the keyring (QtKeychain) and logind's
// power-off, both over D-Bus. It is loaded at the first call that needs it,
// so that a run which neither asks the keyring nor switches the computer
// off never maps QtKeychain, Qt D-Bus, libdbus and libsystemd.
class CDesktopLibrary {
public:
    // The entry points, or null with the loader's reason in error. The
    // library is loaded once; a failure is remembered, since its file does
    // not come back during a run.
    static KeyringStoreEntry KeyringStore(std::string& error);
    static LogindPowerOffEntry LogindPowerOff(std::string& error);
};

extern "C" __attribute__((visibility("default"))) bool KorvaneLogindPowerOff();
