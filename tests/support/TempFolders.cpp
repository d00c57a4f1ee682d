#include "TempFolders.h"

#include "MessageBox.h"
#include "Profile.h"
#include "RegistryStore.h"
#include "ServerSettings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

TempFolders::TempFolders()
    : m_oldAppData(qgetenv("APPDATA")), m_oldHome(qgetenv("DRUCKSERVER_HOME")), m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
{
    QDir(m_dir.path()).mkpath(QStringLiteral("appdata"));
    QDir(m_dir.path()).mkpath(QStringLiteral("program"));
    QDir(m_dir.path()).mkpath(QStringLiteral("config"));
    qputenv("APPDATA", appData().toLocal8Bit());
    qputenv("DRUCKSERVER_HOME", program().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", config().toLocal8Bit());
    AppDataFolder() = appData();
    SettingsWindowOpen() = false;
    ServerSettings() = ServerSettingsRecord{};
    setRegistryStore(std::make_unique<FileRegistryStore>(config() + QStringLiteral("/druckserver/registry.ini")));
    msgbox::clearHistory();
}

TempFolders::~TempFolders()
{
    auto restore = [](const char* name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    restore("APPDATA", m_oldAppData);
    restore("DRUCKSERVER_HOME", m_oldHome);
    restore("XDG_CONFIG_HOME", m_oldConfig);
    AppDataFolder().clear();
    setRegistryStore(nullptr);
}

QString TempFolders::appData() const
{
    return m_dir.path() + QStringLiteral("/appdata");
}

QString TempFolders::program() const
{
    return m_dir.path() + QStringLiteral("/program");
}

QString TempFolders::config() const
{
    return m_dir.path() + QStringLiteral("/config");
}

QString TempFolders::settingsFile() const
{
    return appData() + QStringLiteral("/PS.INI");
}

QString TempFolders::printFile() const
{
    return appData() + QStringLiteral("/d.dat");
}

QString TempFolders::writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

QString TempFolders::writeAged(const QString& path, const QByteArray& bytes, int secondsOld)
{
    QFile file(writeFile(path, bytes));
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::currentDateTime().addSecs(-secondsOld), QFileDevice::FileModificationTime);
    return path;
}

QString TempFolders::writePicture(const QString& path, int width, int height, QColor colour, const char* format)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path, format);
    return path;
}

void TempFolders::setSetting(const QString& section, const QString& key, const QString& value) const
{
    profile::WritePrivateProfileString(section, key, value, settingsFile());
}

QProcessEnvironment TempFolders::serverEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("APPDATA"), appData());
    env.insert(QStringLiteral("DRUCKSERVER_HOME"), program());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

QString testDataPath(const QString& name)
{
    return QStringLiteral(DRUCKSERVER_TEST_DATA_DIR "/") + name;
}
