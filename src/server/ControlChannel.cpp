#include "server/ControlChannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

constexpr int WaitMs = 2000;

// One socket per AppData folder, as there is one server per AppData folder.
QString socketPath(const QString& appDataFolder)
{
    const QByteArray folder = QFileInfo(appDataFolder).absoluteFilePath().toUtf8();
    const QString id = QString::fromLatin1(QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(16));
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/druckserver-") + id +
           QStringLiteral(".control");
}

QByteArray wordOf(ControlChannel::Request request)
{
    return request == ControlChannel::Request::Quit ? QByteArrayLiteral("beenden\n")
                                                    : QByteArrayLiteral("einstellungen\n");
}

} // namespace

ControlChannel::ControlChannel(QObject* parent) : QObject(parent) {}

ControlChannel::~ControlChannel() = default;

bool ControlChannel::listen(const QString& appDataFolder)
{
    const QString path = socketPath(appDataFolder);
    // Only one server runs for the folder (its lock says so): a socket left there is a
    // killed server's.
    QLocalServer::removeServer(path);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine())
                    return;
                const QByteArray word = client->readLine(64);
                client->write("ok\n");
                client->flush();
                client->disconnectFromServer();
                if (word == wordOf(Request::Quit))
                    emit requested(Request::Quit);
                else if (word == wordOf(Request::OpenSettings))
                    emit requested(Request::OpenSettings);
            });
        }
    });
    return m_server->listen(path);
}

bool ControlChannel::send(Request request, const QString& appDataFolder)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath(appDataFolder));
    if (!socket.waitForConnected(WaitMs))
        return false;
    socket.write(wordOf(request));
    socket.flush();
    return socket.waitForReadyRead(WaitMs) && socket.readLine(8) == "ok\n";
}
