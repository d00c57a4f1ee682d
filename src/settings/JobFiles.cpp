#include "settings/JobFiles.h"

#include "platform/Folders.h"
#include "platform/SafeFiles.h"
#include "settings/ReadingRules.h"
#include "settings/ServerFolders.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

bool isInside(const QString& path, const QString& folder)
{
    if (folder.isEmpty())
        return false;
    if (folder == QStringLiteral("/"))
        return true;
    return path == folder || path.startsWith(folder + u'/');
}

QString canonicalFolder(const QString& folder)
{
    return folder.isEmpty() ? QString() : QFileInfo(folder).canonicalFilePath();
}

// The entry of `folder` called `part`, or else the first (by name) that differs from it
// only in case; empty when there is none.
QString matchingEntry(const QDir& folder, const QString& part)
{
    if (QFileInfo::exists(folder.filePath(part)))
        return part;
    QStringList names = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    const auto it = std::find_if(names.cbegin(), names.cend(),
                                 [&](const QString& name) { return name.compare(part, Qt::CaseInsensitive) == 0; });
    return it == names.cend() ? QString() : *it;
}

JobFiles::Found refused(const QString& problem)
{
    return {QString(), problem};
}

} // namespace

DriveMap DriveMap::read(const QString& settingsFile, const QString& printFileFolder)
{
    DriveMap map;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const QString folder =
            rules::readString(settingsFile, keys::Laufwerke, QString(QChar::fromLatin1(letter)), QString());
        if (!folder.isEmpty())
            map.drives.append({QChar::fromLatin1(letter), folder});
    }
    if (map.folderOf(u'D').isEmpty() && !printFileFolder.isEmpty())
        map.drives.append({u'D', printFileFolder});
    return map;
}

QString DriveMap::folderOf(QChar letter) const
{
    const QChar upper = letter.toUpper();
    for (const Drive& drive : drives) {
        if (drive.letter == upper)
            return drive.folder;
    }
    return {};
}

JobFiles::JobFiles(DriveMap drives, QString printFileFolder, QStringList serverFiles, bool trusted)
    : m_drives(std::move(drives)), m_printFileFolder(std::move(printFileFolder)), m_serverFiles(std::move(serverFiles)),
      m_trusted(trusted)
{
}

JobFiles JobFiles::forServer(const QString& printFileFolder)
{
    const QString settings = DefaultSettingsFile();
    const QString folder = printFileFolder.isEmpty() ? serverfolders::printFileFolder() : printFileFolder;
    // Trust is given only by a "1": an empty or garbled value leaves print files strangers.
    const bool trusted =
        rules::readRaw(settings, keys::Pserver, keys::TrustPrintFiles.key(), keys::TrustPrintFiles.fallback())
            .startsWith(u'1');
    return JobFiles(DriveMap::read(settings, folder), folder, serverfolders::ownFiles(), trusted);
}

JobFiles::Found JobFiles::find(const QString& name) const
{
    return resolve(name, false);
}

JobFiles::Found JobFiles::place(const QString& name) const
{
    return resolve(name, true);
}

JobFiles::Found JobFiles::resolve(const QString& name, bool lastMayBeMissing) const
{
    const QString text = rules::trimBlanks(name).toString();
    if (text.isEmpty())
        return refused(QStringLiteral("kein Dateiname"));

    // Where the name starts: a drive, the root of this computer, or the print-file folder.
    QString base;
    QString rest = text;
    if (text.size() >= 2 && text[1] == u':' && text[0].isLetter() && text[0].unicode() < 128) {
        base = m_drives.folderOf(text[0]);
        if (base.isEmpty())
            return refused(QStringLiteral("Laufwerk %1: ist keinem Ordner zugeordnet ([Laufwerke] in PS.INI)")
                               .arg(text[0].toUpper()));
        rest = text.mid(2);
    } else if (text.startsWith(u'/')) {
        base = QStringLiteral("/");
    } else {
        base = m_printFileFolder;
    }

    QStringList parts;
    for (const QString& part : rest.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts)) {
        if (part == u'.')
            continue;
        if (part == QStringLiteral("..")) {
            if (parts.isEmpty())
                return refused(QStringLiteral("führt aus seinem Ordner heraus"));
            parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    if (parts.isEmpty())
        return refused(QStringLiteral("nennt keine Datei"));

    QDir folder(base);
    if (!folder.exists())
        return refused(QStringLiteral("der Ordner %1 existiert nicht").arg(QDir::toNativeSeparators(base)));
    QString path;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const bool last = i == parts.size() - 1;
        const QString entry = matchingEntry(folder, parts[i]);
        if (entry.isEmpty() && !(last && lastMayBeMissing))
            return refused(QStringLiteral("nicht gefunden"));
        const QString canonicalHere = folder.canonicalPath();
        if (last) {
            path = entry.isEmpty() ? folders::join(canonicalHere, parts[i])
                                   : QFileInfo(folder.filePath(entry)).canonicalFilePath();
            if (path.isEmpty()) // a dangling link
                return refused(QStringLiteral("nicht gefunden"));
        } else if (!folder.cd(entry)) {
            return refused(QStringLiteral("nicht gefunden"));
        }
    }

    if (isServerFile(path))
        return refused(QStringLiteral("gehört dem Druckserver"));
    if (!m_trusted && !isInsideDrive(path))
        return refused(QStringLiteral("liegt außerhalb der Laufwerke ([Laufwerke] in PS.INI)"));
    if (!lastMayBeMissing && !QFileInfo(path).isFile())
        return refused(QStringLiteral("ist keine Datei"));
    return {path, QString()};
}

bool JobFiles::isInsideDrive(const QString& canonicalPath) const
{
    return std::any_of(m_drives.drives.cbegin(), m_drives.drives.cend(), [&](const DriveMap::Drive& drive) {
        return isInside(canonicalPath, canonicalFolder(drive.folder));
    });
}

bool JobFiles::isServerFile(const QString& canonicalPath) const
{
    return std::any_of(m_serverFiles.cbegin(), m_serverFiles.cend(),
                       [&](const QString& own) { return isInside(canonicalPath, own); });
}

bool JobFiles::mayWriteSettings(const QString& canonicalPath) const
{
    if (!canonicalPath.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive) || isServerFile(canonicalPath))
        return false;
    return isInside(canonicalPath, canonicalFolder(folders::appDataFolder())) || isInsideDrive(canonicalPath);
}

std::optional<QByteArray> JobFiles::read(const QString& canonicalPath, qint64 maxBytes)
{
    return safefiles::readRegularFile(canonicalPath, maxBytes, safefiles::Links::Refuse);
}
