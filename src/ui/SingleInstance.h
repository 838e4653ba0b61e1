#pragma once

#include "platform/StartupLock.h"

#include <QObject>
#include <QString>
#include <optional>
#include <string>

class QLocalServer;
class QLocalSocket;

// Only one windowed Korvane runs per user: a later start finds the first,
// hands it its first argument and ends. The first instance publishes itself
// as a local server named after the mapping name and the user id, in the
// private folder of the start-up lock; a later start reaches it over a local
// socket. The hand-over is a 32-bit byte count (0 when there is no text,
// else the length plus one) and the text with its terminating zero; the first
// instance answers with one byte once it has taken the text. It lives with
// the windows because only a windowed start takes part: its local sockets
// are Qt Network's, which a run without windows then never loads.
class CSingleInstance : public QObject {
    Q_OBJECT

public:
    explicit CSingleInstance(std::string shortName = "KV", QObject* parent = nullptr);
    ~CSingleInstance() override;

    // "CSingleInstance_MMF_" and the short name.
    std::string MappingName() const;
    // The full path of the local server; empty when there is no private folder.
    QString ServerName() const;

    // Waits for the start-up lock and holds it. False when it cannot be
    // taken (the lock folder is not the user's own): the start must end,
    // after showing StartupRefusal().
    bool LockStartup();
    std::string StartupRefusal() const;
    bool HoldsStartupLock() const { return m_lock.Held(); }
    void ReleaseStartupLock() { m_lock.Unlock(); }
    // A published instance answers on the server name.
    bool OtherInstanceRunning() const;
    // Hands text (none: nullopt) to the running instance; true when one took
    // it. The start-up lock is released when one was found.
    bool ActivateOtherInstance(const std::optional<std::string>& text);
    // Publishes this instance; true when it now answers on the server name.
    // A socket left by a killed instance is removed first. The start-up lock
    // is released either way.
    bool PublishInstance();

    // How long a later start waits for the first to take its text.
    static constexpr int kAnswerMs = 10000;
    // The most a hand-over may carry (a path is far shorter).
    static constexpr quint32 kMaxBytes = 64 * 1024;

Q_SIGNALS:
    // A later start handed over its first argument (nullopt: it had none).
    void HandedOver(const std::optional<std::string>& text);

private:
    void OnNewConnection();
    void ReadHandOver(QLocalSocket* socket);

    std::string m_shortName;
    CStartupLock m_lock;
    QLocalServer* m_server = nullptr;
};
