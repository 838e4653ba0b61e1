#pragma once

#include "platform/TcpSocket.h"
#include "platform/TlsChannel.h"

#include <cstddef>
#include <memory>
#include <string>

// The byte channel of the SMTP client: a TCP socket, optionally switched to
// TLS. Its operations are virtual so that tests and the fuzzer can feed the
// reply reader from other sources.
class CMailSocket {
public:
    CMailSocket() = default;
    virtual ~CMailSocket();
    CMailSocket(const CMailSocket&) = delete;
    CMailSocket& operator=(const CMailSocket&) = delete;

    virtual bool Create();
    virtual bool Connect(const std::string& host, int port, const std::string& localAddress);
    // Sends every byte (a partial send by the kernel is continued).
    virtual bool SendRaw(const char* data, std::size_t length);
    virtual bool WaitReadable(unsigned timeoutMs, bool& readable);
    // Bytes received, 0 when the peer closed, -1 on failure.
    virtual long Receive(char* buffer, std::size_t length);
    virtual bool StartTls(const std::string& host, const std::string& caFile);
    virtual void Close();
    virtual bool IsOpen() const;

    // Time-out of each wait inside a send, a connect or a TLS exchange.
    void SetTimeout(unsigned timeoutMs) { m_timeoutMs = timeoutMs; }
    int LastError() const { return m_lastError; }
    const std::string& TlsErrorText() const { return m_tlsError; }

protected:
    bool Fail(int error);
    int TimeoutMs() const;

private:
    CTcpSocket m_tcp;
    std::unique_ptr<CTlsChannel> m_tls;
    unsigned m_timeoutMs = 60000;
    int m_lastError = 0;
    std::string m_tlsError;
};
