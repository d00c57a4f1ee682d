#include "platform/RegistryStore.h"

#include "platform/Profile.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>

namespace {

std::unique_ptr<RegistryStore>& storeSlot()
{
    static std::unique_ptr<RegistryStore> store;
    return store;
}

// One profile section per key: "HKEY_CURRENT_USER\Software\AVM\Fritz! 2.0\FAX".
// Separators are normalised so that "a\\b\" and "a\b" are the same key.
QString sectionName(RegistryStore::Root root, const QString& subkey)
{
    const QStringList parts = QString(subkey).replace(u'/', u'\\').split(u'\\', Qt::SkipEmptyParts);
    const QString rootName = root == RegistryStore::Root::CurrentUser ? QStringLiteral("HKEY_CURRENT_USER")
                                                                      : QStringLiteral("HKEY_LOCAL_MACHINE");
    return (QStringList{rootName} + parts).join(u'\\');
}

// A value is stored as "sz:" or "dword:" followed by its percent-encoded text, so that
// blanks, quotes and line breaks survive the profile format. Value names are encoded
// too, because "=" may appear in them.
QString encodeName(const QString& name)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(name.isEmpty() ? QStringLiteral("@") : name, " "));
}

} // namespace

RegistryStore& registryStore()
{
    auto& store = storeSlot();
    if (!store)
        store = std::make_unique<FileRegistryStore>(FileRegistryStore::defaultFileName());
    return *store;
}

void setRegistryStore(std::unique_ptr<RegistryStore> store)
{
    storeSlot() = std::move(store);
}

FileRegistryStore::FileRegistryStore(QString fileName) : m_fileName(std::move(fileName)) {}

QString FileRegistryStore::defaultFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/druckserver/registry.ini");
}

bool FileRegistryStore::setValue(Root root, const QString& subkey, const QString& name, const Value& value)
{
    QDir().mkpath(QFileInfo(m_fileName).absolutePath());
    const QString text = value.type == Type::String
                             ? QStringLiteral("sz:") + QString::fromLatin1(QUrl::toPercentEncoding(value.text))
                             : QStringLiteral("dword:") + QString::number(value.dword);
    return profile::WritePrivateProfileString(sectionName(root, subkey), encodeName(name), text, m_fileName);
}

std::optional<RegistryStore::Value> FileRegistryStore::value(Root root, const QString& subkey,
                                                             const QString& name) const
{
    const QString text =
        profile::GetPrivateProfileString(sectionName(root, subkey), encodeName(name), QString(), 1 << 20, m_fileName);
    if (text.startsWith(QStringLiteral("sz:")))
        return Value{Type::String, QUrl::fromPercentEncoding(text.mid(3).toLatin1()), 0};
    if (text.startsWith(QStringLiteral("dword:"))) {
        bool ok = false;
        const quint32 number = text.mid(6).toUInt(&ok);
        if (ok)
            return Value{Type::DWord, QString(), number};
    }
    return std::nullopt;
}
