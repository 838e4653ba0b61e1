#pragma once

#include <cstddef>
#include <string>

struct ssl_ctx_st;
struct ssl_st;

// TLS over an already connected non-blocking socket handle (OpenSSL). The
// client side verifies the peer's certificate chain and host name; the server
// side exists so tests can stand up a loopback TLS peer. The channel never
// owns the socket handle.
class CTlsChannel {
public:
    CTlsChannel() = default;
    ~CTlsChannel();
    CTlsChannel(const CTlsChannel&) = delete;
    CTlsChannel& operator=(const CTlsChannel&) = delete;

    // Handshake as client. caFile empty: the system's certificate store.
    bool Connect(int fd, const std::string& host, const std::string& caFile, int timeoutMs);
    // Handshake as server with a PEM certificate (chain) and private key.
    bool Accept(int fd, const std::string& certificatePem, const std::string& keyPem, int timeoutMs);

    bool SendAll(const void* data, std::size_t length, int timeoutMs);
    // Bytes received, 0 when the peer closed, -1 on failure or time-out
    // (LastError() ETIMEDOUT).
    long Receive(void* buffer, std::size_t length, int timeoutMs);
    // Decrypted bytes already held, which a poll on the socket cannot see.
    bool HasPending() const;
    void Shutdown();

    const std::string& ErrorText() const { return m_errorText; }
    int LastError() const { return m_lastError; }

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
