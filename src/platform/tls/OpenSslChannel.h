#pragma once

#include "platform/TlsChannel.h"

#include <memory>

struct ssl_ctx_st;
struct ssl_st;

// TLS over OpenSSL. It is built into a library of its own that the program
// loads at its first TLS connection (see CTlsChannel::Create), so that a run
// which never sends mail over TLS never maps OpenSSL; tests link it directly.
class COpenSslChannel : public CTlsChannel {
public:
    COpenSslChannel() = default;
    ~COpenSslChannel() override;

    bool Connect(int fd, const std::string& host, const std::string& caFile, int timeoutMs) override;
    bool Accept(int fd, const std::string& certificatePem, const std::string& keyPem, int timeoutMs) override;
    bool SendAll(const void* data, std::size_t length, int timeoutMs) override;
    long Receive(void* buffer, std::size_t length, int timeoutMs) override;
    bool HasPending() const override;
    void Shutdown() override;
    const std::string& ErrorText() const override { return m_errorText; }
    int LastError() const override { return m_lastError; }

private:
    bool Start(int fd, int timeoutMs);
    bool Handshake(int timeoutMs);
    // Waits for what the last OpenSSL call asked for; false on time-out or failure.
    bool WaitFor(int sslError, int timeoutMs);
    bool Fail(int error, const std::string& text);
    std::string OpenSslErrorText(const char* fallback);
    void Release();

    ssl_ctx_st* m_context = nullptr;
    ssl_st* m_ssl = nullptr;
    int m_fd = -1;
    bool m_client = true;
    std::string m_errorText;
    int m_lastError = 0;
};

std::unique_ptr<CTlsChannel> NewOpenSslChannel();

// The library's entry point (kTlsChannelEntry): a new channel, which the
// caller owns.
extern "C" __attribute__((visibility("default"))) CTlsChannel* KorvaneNewTlsChannel();
