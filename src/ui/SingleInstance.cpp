#include "ui/SingleInstance.h"

#include "StringTable.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QTimer>
#include <QVariant>
#include <QtEndian>
#include <unistd.h>

namespace {

constexpr int kConnectMs = 2000;
constexpr char kTaken = 'K';

QByteArray Frame(const std::optional<std::string>& text)
{
    QByteArray frame(4, '\0');
    if (!text) {
        qToLittleEndian<quint32>(0, frame.data());
        return frame;
    }
    qToLittleEndian<quint32>(static_cast<quint32>(text->size() + 1), frame.data());
    frame.append(text->data(), static_cast<qsizetype>(text->size()));
    frame.append('\0');
    return frame;
}

} // namespace

CSingleInstance::CSingleInstance(std::string shortName, QObject* parent)
    : QObject(parent)
    , m_shortName(std::move(shortName))
{
}

CSingleInstance::~CSingleInstance() = default;

std::string CSingleInstance::MappingName() const
{
    return "CSingleInstance_MMF_" + m_shortName;
}

QString CSingleInstance::ServerName() const
{
    const std::string folder = CStartupLock::Folder();
    if (folder.empty())
        return {};
    return QString::fromStdString(folder + "/" + MappingName() + "_" + std::to_string(::geteuid()));
}

bool CSingleInstance::LockStartup()
{
    return m_lock.Lock();
}

std::string CSingleInstance::StartupRefusal() const
{
    const CRunLock::Refusal& problem = m_lock.Problem();
    return FormatString(LoadString(57757).c_str(), problem.folder.c_str(), problem.reason.c_str());
}

bool CSingleInstance::OtherInstanceRunning() const
{
    const QString name = ServerName();
    if (name.isEmpty())
        return false;
    QLocalSocket probe;
    probe.connectToServer(name);
    const bool running = probe.waitForConnected(kConnectMs);
    probe.abort();
    return running;
}

bool CSingleInstance::ActivateOtherInstance(const std::optional<std::string>& text)
{
    const QString name = ServerName();
    if (name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    m_lock.Unlock();
    socket.write(Frame(text));
    socket.waitForBytesWritten(kConnectMs);
    // The answer says the text was taken; an instance too busy to answer
    // still has it in its socket, so this start ends either way.
    socket.waitForReadyRead(kAnswerMs);
    socket.disconnectFromServer();
    return true;
}

bool CSingleInstance::PublishInstance()
{
    const QString name = ServerName();
    const auto release = qScopeGuard([this] { m_lock.Unlock(); });
    if (name.isEmpty() || m_server)
        return m_server != nullptr;
    if (OtherInstanceRunning())
        return false;
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // Nothing answered on the name, and the start-up lock keeps other starts
    // out: whatever socket is there was left by an instance that was killed.
    QLocalServer::removeServer(name);
    if (!server->listen(name)) {
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    return true;
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadHandOver(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A caller that never finishes its text is not kept forever.
        QTimer::singleShot(kAnswerMs, socket, [socket] { socket->abort(); });
        ReadHandOver(socket);
    }
}

void CSingleInstance::ReadHandOver(QLocalSocket* socket)
{
    if (socket->property("taken").toBool() || socket->bytesAvailable() < 4)
        return;
    QByteArray head = socket->peek(4);
    const quint32 count = qFromLittleEndian<quint32>(head.constData());
    if (count > kMaxBytes) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < 4 + static_cast<qint64>(count))
        return;
    socket->read(4);
    const QByteArray data = socket->read(count);
    socket->setProperty("taken", true);
    std::optional<std::string> text;
    if (count > 0) {
        // The text ends at its terminating zero.
        const qsizetype end = data.indexOf('\0');
        text = std::string(data.constData(), static_cast<std::size_t>(end < 0 ? data.size() : end));
    }
    socket->write(&kTaken, 1);
    socket->flush();
    Q_EMIT HandedOver(text);
}
