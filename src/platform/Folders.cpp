#include "platform/Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace folders {
namespace {

QString sharedDataFolder()
{
    const QString dir = QDir::homePath() + QStringLiteral("/.local/share/druckserver");
    QDir().mkpath(dir);
    return dir;
}

// An installed program keeps its default watermark file in its data folder; every user
// edits a copy of it in their own folder.
QString userCopyOf(const QString& installedWatermarks)
{
    const QString folder = sharedDataFolder();
    const QString own = join(folder, QStringLiteral("Wasser.txt"));
    // The copy is the user's to edit, whatever the installed file's mode.
    if (!QFileInfo::exists(own) && QFile::copy(installedWatermarks, own))
        QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return folder;
}

} // namespace

QString appDataFolder()
{
    const QString env = qEnvironmentVariable("APPDATA");
    return env.isEmpty() ? sharedDataFolder() : env;
}

QString programFolder()
{
    const QString env = qEnvironmentVariable("DRUCKSERVER_HOME");
    if (!env.isEmpty())
        return env;
    if (QCoreApplication::instance()) {
        const QString exeDir = QCoreApplication::applicationDirPath();
        if (QFileInfo::exists(join(exeDir, QStringLiteral("Wasser.txt"))))
            return exeDir;
        const QString installed = QDir::cleanPath(exeDir + QStringLiteral("/" DRUCKSERVER_DATA_FROM_BIN "/Wasser.txt"));
        if (QFileInfo::exists(installed))
            return userCopyOf(installed);
        if (QFileInfo(exeDir).isWritable())
            return exeDir;
    }
    return sharedDataFolder();
}

QString homeFolder()
{
    return QDir::homePath();
}

QString findIn(const QString& folder, const QString& name)
{
    const QDir dir(folder);
    if (name.isEmpty() || QFileInfo::exists(dir.filePath(name)))
        return join(folder, name);
    QStringList all = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    all.sort();
    for (const QString& file : std::as_const(all)) {
        if (file.compare(name, Qt::CaseInsensitive) == 0)
            return join(folder, file);
    }
    return join(folder, name);
}

QString join(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return name;
    const QChar sep = QDir::separator();
    if (folder.endsWith(sep) || folder.endsWith(u'/'))
        return folder + name;
    return folder + sep + name;
}

} // namespace folders
