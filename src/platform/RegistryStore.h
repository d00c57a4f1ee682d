#pragma once

#include <QString>

#include <memory>
#include <optional>

// The few values the program keeps in the user's registry (the fax number hand-over,
// the autostart entry). On Windows this is the real registry; here it is a file in the
// user's configuration folder that keeps root key, subkey path and value name.
// Subkey paths and value names compare without regard to case, as in the registry.
class RegistryStore
{
public:
    enum class Root { CurrentUser, LocalMachine };
    enum class Type { String, DWord };

    struct Value
    {
        Type type = Type::String;
        QString text;      // for String
        quint32 dword = 0; // for DWord
    };

    virtual ~RegistryStore() = default;

    // Creates the key when it is missing. Returns false when nothing could be stored.
    virtual bool setValue(Root root, const QString& subkey, const QString& name, const Value& value) = 0;
    // Does not create anything; a missing key or value gives nothing.
    virtual std::optional<Value> value(Root root, const QString& subkey, const QString& name) const = 0;
};

// The process-wide store. Until one is installed, a file store at
// $XDG_CONFIG_HOME/druckserver/registry.ini is used.
RegistryStore& registryStore();
void setRegistryStore(std::unique_ptr<RegistryStore> store);

// The file-backed store of this platform.
class FileRegistryStore : public RegistryStore
{
public:
    explicit FileRegistryStore(QString fileName);
    static QString defaultFileName();

    bool setValue(Root root, const QString& subkey, const QString& name, const Value& value) override;
    std::optional<Value> value(Root root, const QString& subkey, const QString& name) const override;

private:
    QString m_fileName;
};
