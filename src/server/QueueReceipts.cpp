#include "server/QueueReceipts.h"

#include "platform/FileSync.h"
#include "platform/Folders.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString UploadPrefix = QStringLiteral(".upload-");

} // namespace

QString QueueReceipts::keyOf(const queuelink::Header& header)
{
    const std::string named = header.queue + '\n' + header.jobId + '\n' + header.jobUuid;
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArray::fromStdString(named), QCryptographicHash::Sha256).toHex().left(32));
}

QString QueueReceipts::receiptFolder() const
{
    return folders::join(m_spoolFolder, QStringLiteral(".received"));
}

bool QueueReceipts::has(const QString& key) const
{
    struct stat st = {};
    return ::lstat(QFile::encodeName(folders::join(receiptFolder(), key)).constData(), &st) == 0;
}

QString QueueReceipts::uploadPath(const QString& key) const
{
    return folders::join(m_spoolFolder, UploadPrefix + key);
}

bool QueueReceipts::write(const QString& key) const
{
    const QByteArray folder = QFile::encodeName(receiptFolder());
    if (::mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    const QString receipt = folders::join(receiptFolder(), key);
    const int fd =
        ::open(QFile::encodeName(receipt).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    // The folder's new name must be on the disk before the upload becomes an entry.
    if (!synced || !filesync::syncFolder(receiptFolder())) {
        remove(key);
        return false;
    }
    return true;
}

void QueueReceipts::remove(const QString& key) const
{
    QFile::remove(folders::join(receiptFolder(), key));
    filesync::syncFolder(receiptFolder());
}

void QueueReceipts::recover() const
{
    const QDir spool(m_spoolFolder);
    const QStringList uploads = spool.entryList({UploadPrefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System);
    // Receipt first: an upload left without its receipt is removed at the next start all the same.
    for (const QString& upload : uploads) {
        const QString key = upload.mid(UploadPrefix.size());
        if (has(key))
            remove(key);
        QFile::remove(spool.filePath(upload));
    }
    if (!uploads.isEmpty())
        filesync::syncFolder(m_spoolFolder);
    const QDateTime oldest = QDateTime::currentDateTime().addDays(-KeptDays);
    for (const QFileInfo& receipt : QDir(receiptFolder()).entryInfoList(QDir::Files | QDir::Hidden)) {
        if (receipt.lastModified() < oldest)
            QFile::remove(receipt.filePath());
    }
}
