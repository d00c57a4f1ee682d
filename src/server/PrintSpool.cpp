#include "PrintSpool.h"

#include "FileSync.h"
#include "Folders.h"
#include "SafeFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

const QString EntryPrefix = QStringLiteral("job-");
const QString EntrySuffix = QStringLiteral(".dat");
constexpr int NumberDigits = 10;

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}

// The claim number of an entry name, 0 for a name that is no entry.
qint64 entryNumber(const QString& name)
{
    if (name.size() != EntryPrefix.size() + NumberDigits + EntrySuffix.size() || !name.startsWith(EntryPrefix) ||
        !name.endsWith(EntrySuffix))
        return 0;
    bool ok = false;
    const qint64 number = name.mid(EntryPrefix.size(), NumberDigits).toLongLong(&ok);
    return ok ? number : 0;
}

QStringList entryNames(const QString& folder)
{
    QStringList names = QDir(folder).entryList({EntryPrefix + QStringLiteral("*") + EntrySuffix},
                                               QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    names.removeIf([](const QString& name) { return entryNumber(name) == 0; });
    return names;
}

} // namespace

QString PrintSpool::folderFor(const QString& appDataFolder)
{
    return folders::join(appDataFolder, QStringLiteral("spool"));
}

QStringList PrintSpool::printFiles(const QString& folder, const QString& name)
{
    // Name filters match without regard to case unless told otherwise.
    QFileInfoList found = QDir(folder).entryInfoList({name}, QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
    std::sort(found.begin(), found.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const QDateTime aTime = a.lastModified();
        const QDateTime bTime = b.lastModified();
        return aTime != bTime ? aTime < bTime : a.fileName() < b.fileName();
    });
    QStringList paths;
    for (const QFileInfo& file : std::as_const(found))
        paths.append(folders::join(folder, file.fileName()));
    return paths;
}

QString PrintSpool::nextEntryName() const
{
    const QStringList names = entryNames(m_folder);
    const qint64 last = names.isEmpty() ? 0 : entryNumber(names.last());
    return EntryPrefix + QString::number(last + 1).rightJustified(NumberDigits, u'0') + EntrySuffix;
}

QString PrintSpool::claim(const QString& printFile)
{
    if (m_folder.isEmpty() || !QDir().mkpath(m_folder))
        return {};
    const QString entry = folders::join(m_folder, nextEntryName());
    const QString printFolder = QFileInfo(printFile).absolutePath();

    std::error_code error;
    std::filesystem::rename(fsPath(printFile), fsPath(entry), error);
    if (error == std::errc::cross_device_link)
        return claimByCopy(printFile, entry);
    if (error)
        return {};
    // The content first (the DOS program's writes may still be in the cache), then both
    // folders: the new name in the spool, the old one gone from the AppData folder.
    filesync::syncFile(entry);
    filesync::syncFolder(m_folder);
    filesync::syncFolder(printFolder);
    return entry;
}

QString PrintSpool::claimByCopy(const QString& printFile, const QString& entry)
{
    // The copy is made under a name that is no entry and renamed once it is complete and
    // on the disk, so a crash in between leaves a stray copy and the print file, never a
    // half entry.
    QTemporaryFile copy(folders::join(m_folder, QStringLiteral(".claim-XXXXXX")));
    QFile source(printFile);
    if (!copy.open() || !source.open(QIODevice::ReadOnly))
        return {};
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() || copy.write(chunk) != chunk.size())
            return {};
    }
    // The copy keeps the original's time stamp, so the reader can tell it holds what it read.
    copy.setFileTime(QFileInfo(printFile).lastModified(), QFileDevice::FileModificationTime);
    if (!copy.flush() || !filesync::syncFile(copy.fileName()))
        return {};
    copy.close();
    std::error_code error;
    std::filesystem::rename(fsPath(copy.fileName()), fsPath(entry), error);
    if (error)
        return {};
    copy.setAutoRemove(false);
    filesync::syncFolder(m_folder);
    source.close();
    QFile::remove(printFile);
    filesync::syncFolder(QFileInfo(printFile).absolutePath());
    return entry;
}

QStringList PrintSpool::entries() const
{
    QStringList paths;
    for (const QString& name : entryNames(m_folder))
        paths.append(folders::join(m_folder, name));
    return paths;
}

void PrintSpool::remove(const QString& entry) const
{
    QFile::remove(entry);
    filesync::syncFolder(m_folder);
}

QString PrintSpool::faultyFolder() const
{
    return folders::join(QFileInfo(m_folder).absolutePath(), QStringLiteral("fehlerhaft"));
}

QString PrintSpool::setAside(const QString& entry) const
{
    const QString folder = faultyFolder();
    if (!QDir().mkpath(folder))
        return entry;
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString name =
            QStringLiteral("d-") + stamp + (n > 1 ? u'-' + QString::number(n) : QString()) + QStringLiteral(".dat");
        const QString target = folders::join(folder, name);
        if (safefiles::renameWithoutReplacing(entry, target)) {
            filesync::syncFolder(folder);
            filesync::syncFolder(m_folder);
            return target;
        }
        if (!QFileInfo::exists(target))
            break; // not a name clash: the move itself fails
    }
    return entry;
}

void PrintSpool::removeStrayCopies() const
{
    const QDir folder(m_folder);
    for (const QString& name : folder.entryList({QStringLiteral(".claim-*")}, QDir::Files | QDir::Hidden))
        QFile::remove(folder.filePath(name));
}
