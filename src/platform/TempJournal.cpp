#include "platform/TempJournal.h"

#include "platform/Folders.h"
#include "platform/SafeFiles.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tempjournal {

QString folder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = folders::homeFolder() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/druckserver/journal");
}

namespace {

const QString NoteSuffix = QStringLiteral(".note");

QString journalFolder()
{
    return folder();
}

// Whether `path` is one of the program's own temporary files: a regular file of this
// user (a link is never followed) whose name the program makes.
bool isOwnTemporaryFile(const QString& path)
{
    static const QRegularExpression ownName(
        QStringLiteral("^(\\.druckserver-pdf-[A-Za-z0-9]{6}\\.part|druckserver-text-[A-Za-z0-9]{6})$"));
    struct stat st = {};
    return ownName.match(QFileInfo(path).fileName()).hasMatch() &&
           ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid();
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
        if (isOwnTemporaryFile(path) && QFile::remove(path))
            ++removed;
        QFile::remove(noteFile);
    }
    return removed;
}

} // namespace tempjournal
