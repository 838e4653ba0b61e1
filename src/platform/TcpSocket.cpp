#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in result {};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    result.sin_addr.s_addr = address;
    return result;
}

} // namespace

CTcpSocket::~CTcpSocket()
{
    Close();
}

CTcpSocket::CTcpSocket(CTcpSocket&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_lastError(other.m_lastError)
{
}

CTcpSocket& CTcpSocket::operator=(CTcpSocket&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = std::exchange(other.m_fd, -1);
        m_lastError = other.m_lastError;
    }
    return *this;
}

bool CTcpSocket::Fail(int error)
{
    m_lastError = error;
    errno = error;
    return false;
}

bool CTcpSocket::Create()
{
    Close();
    m_fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return Fail(errno);
    return true;
}

bool CTcpSocket::ResolveAddress(const std::string& text, std::uint32_t& address)
{
    in_addr parsed {};
    if (inet_pton(AF_INET, text.c_str(), &parsed) == 1) {
        address = parsed.s_addr;
        return true;
    }
    addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(text.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
        return Fail(EINVAL);
    address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

bool CTcpSocket::Bind(const std::string& address, std::uint16_t port)
{
    std::uint32_t ip = 0;
    if (!ResolveAddress(address, ip))
        return false;
    const sockaddr_in local = MakeAddress(ip, port);
    if (bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0)
        return Fail(errno);
    return true;
}

bool CTcpSocket::Connect(const std::string& host, std::uint16_t port, int timeoutMs)
{
    std::uint32_t ip = 0;
    if (!ResolveAddress(host, ip))
        return false;
    const sockaddr_in remote = MakeAddress(ip, port);
    if (connect(m_fd, reinterpret_cast<const sockaddr*>(&remote), sizeof(remote)) == 0)
        return true;
    if (errno != EINPROGRESS)
        return Fail(errno);
    if (!WaitReady(true, timeoutMs))
        return false;
    int error = 0;
    socklen_t length = sizeof(error);
    if (getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return Fail(errno);
    return error == 0 ? true : Fail(error);
}

bool CTcpSocket::Listen(const std::string& address, std::uint16_t port)
{
    if (!Create())
        return false;
    const int on = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    if (!Bind(address, port))
        return false;
    if (listen(m_fd, 8) != 0)
        return Fail(errno);
    return true;
}

bool CTcpSocket::Accept(CTcpSocket& client, int timeoutMs)
{
    if (!WaitReady(false, timeoutMs))
        return false;
    const int fd = accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return Fail(errno);
    client.Close();
    client.m_fd = fd;
    return true;
}

std::uint16_t CTcpSocket::LocalPort() const
{
    sockaddr_in local {};
    socklen_t length = sizeof(local);
    if (getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.sin_port);
}

bool CTcpSocket::SendAll(const void* data, std::size_t length, int timeoutMs)
{
    if (m_fd < 0)
        return Fail(ENOTCONN);
    const char* next = static_cast<const char*>(data);
    while (length > 0) {
        // MSG_NOSIGNAL: a peer that has gone away must give EPIPE, not end the
        // whole program with SIGPIPE.
        const ssize_t sent = send(m_fd, next, length, MSG_NOSIGNAL);
        if (sent > 0) {
            next += sent;
            length -= static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return Fail(errno);
        if (!WaitReady(true, timeoutMs))
            return false;
    }
    return true;
}

long CTcpSocket::Receive(void* buffer, std::size_t length)
{
    if (m_fd < 0) {
        Fail(ENOTCONN);
        return -1;
    }
    for (;;) {
        const ssize_t received = recv(m_fd, buffer, length, 0);
        if (received >= 0)
            return static_cast<long>(received);
        if (errno != EINTR) {
            Fail(errno);
            return -1;
        }
    }
}

bool CTcpSocket::WaitReadable(int timeoutMs, bool& readable)
{
    readable = false;
    if (m_fd < 0)
        return Fail(ENOTCONN);
    if (!WaitHandle(m_fd, false, timeoutMs, readable))
        return Fail(errno);
    return true;
}

void CTcpSocket::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

bool CTcpSocket::WaitReady(bool forWrite, int timeoutMs)
{
    bool ready = false;
    if (!WaitHandle(m_fd, forWrite, timeoutMs, ready))
        return Fail(errno);
    return ready ? true : Fail(ETIMEDOUT);
}

bool CTcpSocket::WaitHandle(int fd, bool forWrite, int timeoutMs, bool& ready)
{
    ready = false;
    pollfd entry {};
    entry.fd = fd;
    entry.events = forWrite ? POLLOUT : POLLIN;
    for (;;) {
        const int result = poll(&entry, 1, timeoutMs);
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0)
            return false;
        // An error or hang-up counts as ready: the next call reports it.
        ready = result > 0;
        return true;
    }
}
