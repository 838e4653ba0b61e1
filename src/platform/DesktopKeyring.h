#pragma once

#include "platform/PasswordStore.h"

#include <memory>
#include <mutex>
#include <string>

// The desktop's keyring as the program reaches it: the keyring store of the
// desktop library (CKeyringPasswordStore), made at the first operation. When
// the library cannot be loaded, every operation answers Unreachable with the
// loader's reason, as for a keyring that cannot be reached.
class CDesktopKeyring : public CPasswordStore {
public:
    explicit CDesktopKeyring(std::string service = "Korvane", unsigned timeoutMs = 60000);
    ~CDesktopKeyring() override;

    void Start(Operation operation, const std::string& key, const std::string& password, Done done) override;

private:
    std::string m_service;
    unsigned m_timeoutMs;
    std::once_flag m_once;
    std::unique_ptr<CPasswordStore> m_store;
    std::string m_error;
};
