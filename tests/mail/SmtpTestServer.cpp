#include "SmtpTestServer.h"

#include "platform/tls/OpenSslChannel.h"

#include <chrono>

namespace {

constexpr int kWaitMs = 5000;

} // namespace

SmtpTestSession::SmtpTestSession(CTcpSocket& socket)
    : m_socket(socket)
{
}

void SmtpTestSession::Send(const std::string& bytes)
{
    if (m_tls)
        m_tls->SendAll(bytes.data(), bytes.size(), kWaitMs);
    else
        m_socket.SendAll(bytes.data(), bytes.size(), kWaitMs);
}

bool SmtpTestSession::Fill()
{
    char buffer[65536];
    if (!m_tls || !m_tls->HasPending()) {
        bool readable = false;
        if (!m_socket.WaitReadable(kWaitMs, readable) || !readable)
            return false;
    }
    const long count
        = m_tls ? m_tls->Receive(buffer, sizeof(buffer), kWaitMs) : m_socket.Receive(buffer, sizeof(buffer));
    if (count == 0)
        m_closed = true;
    if (count <= 0)
        return false;
    m_pending.append(buffer, static_cast<std::size_t>(count));
    return true;
}

std::string SmtpTestSession::ReadLine()
{
    std::size_t end;
    while ((end = m_pending.find("\r\n")) == std::string::npos) {
        if (!Fill())
            return {};
    }
    std::string line = m_pending.substr(0, end);
    m_pending.erase(0, end + 2);
    Lines.push_back(line);
    return line;
}

void SmtpTestSession::Greet()
{
    Send("220 mail.example.org ESMTP\r\n");
    ReadLine();
    Send("250 mail.example.org\r\n");
}

void SmtpTestSession::Quit()
{
    ReadLine();
    Send("221 bye\r\n");
}

void SmtpTestSession::AcceptMessage(int envelopeCommands)
{
    for (int i = 0; i < envelopeCommands; ++i) {
        ReadLine();
        Send("250 ok\r\n");
    }
    ReadLine();
    Send("354 go ahead\r\n");
    ReadData();
    Send("250 queued\r\n");
}

void SmtpTestSession::AskLogin()
{
    ReadLine();
    Send("334 VXNlcm5hbWU6\r\n");
    ReadLine();
    Send("334 UGFzc3dvcmQ6\r\n");
    ReadLine();
}

std::string SmtpTestSession::ReadData()
{
    std::size_t end;
    while ((end = m_pending.find("\r\n.\r\n")) == std::string::npos) {
        if (!Fill())
            return {};
    }
    Data = m_pending.substr(0, end);
    m_pending.erase(0, end + 5);
    return Data;
}

bool SmtpTestSession::StartTls(const std::string& certificatePem, const std::string& keyPem)
{
    m_tls = NewOpenSslChannel();
    if (m_tls->Accept(m_socket.Handle(), certificatePem, keyPem, kWaitMs))
        return true;
    TlsFailed = true;
    m_tls.reset();
    return false;
}

bool SmtpTestSession::WaitForClose()
{
    while (Fill()) {
        if (m_pending.size() > (1u << 24))
            m_pending.clear();
    }
    return m_closed;
}

void SmtpTestSession::Close()
{
    if (m_tls)
        m_tls->Shutdown();
    m_tls.reset();
    m_socket.Close();
}

SmtpTestServer::SmtpTestServer(Script script)
{
    m_listener.Listen("127.0.0.1", 0);
    m_port = m_listener.LocalPort();
    m_thread = std::thread([this, script = std::move(script)] { Run(script); });
}

SmtpTestServer::~SmtpTestServer()
{
    Join();
}

void SmtpTestServer::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void SmtpTestServer::Run(Script script)
{
    CTcpSocket client;
    if (!m_listener.Accept(client, kWaitMs))
        return;
    SmtpTestSession session(client);
    script(session);
    session.Close();
    m_lines = session.Lines;
    m_data = session.Data;
}

void ReceiveSignal::Notify()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_count;
    }
    m_changed.notify_all();
}

bool ReceiveSignal::WaitFor(int count)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return m_count >= count; });
}

long SignallingSocket::Receive(char* buffer, std::size_t length)
{
    const long count = CMailSocket::Receive(buffer, length);
    m_signal.Notify();
    return count;
}
