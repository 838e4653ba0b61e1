#include "platform/DesktopKeyring.h"

#include "platform/DesktopLibrary.h"

#include <utility>

CDesktopKeyring::CDesktopKeyring(std::string service, unsigned timeoutMs)
    : m_service(std::move(service))
    , m_timeoutMs(timeoutMs)
{
}

CDesktopKeyring::~CDesktopKeyring() = default;

void CDesktopKeyring::Start(Operation operation, const std::string& key, const std::string& password, Done done)
{
    std::call_once(m_once, [this] {
        if (const KeyringStoreEntry entry = CDesktopLibrary::KeyringStore(m_error))
            m_store.reset(entry(m_service.c_str(), m_timeoutMs));
    });
    if (!m_store) {
        PasswordResult result;
        result.reason = m_error;
        done(result);
        return;
    }
    m_store->Start(operation, key, password, std::move(done));
}
