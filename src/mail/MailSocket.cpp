#include "mail/MailSocket.h"

#include <cerrno>
#include <climits>

CMailSocket::~CMailSocket()
{
    Close();
}

bool CMailSocket::Fail(int error)
{
    m_lastError = error;
    errno = error;
    return false;
}

int CMailSocket::TimeoutMs() const
{
    return m_timeoutMs > INT_MAX ? INT_MAX : static_cast<int>(m_timeoutMs);
}

bool CMailSocket::Create()
{
    return m_tcp.Create() ? true : Fail(m_tcp.LastError());
}

bool CMailSocket::Connect(const std::string& host, int port, const std::string& localAddress)
{
    if (port < 0 || port > 65535)
        return Fail(EINVAL);
    if (!localAddress.empty() && !m_tcp.Bind(localAddress, 0))
        return Fail(m_tcp.LastError());
    if (!m_tcp.Connect(host, static_cast<std::uint16_t>(port), TimeoutMs()))
        return Fail(m_tcp.LastError());
    return true;
}

bool CMailSocket::SendRaw(const char* data, std::size_t length)
{
    if (m_tls)
        return m_tls->SendAll(data, length, TimeoutMs()) ? true : Fail(m_tls->LastError());
    return m_tcp.SendAll(data, length, TimeoutMs()) ? true : Fail(m_tcp.LastError());
}

bool CMailSocket::WaitReadable(unsigned timeoutMs, bool& readable)
{
    readable = false;
    if (m_tls && m_tls->HasPending()) {
        readable = true;
        return true;
    }
    const int wait = timeoutMs > INT_MAX ? INT_MAX : static_cast<int>(timeoutMs);
    return m_tcp.WaitReadable(wait, readable) ? true : Fail(m_tcp.LastError());
}

long CMailSocket::Receive(char* buffer, std::size_t length)
{
    const long received = m_tls ? m_tls->Receive(buffer, length, TimeoutMs()) : m_tcp.Receive(buffer, length);
    if (received < 0)
        Fail(m_tls ? m_tls->LastError() : m_tcp.LastError());
    return received;
}

bool CMailSocket::StartTls(const std::string& host, const std::string& caFile)
{
    std::unique_ptr<CTlsChannel> channel = CTlsChannel::Create(m_tlsError);
    if (!channel)
        return Fail(ELIBACC);
    if (!channel->Connect(m_tcp.Handle(), host, caFile, TimeoutMs())) {
        m_tlsError = channel->ErrorText();
        return Fail(channel->LastError());
    }
    m_tls = std::move(channel);
    return true;
}

void CMailSocket::Close()
{
    if (m_tls)
        m_tls->Shutdown();
    m_tls.reset();
    m_tcp.Close();
}

bool CMailSocket::IsOpen() const
{
    return m_tcp.IsOpen();
}
