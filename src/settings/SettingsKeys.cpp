#include "settings/SettingsKeys.h"

#include "platform/Folders.h"
#include "settings/ReadingRules.h"

namespace keys {

QString pdfFolderDefault()
{
    return folders::homeFolder();
}

qint32 Key::bounded(qint32 value) const
{
    return allows(value) ? value : rules::wholeNumber(fallback());
}

double Key::bounded(double value) const
{
    return allows(value) ? value : rules::numericValue(fallback());
}

namespace {

QString fallbackOf(const Key& key)
{
    if (qstrcmp(key.name, PDFFolder.name) == 0)
        return pdfFolderDefault();
    return key.fallback();
}

} // namespace

QString readString(const QString& file, const Key& key)
{
    return rules::readString(file, Pserver, key.key(), fallbackOf(key));
}

qint32 readNumber(const QString& file, const Key& key)
{
    return key.bounded(rules::readNumber(file, Pserver, key.key(), key.fallback()));
}

bool readFlag(const QString& file, const Key& key)
{
    return rules::readFlag(file, Pserver, key.key(), fallbackOf(key));
}

} // namespace keys

QString DefaultSettingsFile()
{
    return folders::join(folders::appDataFolder(), QStringLiteral("PS.INI"));
}

bool& SettingsWindowOpen()
{
    static bool open = false;
    return open;
}
