#include "platform/tls/OpenSslChannel.h"

#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <memory>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <pthread.h>
#include <type_traits>

namespace {

bool IsAddressLiteral(const std::string& host)
{
    unsigned char buffer[16];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 || inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

// OpenSSL writes to the socket with write(), which raises SIGPIPE when the
// peer has gone; that would end the whole program. Block it on this thread
// for the duration of a TLS write and swallow the one it caused.
class SigPipeGuard {
public:
    SigPipeGuard()
    {
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        sigset_t block;
        sigemptyset(&block);
        sigaddset(&block, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &block, &m_old);
    }
    ~SigPipeGuard()
    {
        if (!m_wasPending) {
            sigset_t pending;
            sigemptyset(&pending);
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE) == 1) {
                sigset_t only;
                sigemptyset(&only);
                sigaddset(&only, SIGPIPE);
                const timespec none {};
                sigtimedwait(&only, nullptr, &none);
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
    }
    SigPipeGuard(const SigPipeGuard&) = delete;
    SigPipeGuard& operator=(const SigPipeGuard&) = delete;

private:
    sigset_t m_old {};
    bool m_wasPending = false;
};

struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

} // namespace

COpenSslChannel::~COpenSslChannel()
{
    Release();
}

void COpenSslChannel::Release()
{
    if (m_ssl != nullptr)
        SSL_free(m_ssl);
    if (m_context != nullptr)
        SSL_CTX_free(m_context);
    m_ssl = nullptr;
    m_context = nullptr;
}

bool COpenSslChannel::Fail(int error, const std::string& text)
{
    m_lastError = error;
    if (!text.empty())
        m_errorText = text;
    errno = error;
    return false;
}

std::string COpenSslChannel::OpenSslErrorText(const char* fallback)
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return fallback;
    char text[256] = {};
    ERR_error_string_n(code, text, sizeof(text));
    return text;
}

bool COpenSslChannel::Connect(int fd, const std::string& host, const std::string& caFile, int timeoutMs)
{
    Release();
    m_client = true;
    m_context = SSL_CTX_new(TLS_client_method());
    if (m_context == nullptr)
        return Fail(ENOMEM, OpenSslErrorText("cannot create the TLS context"));
    SSL_CTX_set_min_proto_version(m_context, TLS1_2_VERSION);
    SSL_CTX_set_verify(m_context, SSL_VERIFY_PEER, nullptr);
    const int loaded = caFile.empty() ? SSL_CTX_set_default_verify_paths(m_context)
                                      : SSL_CTX_load_verify_locations(m_context, caFile.c_str(), nullptr);
    if (loaded != 1)
        return Fail(EINVAL, "cannot load the trusted certificates: " + OpenSslErrorText("unknown error"));
    m_ssl = SSL_new(m_context);
    if (m_ssl == nullptr)
        return Fail(ENOMEM, OpenSslErrorText("cannot create the TLS session"));
    // The certificate must name the host we were asked to reach.
    if (IsAddressLiteral(host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), host.c_str());
    } else {
        SSL_set1_host(m_ssl, host.c_str());
        SSL_set_tlsext_host_name(m_ssl, host.c_str());
    }
    return Start(fd, timeoutMs);
}

bool COpenSslChannel::Accept(int fd, const std::string& certificatePem, const std::string& keyPem, int timeoutMs)
{
    Release();
    m_client = false;
    m_context = SSL_CTX_new(TLS_server_method());
    if (m_context == nullptr)
        return Fail(ENOMEM, OpenSslErrorText("cannot create the TLS context"));
    std::unique_ptr<BIO, BioDeleter> certBio(
        BIO_new_mem_buf(certificatePem.data(), static_cast<int>(certificatePem.size())));
    std::unique_ptr<BIO, BioDeleter> keyBio(BIO_new_mem_buf(keyPem.data(), static_cast<int>(keyPem.size())));
    X509* certificate = PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr);
    const bool usable = certificate != nullptr && key != nullptr && SSL_CTX_use_certificate(m_context, certificate) == 1
        && SSL_CTX_use_PrivateKey(m_context, key) == 1;
    X509_free(certificate);
    EVP_PKEY_free(key);
    if (!usable)
        return Fail(EINVAL, OpenSslErrorText("unusable certificate or key"));
    m_ssl = SSL_new(m_context);
    if (m_ssl == nullptr)
        return Fail(ENOMEM, OpenSslErrorText("cannot create the TLS session"));
    return Start(fd, timeoutMs);
}

bool COpenSslChannel::Start(int fd, int timeoutMs)
{
    m_fd = fd;
    ERR_clear_error();
    if (SSL_set_fd(m_ssl, fd) != 1)
        return Fail(EBADF, OpenSslErrorText("cannot attach the socket"));
    if (m_client)
        SSL_set_connect_state(m_ssl);
    else
        SSL_set_accept_state(m_ssl);
    return Handshake(timeoutMs);
}

bool COpenSslChannel::Handshake(int timeoutMs)
{
    const SigPipeGuard guard;
    for (;;) {
        const int result = SSL_do_handshake(m_ssl);
        if (result == 1)
            return true;
        const int error = SSL_get_error(m_ssl, result);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            if (!WaitFor(error, timeoutMs))
                return Fail(m_lastError, "no answer during the TLS handshake");
            continue;
        }
        const long verify = SSL_get_verify_result(m_ssl);
        if (m_client && verify != X509_V_OK) {
            ERR_clear_error();
            return Fail(
                EPROTO, std::string("the server's certificate was refused: ") + X509_verify_cert_error_string(verify));
        }
        return Fail(EPROTO, OpenSslErrorText("the connection closed during the TLS handshake"));
    }
}

bool COpenSslChannel::WaitFor(int sslError, int timeoutMs)
{
    bool ready = false;
    if (!CTcpSocket::WaitHandle(m_fd, sslError == SSL_ERROR_WANT_WRITE, timeoutMs, ready))
        return Fail(errno, {});
    if (!ready)
        return Fail(ETIMEDOUT, {});
    return true;
}

bool COpenSslChannel::SendAll(const void* data, std::size_t length, int timeoutMs)
{
    if (m_ssl == nullptr)
        return Fail(ENOTCONN, {});
    const SigPipeGuard guard;
    const char* next = static_cast<const char*>(data);
    while (length > 0) {
        std::size_t written = 0;
        const int result = SSL_write_ex(m_ssl, next, length, &written);
        if (result == 1) {
            next += written;
            length -= written;
            continue;
        }
        const int error = SSL_get_error(m_ssl, result);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
            return Fail(error == SSL_ERROR_SYSCALL && errno != 0 ? errno : EPIPE, OpenSslErrorText("TLS send failed"));
        if (!WaitFor(error, timeoutMs))
            return false;
    }
    return true;
}

long COpenSslChannel::Receive(void* buffer, std::size_t length, int timeoutMs)
{
    if (m_ssl == nullptr) {
        Fail(ENOTCONN, {});
        return -1;
    }
    const SigPipeGuard guard;
    for (;;) {
        std::size_t received = 0;
        const int result = SSL_read_ex(m_ssl, buffer, length, &received);
        if (result == 1)
            return static_cast<long>(received);
        const int error = SSL_get_error(m_ssl, result);
        if (error == SSL_ERROR_ZERO_RETURN)
            return 0;
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            if (!WaitFor(error, timeoutMs))
                return -1;
            continue;
        }
        // A peer that drops the connection without close_notify reads as closed.
        if (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) {
            ERR_clear_error();
            return 0;
        }
        Fail(EPROTO, OpenSslErrorText("TLS receive failed"));
        return -1;
    }
}

bool COpenSslChannel::HasPending() const
{
    return m_ssl != nullptr && SSL_pending(m_ssl) > 0;
}

void COpenSslChannel::Shutdown()
{
    if (m_ssl != nullptr) {
        const SigPipeGuard guard;
        SSL_shutdown(m_ssl);
    }
    ERR_clear_error();
}

std::unique_ptr<CTlsChannel> NewOpenSslChannel()
{
    return std::make_unique<COpenSslChannel>();
}

CTlsChannel* KorvaneNewTlsChannel()
{
    static_assert(std::is_same_v<decltype(&KorvaneNewTlsChannel), TlsChannelEntry>);
    return new COpenSslChannel;
}
