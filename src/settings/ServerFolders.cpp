#include "settings/ServerFolders.h"

#include "platform/Folders.h"
#include "platform/RegistryStore.h"
#include "platform/TempJournal.h"
#include "settings/SettingsKeys.h"

#include <QDir>
#include <QFileInfo>

namespace serverfolders {
namespace {

QString canonical(const QString& path)
{
    // A folder not made yet still belongs to the server: compare its cleaned path then.
    const QString real = QFileInfo(path).canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : real;
}

} // namespace

QString printFileFolder()
{
    const QString named = keys::readString(DefaultSettingsFile(), keys::PrintFileFolder);
    return named.isEmpty() ? folders::appDataFolder() : named;
}

QString spoolFolder()
{
    return folders::join(folders::appDataFolder(), QStringLiteral("spool"));
}

QString faultyFolder()
{
    return folders::join(folders::appDataFolder(), QStringLiteral("fehlerhaft"));
}

QString journalFolder()
{
    return tempjournal::folder();
}

QStringList ownFiles()
{
    const QString appData = folders::appDataFolder();
    return {canonical(DefaultSettingsFile()),
            canonical(spoolFolder()),
            canonical(faultyFolder()),
            canonical(journalFolder()),
            canonical(folders::join(appData, QStringLiteral("temp"))), // the journal of earlier versions
            canonical(FileRegistryStore::defaultFileName())};
}

} // namespace serverfolders
