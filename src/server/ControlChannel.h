#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// How a later start of the program reaches the server already running for the same
// AppData folder: "druckserver --einstellungen" opens its settings window, "druckserver
// --beenden" ends it. A local socket of the user's own in the runtime folder carries one
// request per connection; other users cannot connect.
class ControlChannel : public QObject
{
    Q_OBJECT

public:
    enum class Request
    {
        OpenSettings,
        Quit,
    };

    explicit ControlChannel(QObject* parent = nullptr);
    ~ControlChannel() override;

    // Listens for the server of `appDataFolder`; false when the socket cannot be made.
    bool listen(const QString& appDataFolder);

    // Sends a request to the server of `appDataFolder`; false when none runs.
    static bool send(Request request, const QString& appDataFolder);

signals:
    void requested(ControlChannel::Request request);

private:
    std::unique_ptr<QLocalServer> m_server;
};
