#pragma once

#include "mail/MailSocket.h"
#include "platform/TcpSocket.h"
#include "platform/TlsChannel.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The server's side of one scripted SMTP conversation on loopback. Every
// wait is bounded, so a client that misbehaves cannot hang a test.
class SmtpTestSession {
public:
    explicit SmtpTestSession(CTcpSocket& socket);

    void Send(const std::string& bytes);
    // One line without its CR LF; empty when none came in time.
    std::string ReadLine();
    // The message text after DATA, up to and without "\r\n.\r\n".
    std::string ReadData();
    // Accepts the envelope's commands (MAIL FROM and each RCPT TO) and then
    // the message after DATA, as a willing server does.
    // The greeting and a plain answer to HELO or EHLO, without extensions.
    void Greet();
    void AcceptMessage(int envelopeCommands);
    // Takes AUTH LOGIN and asks for the user name and the password, reading
    // both; the verdict on them is left to the script.
    void AskLogin();
    // Reads the QUIT and says goodbye.
    void Quit();
    bool StartTls(const std::string& certificatePem, const std::string& keyPem);
    // Reads until the client closes; true when it did within the limit.
    bool WaitForClose();
    void Close();

    std::vector<std::string> Lines; // every line read, in order
    std::string Data; // the last message text read
    bool TlsFailed = false;

private:
    bool Fill();

    CTcpSocket& m_socket;
    std::unique_ptr<CTlsChannel> m_tls;
    std::string m_pending;
    bool m_closed = false;
};

// A listening socket on 127.0.0.1 (port chosen by the system) whose thread
// accepts one client and runs the script with it.
class SmtpTestServer {
public:
    using Script = std::function<void(SmtpTestSession&)>;

    explicit SmtpTestServer(Script script);
    ~SmtpTestServer();
    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    std::uint16_t Port() const { return m_port; }
    // Waits for the script to end; then Lines() and Data() are complete.
    void Join();
    const std::vector<std::string>& Lines() const { return m_lines; }
    const std::string& Data() const { return m_data; }

private:
    void Run(Script script);

    CTcpSocket m_listener;
    std::uint16_t m_port = 0;
    std::thread m_thread;
    std::vector<std::string> m_lines;
    std::string m_data;
};

// Counts the client's receives, so a script can hold back the next piece
// of a reply until the client has read the previous one.
class ReceiveSignal {
public:
    void Notify();
    // True when at least count receives happened within the limit.
    bool WaitFor(int count);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
};

class SignallingSocket : public CMailSocket {
public:
    explicit SignallingSocket(ReceiveSignal& signal)
        : m_signal(signal)
    {
    }
    long Receive(char* buffer, std::size_t length) override;

private:
    ReceiveSignal& m_signal;
};
