#include "Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace folders {
namespace {

QString sharedDataFolder()
{
    const QString dir = QDir::homePath() + QStringLiteral("/.local/share/druckserver");
    QDir().mkpath(dir);
    return dir;
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
        if (QFileInfo::exists(join(exeDir, QStringLiteral("Wasser.txt"))) || QFileInfo(exeDir).isWritable())
            return exeDir;
    }
    return sharedDataFolder();
}

QString homeFolder()
{
    return QDir::homePath();
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
