#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// An IPv4 stream socket in non-blocking mode; every wait is a poll with a
// time-out, so no call can hang on a silent peer. Failures return false (or
// -1) and keep the errno value in LastError().
class CTcpSocket {
public:
    CTcpSocket() = default;
    ~CTcpSocket();
    CTcpSocket(const CTcpSocket&) = delete;
    CTcpSocket& operator=(const CTcpSocket&) = delete;
    CTcpSocket(CTcpSocket&& other) noexcept;
    CTcpSocket& operator=(CTcpSocket&& other) noexcept;

    bool Create();
    // Address texts are dotted IPv4 addresses or host names (first IPv4
    // address of the lookup); a name that does not resolve fails with EINVAL.
    bool Bind(const std::string& address, std::uint16_t port);
    bool Connect(const std::string& host, std::uint16_t port, int timeoutMs);
    bool Listen(const std::string& address, std::uint16_t port);
    bool Accept(CTcpSocket& client, int timeoutMs);
    std::uint16_t LocalPort() const;

    // Sends every byte, waiting for room as often as needed; a peer that
    // takes nothing for timeoutMs fails the call with ETIMEDOUT.
    bool SendAll(const void* data, std::size_t length, int timeoutMs);
    // One receive: the byte count, 0 when the peer closed, -1 on failure.
    long Receive(void* buffer, std::size_t length);
    bool WaitReadable(int timeoutMs, bool& readable);
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    int Handle() const { return m_fd; }
    int LastError() const { return m_lastError; }

    // Waits until fd is ready for reading (or writing); false when poll fails.
    static bool WaitHandle(int fd, bool forWrite, int timeoutMs, bool& ready);

private:
    bool Fail(int error);
    // Waits for the socket; false (and the reason kept) on a poll failure
    // or when the time ran out.
    bool WaitReady(bool forWrite, int timeoutMs);
    bool ResolveAddress(const std::string& text, std::uint32_t& address);

    int m_fd = -1;
    int m_lastError = 0;
};
