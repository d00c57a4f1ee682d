#include "server/QueueListener.h"

#include "platform/MessageBox.h"
#include "queue/QueueLink.h"
#include "server/PrintSpool.h"
#include "server/QueueReceipts.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString LogTitle = QStringLiteral("Druckerwarteschlange");

// Bytes read from one connection before the event loop runs again.
constexpr int ReadsPerTurn = 16;
constexpr qint64 ReadSize = 64 * 1024;
// The disk starts writing an upload every so many bytes, so the sync at its end is short.
constexpr qint64 WritebackStep = qint64(8) << 20;

// The user the scheduler runs backends as when they are not root's.
long cupsUid()
{
    const struct passwd* lp = ::getpwnam("lp");
    return lp ? long(lp->pw_uid) : -1;
}

} // namespace

// One backend's connection, from the header to the answer.
class QueueListener::Connection : public QObject
{
public:
    Connection(int socket, QObject* parent) : QObject(parent), fd(socket), notifier(socket, QSocketNotifier::Read)
    {
        idle.setSingleShot(true);
        idle.start(IdleSeconds * 1000);
    }
    ~Connection() override
    {
        // An upload that did not become an entry is a job cut off: the backend sends it again.
        if (file >= 0)
            ::close(file);
        if (!upload.isEmpty())
            QFile::remove(upload);
        ::close(fd);
    }

    const int fd;
    QSocketNotifier notifier;
    QTimer idle;
    queuelink::UploadReader reader;
    QString key;
    QString upload; // the hidden file the job is written to, until it is an entry
    int file = -1;
    qint64 size = 0;
    qint64 writtenBack = 0;
    bool known = false; // in the spool already: its bytes are read and dropped
    QByteArray answer;  // set when the connection ends early with this answer
};

QueueListener::QueueListener(PrintSpool& spool, std::function<void(const QString&)> spooled, QObject* parent)
    : QObject(parent), m_spool(spool), m_spooled(std::move(spooled)), m_largestJob(queuelink::LargestJob)
{
}

QueueListener::~QueueListener()
{
    qDeleteAll(m_connections);
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        QFile::remove(m_socketPath);
    }
    if (m_folderFd >= 0)
        ::close(m_folderFd);
}

void QueueListener::refuse(const QString& why)
{
    msgbox::log(LogTitle, QStringLiteral("Sie nimmt keine Aufträge an: ") + why);
}

bool QueueListener::listen()
{
    const uid_t uid = ::getuid();
    const std::string folder = queuelink::socketFolders(uid).front();
    const QString shown = QString::fromStdString(folder);
    // The runtime folder DRUCKSERVER_RUNTIME_DIR names may not be there yet.
    ::mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0700);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        refuse(QStringLiteral("Der Ordner %1 kann nicht angelegt werden (%2).").arg(shown, fileErrorText(errno)));
        return false;
    }
    // Checked on the folder opened, so nothing put in its place meanwhile is used.
    const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st = {};
    if (folderFd < 0 || ::fstat(folderFd, &st) != 0 || st.st_uid != uid) {
        const QString owner = folderFd >= 0 ? QStringLiteral(" (er gehört Benutzer-ID %1)").arg(st.st_uid) : QString();
        if (folderFd >= 0)
            ::close(folderFd);
        refuse(QStringLiteral("%1 ist kein Ordner dieses Benutzers%2; bitte entfernen.").arg(shown, owner));
        return false;
    }
    ::fchmod(folderFd, 0700);
    if (::flock(folderFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(folderFd);
        refuse(QStringLiteral("Ein anderer Druckserver dieses Benutzers nimmt sie schon an (%1).").arg(shown));
        return false;
    }
    m_folderFd = folderFd;

    const std::string path = folder + '/' + std::string(queuelink::SocketName);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    bool listening = fd >= 0 && path.size() < sizeof address.sun_path;
    if (listening) {
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        // What is left in the locked folder is a killed server's socket. No one else can
        // reach the folder, so the socket's mode is set after it is made.
        ::unlink(path.c_str());
        listening = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                    ::chmod(path.c_str(), 0600) == 0 && ::listen(fd, 16) == 0;
    }
    if (!listening) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        refuse(QStringLiteral("Der Anschluss %1 kann nicht angelegt werden (%2).")
                   .arg(QString::fromStdString(path), fileErrorText(error)));
        return false;
    }
    m_listenFd = fd;
    m_socketPath = QString::fromStdString(path);
    m_listenNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_listenNotifier, &QSocketNotifier::activated, this, &QueueListener::acceptConnections);
    return true;
}

void QueueListener::acceptConnections()
{
    static const long cups = cupsUid();
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            // Out of descriptors or memory: the connection stays queued and would wake the
            // listener again at once; it is taken a second later, when some may be free.
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                m_listenNotifier->setEnabled(false);
                QTimer::singleShot(1000, m_listenNotifier, [n = m_listenNotifier] { n->setEnabled(true); });
            }
            return;
        }
        const long peer = queuelink::peerUid(fd);
        if (peer < 0 || (peer != 0 && peer != long(::getuid()) && peer != cups)) {
            ::close(fd);
            msgbox::log(LogTitle, QStringLiteral("Verbindung eines Programms der Benutzer-ID %1 abgelehnt: Aufträge "
                                                 "übergeben nur root, lp und dieser Benutzer.")
                                      .arg(peer));
            continue;
        }
        auto* connection = new Connection(fd, this);
        m_connections.append(connection);
        connection->reader.onHeader = [this, connection](const queuelink::Header& header) {
            return startUpload(connection, header);
        };
        connection->reader.onData = [this, connection](std::string_view bytes) { store(connection, bytes); };
        connect(&connection->notifier, &QSocketNotifier::activated, this, [this, connection] { readFrom(connection); });
        connect(&connection->idle, &QTimer::timeout, this, [this, connection] { finish(connection); });
    }
}

bool QueueListener::startUpload(Connection* connection, const queuelink::Header& header)
{
    connection->key = QueueReceipts::keyOf(header);
    const QueueReceipts receipts(m_spool.folder());
    if (receipts.has(connection->key)) {
        connection->known = true;
        return true;
    }
    ::mkdir(QFile::encodeName(m_spool.folder()).constData(), 0700);
    const QString upload = receipts.uploadPath(connection->key);
    connection->file =
        ::open(QFile::encodeName(upload).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (connection->file < 0) {
        // Taken: the same job on another connection right now.
        connection->answer = errno == EEXIST ? "retry busy" : "retry cannot write the spool";
        return false;
    }
    connection->upload = upload;
    return true;
}

void QueueListener::store(Connection* connection, std::string_view bytes)
{
    if (!connection->answer.isEmpty())
        return;
    connection->size += qint64(bytes.size());
    if (connection->size > m_largestJob) {
        connection->answer = "too-large";
        msgbox::log(LogTitle, QStringLiteral("Ein Auftrag über %1 MiB wurde abgelehnt.").arg(m_largestJob >> 20));
        return;
    }
    if (connection->known)
        return;
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written = ::write(connection->file, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            connection->answer = "retry cannot write the spool";
            msgbox::log(LogTitle, QStringLiteral("Ein Auftrag kann nicht in den Ordner %1 geschrieben werden (%2); er "
                                                 "kommt später erneut.")
                                      .arg(QDir::toNativeSeparators(m_spool.folder()), fileErrorText(errno)));
            return;
        }
        done += std::size_t(written);
    }
    if (connection->size - connection->writtenBack >= WritebackStep) {
        ::sync_file_range(connection->file, connection->writtenBack, connection->size - connection->writtenBack,
                          SYNC_FILE_RANGE_WRITE);
        connection->writtenBack = connection->size;
    }
}

void QueueListener::readFrom(Connection* connection)
{
    using State = queuelink::UploadReader::State;
    char buffer[ReadSize];
    for (int round = 0; round < ReadsPerTurn; ++round) {
        const ssize_t got = ::read(connection->fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (got > 0)
            connection->idle.start();
        // The end of the connection before the end of the job breaks it.
        const State state = got > 0 ? connection->reader.feed({buffer, std::size_t(got)}) : State::Broken;
        if (state == State::Done || state == State::Broken || !connection->answer.isEmpty()) {
            finish(connection);
            return;
        }
    }
}

void QueueListener::finish(Connection* connection)
{
    connection->notifier.setEnabled(false);
    connection->idle.stop();
    QByteArray answer = connection->answer;
    QString entry;
    if (answer.isEmpty() && connection->reader.state() == queuelink::UploadReader::State::Done)
        answer = commit(connection, entry) ? "ok" : "retry cannot write the spool";
    // Without an answer (garbage, a connection cut or silent) the backend tries again.
    if (!answer.isEmpty()) {
        answer += '\n';
        ::send(connection->fd, answer.constData(), std::size_t(answer.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    m_connections.removeOne(connection);
    connection->deleteLater();
    if (!entry.isEmpty())
        m_spooled(entry);
}

bool QueueListener::commit(Connection* connection, QString& entry)
{
    if (connection->known)
        return true;
    const bool written = ::fsync(connection->file) == 0;
    ::close(connection->file);
    connection->file = -1;
    const QueueReceipts receipts(m_spool.folder());
    if (!written || !receipts.write(connection->key)) {
        msgbox::log(LogTitle, QStringLiteral("Ein Auftrag kann nicht im Ordner %1 gesichert werden (%2); er kommt "
                                             "später erneut.")
                                  .arg(QDir::toNativeSeparators(m_spool.folder()), fileErrorText(errno)));
        return false;
    }
    const PrintSpool::Claim claim = m_spool.claim(connection->upload, PrintSpool::Source::PrinterQueue);
    if (claim.entry.isEmpty()) {
        receipts.remove(connection->key);
        msgbox::log(LogTitle, claim.problem);
        return false;
    }
    connection->upload.clear();
    entry = claim.entry;
    return true;
}
