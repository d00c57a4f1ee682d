#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <string_view>

class QSocketNotifier;

namespace queuelink {
struct Header;
}

class PrintSpool;

// The server's end of the printer queue: the socket "queue" in a folder of this user's alone
// (queuelink::socketFolders), where the CUPS backend hands over the jobs of a queue with the
// device URI druckserver:/USER. Each job is written into the spool as it arrives, synced and
// made an entry the way a print file is claimed (QueueReceipts tells how a kill at any
// moment leaves each job once); only then is it confirmed, and `spooled` gets the entry to
// read like a claimed print file. Jobs of one connection after another arrive in their
// order; nothing waits for the poller, so a job arriving while the settings window is open
// is confirmed and waits in the spool.
//
// Only root, the CUPS user "lp" and this user may connect (the peer's credentials); anything
// else is refused. The folder (0700) must belong to this user: one made by another user is
// never used. A job larger than queuelink::LargestJob is refused, garbage and a connection
// cut midway leave nothing, and a connection silent for IdleSeconds is dropped. Reading never
// holds the event loop for long: a connection is read a bounded amount at a time.
class QueueListener : public QObject
{
    Q_OBJECT

public:
    static constexpr int IdleSeconds = 60;

    QueueListener(PrintSpool& spool, std::function<void(const QString&)> spooled, QObject* parent = nullptr);
    ~QueueListener() override;

    // Makes the folder and the socket and listens. False when this user's folder belongs to
    // someone else, another server of this user listens already, or the socket cannot be
    // made; the reason is logged once, in German.
    bool listen();
    bool isListening() const { return m_listenFd >= 0; }
    QString socketPath() const { return m_socketPath; }

    // Lowers the size bound, for tests; queuelink::LargestJob otherwise.
    void setLargestJob(qint64 bytes) { m_largestJob = bytes; }

private:
    class Connection;

    void acceptConnections();
    // The upload's first steps: the header names the job, its bytes go to the upload file.
    bool startUpload(Connection* connection, const queuelink::Header& header);
    void store(Connection* connection, std::string_view bytes);
    void readFrom(Connection* connection);
    // Answers (when there is an answer) and closes; a complete upload becomes an entry first.
    void finish(Connection* connection);
    bool commit(Connection* connection, QString& entry);
    void refuse(const QString& why);

    PrintSpool& m_spool;
    std::function<void(const QString&)> m_spooled;
    QList<Connection*> m_connections;
    QString m_socketPath;
    int m_listenFd = -1;
    QSocketNotifier* m_listenNotifier = nullptr;
    int m_folderFd = -1; // locked while this server listens
    qint64 m_largestJob;
};
