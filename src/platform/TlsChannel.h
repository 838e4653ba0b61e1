#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

// TLS over an already connected non-blocking socket handle. The client side
// verifies the peer's certificate chain and host name; the server side exists
// so tests can stand up a loopback TLS peer. The channel never owns the
// socket handle.
class CTlsChannel {
public:
    virtual ~CTlsChannel() = default;

    // A new channel: OpenSSL's, from the program's TLS library, which is
    // loaded at the first call; null, with the reason in error, when it
    // cannot be loaded.
    static std::unique_ptr<CTlsChannel> Create(std::string& error);
    // Makes Create use factory instead of the library (tests link OpenSSL's
    // channel directly); an empty factory goes back to the library.
    using Factory = std::function<std::unique_ptr<CTlsChannel>()>;
    static void SetFactory(Factory factory);

    // Handshake as client. caFile empty: the system's certificate store.
    virtual bool Connect(int fd, const std::string& host, const std::string& caFile, int timeoutMs) = 0;
    // Handshake as server with a PEM certificate (chain) and private key.
    virtual bool Accept(int fd, const std::string& certificatePem, const std::string& keyPem, int timeoutMs) = 0;

    virtual bool SendAll(const void* data, std::size_t length, int timeoutMs) = 0;
    // Bytes received, 0 when the peer closed, -1 on failure or time-out
    // (LastError() ETIMEDOUT).
    virtual long Receive(void* buffer, std::size_t length, int timeoutMs) = 0;
    // Decrypted bytes already held, which a poll on the socket cannot see.
    virtual bool HasPending() const = 0;
    virtual void Shutdown() = 0;

    virtual const std::string& ErrorText() const = 0;
    virtual int LastError() const = 0;
};

// The TLS library's one entry point, looked up by this name.
using TlsChannelEntry = CTlsChannel* (*)();
inline constexpr const char* kTlsChannelEntry = "KorvaneNewTlsChannel";
