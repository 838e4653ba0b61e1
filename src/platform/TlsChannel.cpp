#include "platform/TlsChannel.h"

#include "platform/SharedLibrary.h"

#include <mutex>

namespace {

std::mutex g_mutex;
CTlsChannel::Factory g_factory;
TlsChannelEntry g_entry = nullptr;
std::string g_loadError;

// The library is loaded once; a failure is remembered, not retried for every
// connection, since its file does not come back during a run.
TlsChannelEntry LoadedEntry(std::string& error)
{
    static std::once_flag once;
    std::call_once(once, [] {
        CSharedLibrary library;
        if (library.OpenPrivate(KORVANE_TLS_LIBRARY))
            g_entry = reinterpret_cast<TlsChannelEntry>(library.Symbol(kTlsChannelEntry));
        if (g_entry == nullptr)
            g_loadError = "the TLS library cannot be loaded: " + library.Error();
    });
    error = g_loadError;
    return g_entry;
}

} // namespace

std::unique_ptr<CTlsChannel> CTlsChannel::Create(std::string& error)
{
    {
        std::lock_guard lock(g_mutex);
        if (g_factory)
            return g_factory();
    }
    const TlsChannelEntry entry = LoadedEntry(error);
    return entry != nullptr ? std::unique_ptr<CTlsChannel>(entry()) : nullptr;
}

void CTlsChannel::SetFactory(Factory factory)
{
    std::lock_guard lock(g_mutex);
    g_factory = std::move(factory);
}
