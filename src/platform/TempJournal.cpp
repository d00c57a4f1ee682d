#include "TempJournal.h"

#include "Folders.h"
#include "SafeFiles.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <signal.h>

namespace tempjournal {
namespace {

const QString NoteSuffix = QStringLiteral(".note");

QString journalFolder()
{
    return folders::join(folders::appDataFolder(), QStringLiteral("temp"));
}

QString notePath(const QString& path)
{
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(QFileInfo(path).absoluteFilePath()), QCryptographicHash::Sha1);
    return folders::join(journalFolder(), QString::fromLatin1(hash.toHex()) + NoteSuffix);
}

bool processRuns(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

} // namespace

void note(const QString& path)
{
    if (path.isEmpty() || !QDir().mkpath(journalFolder()))
        return;
    QFile file(notePath(path));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                   QFile::encodeName(QFileInfo(path).absoluteFilePath()));
}

void forget(const QString& path)
{
    if (!path.isEmpty())
        QFile::remove(notePath(path));
}

int removeStale()
{
    int removed = 0;
    const QDir folder(journalFolder());
    for (const QString& name : folder.entryList({QStringLiteral("*") + NoteSuffix}, QDir::Files | QDir::Hidden)) {
        const QString noteFile = folder.filePath(name);
        // A note is a number and a path: anything larger is none of ours.
        const std::optional<QByteArray> content = safefiles::readRegularFile(noteFile, 64 * 1024);
        if (!content)
            continue;
        const qsizetype newline = content->indexOf('\n');
        if (newline <= 0 || processRuns(content->left(newline).toLongLong()))
            continue;
        const QString path = QFile::decodeName(content->mid(newline + 1));
        // Only a file named by this note, never a folder.
        if (QFileInfo(path).isFile() && QFile::remove(path))
            ++removed;
        QFile::remove(noteFile);
    }
    return removed;
}

} // namespace tempjournal
