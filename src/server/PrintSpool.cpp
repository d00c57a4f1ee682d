#include "server/PrintSpool.h"

#include "platform/FileSync.h"
#include "platform/Folders.h"
#include "platform/SafeFiles.h"
#include "settings/ServerFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString EntryPrefix = QStringLiteral("job-");
const QString EntrySuffix = QStringLiteral(".dat");
// Marks the entries of jobs that came through the printer queue.
const QString QueueMark = QStringLiteral("-warteschlange");
constexpr int NumberDigits = 10;
// Numbers up to 18 digits fit a 64-bit integer with room to count on.
constexpr int MostDigits = 18;
constexpr qint64 LargestNumber = 999999999999999999;

// The claim number of an entry name, 0 for a name that is no entry.
qint64 entryNumber(const QString& name)
{
    if (!name.startsWith(EntryPrefix) || !name.endsWith(EntrySuffix))
        return 0;
    QStringView digits =
        QStringView(name).mid(EntryPrefix.size(), name.size() - EntryPrefix.size() - EntrySuffix.size());
    if (digits.endsWith(QueueMark))
        digits.chop(QueueMark.size());
    if (digits.isEmpty() || digits.size() > MostDigits)
        return 0;
    bool ok = false;
    const qint64 number = digits.toLongLong(&ok);
    return ok && number > 0 && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); }) ? number
                                                                                                              : 0;
}

// The entries of the folder with their numbers, in the order of the numbers.
QList<std::pair<qint64, QString>> numberedEntries(const QString& folder)
{
    QList<std::pair<qint64, QString>> entries;
    for (const QString& name :
         QDir(folder).entryList({EntryPrefix + u'*' + EntrySuffix}, QDir::AllEntries | QDir::Hidden | QDir::System)) {
        if (const qint64 number = entryNumber(name))
            entries.append({number, name});
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

QString entryName(qint64 number, PrintSpool::Source source)
{
    return EntryPrefix + QString::number(number).rightJustified(NumberDigits, u'0') +
           (source == PrintSpool::Source::PrinterQueue ? QueueMark : QString()) + EntrySuffix;
}

} // namespace

QString fileErrorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("keine Schreibrechte");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("der Datenträger ist voll");
    case EROFS:
        return QStringLiteral("der Datenträger ist schreibgeschützt");
    case ENOTDIR:
    case EEXIST:
        return QStringLiteral("dort liegt eine Datei statt eines Ordners");
    case ENOENT:
        return QStringLiteral("der Ordner fehlt");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

PrintSpool::Source PrintSpool::sourceOf(const QString& entry)
{
    return entry.endsWith(QueueMark + EntrySuffix) ? Source::PrinterQueue : Source::PrintFile;
}

QString PrintSpool::renameToNextEntry(const QString& from, Source source) const
{
    const QList<std::pair<qint64, QString>> taken = numberedEntries(m_folder);
    qint64 number = taken.isEmpty() ? 1 : taken.last().first + 1;
    // A planted entry with the largest number leaves the claim to the first free one.
    if (number > LargestNumber) {
        number = 1;
        for (const auto& entry : taken) {
            if (entry.first != number)
                break;
            ++number;
        }
    }
    for (int tries = 0; tries < 1000 && number <= LargestNumber; ++tries, ++number) {
        const QString entry = folders::join(m_folder, entryName(number, source));
        if (safefiles::renameWithoutReplacing(from, entry))
            return entry;
        if (errno != EEXIST)
            return {};
    }
    errno = EEXIST;
    return {};
}

PrintSpool::Claim PrintSpool::claim(const QString& printFile, Source source)
{
    const QString shownFile = QDir::toNativeSeparators(printFile);
    auto failed = [&](int error) {
        return Claim{QString(), QStringLiteral("Die Druckdatei %1 kann nicht übernommen werden: Im Ordner %2 ist das "
                                               "nicht möglich (%3). Sie bleibt liegen und wird später erneut versucht.")
                                    .arg(shownFile, QDir::toNativeSeparators(m_folder), fileErrorText(error))};
    };
    if (m_folder.isEmpty())
        return failed(ENOENT);
    if (::mkdir(QFile::encodeName(m_folder).constData(), 0700) != 0 && errno != EEXIST)
        return failed(errno);
    if (!QFileInfo(m_folder).isDir())
        return failed(ENOTDIR);

    const QString entry = renameToNextEntry(printFile, source);
    if (entry.isEmpty()) {
        if (errno == EXDEV)
            return claimByCopy(printFile, source);
        return failed(errno);
    }
    // The content first (the DOS program's writes may still be in the cache), then both
    // folders: the new name in the spool, the old one gone from the print-file folder.
    filesync::syncFile(entry);
    filesync::syncFolder(m_folder);
    filesync::syncFolder(QFileInfo(printFile).absolutePath());
    return {entry, QString()};
}

PrintSpool::Claim PrintSpool::claimByCopy(const QString& printFile, Source origin)
{
    const QString& folder = m_folder;
    // The copy is made under a name that is no entry and renamed once it is complete and
    // on the disk, so a crash in between leaves a stray copy and the print file, never a
    // half entry.
    const auto failed = [&](int error) {
        return Claim{QString(), QStringLiteral("Die Druckdatei %1 kann nicht in den Ordner %2 kopiert werden (%3). Sie "
                                               "bleibt liegen und wird später erneut versucht.")
                                    .arg(QDir::toNativeSeparators(printFile), QDir::toNativeSeparators(folder),
                                         fileErrorText(error))};
    };
    QTemporaryFile copy(folders::join(folder, QStringLiteral(".claim-XXXXXX")));
    const int fd = safefiles::openRegularFile(printFile, -1, safefiles::Links::Refuse);
    QFile source;
    if (fd < 0 || !source.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        return failed(EACCES);
    }
    if (!copy.open())
        return failed(errno ? errno : EACCES);
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() || copy.write(chunk) != chunk.size())
            return failed(ENOSPC);
    }
    if (!copy.flush() || !filesync::syncFile(copy.fileName()))
        return failed(ENOSPC);
    copy.close();
    const QString entry = renameToNextEntry(copy.fileName(), origin);
    if (entry.isEmpty())
        return failed(errno);
    copy.setAutoRemove(false);
    filesync::syncFolder(folder);
    source.close();
    QFile::remove(printFile);
    filesync::syncFolder(QFileInfo(printFile).absolutePath());
    return {entry, QString()};
}

QStringList PrintSpool::entries() const
{
    QStringList paths;
    for (const auto& entry : numberedEntries(m_folder))
        paths.append(folders::join(m_folder, entry.second));
    return paths;
}

void PrintSpool::remove(const QString& entry) const
{
    QFile::remove(entry);
    filesync::syncFolder(m_folder);
}

QString PrintSpool::setAside(const QString& file) const
{
    const QString folder = serverfolders::faultyFolder();
    if (!QDir().mkpath(folder))
        return file;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString name =
            QStringLiteral("d-") + stamp + (n > 1 ? u'-' + QString::number(n) : QString()) + QStringLiteral(".dat");
        const QString target = folders::join(folder, name);
        if (safefiles::renameWithoutReplacing(file, target)) {
            filesync::syncFolder(folder);
            filesync::syncFolder(QFileInfo(file).absolutePath());
            return target;
        }
        if (errno != EEXIST)
            break; // not a name clash: the move itself fails
    }
    return file;
}

void PrintSpool::removeStrayCopies() const
{
    const QDir folder(m_folder);
    for (const QString& name : folder.entryList({QStringLiteral(".claim-*")}, QDir::Files | QDir::Hidden))
        QFile::remove(folder.filePath(name));
}
