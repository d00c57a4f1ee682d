#include "support/TempFolders.h"

#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "platform/RegistryStore.h"
#include "settings/SettingsKeys.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImage>

// The variables that point the program at its folders: AppData, program, configuration,
// state (the journal), runtime (the printer queue's socket).
static const char* const Variables[5] = {"APPDATA", "DRUCKSERVER_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME",
                                         "DRUCKSERVER_RUNTIME_DIR"};

TempFolders::TempFolders()
{
    const QString folders[5] = {appData(), program(), config(), state(), runtime()};
    for (int i = 0; i < 5; ++i) {
        m_old[i] = qgetenv(Variables[i]);
        if (i < 4) // the runtime folder is the server's to make, as /run/user/<uid> would be there
            QDir().mkpath(folders[i]);
        qputenv(Variables[i], folders[i].toLocal8Bit());
    }
    SettingsWindowOpen() = false;
    setRegistryStore(std::make_unique<FileRegistryStore>(config() + "/druckserver/registry.ini"));
    msgbox::clearHistory();
}

TempFolders::~TempFolders()
{
    for (int i = 0; i < 5; ++i)
        m_old[i].isNull() ? qunsetenv(Variables[i]) : qputenv(Variables[i], m_old[i]);
    setRegistryStore(nullptr);
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
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    image.save(writeFile(path, {}), format);
    return path;
}

void TempFolders::setSetting(const QString& section, const QString& key, const QString& value) const
{
    profile::WritePrivateProfileString(section, key, value, settingsFile());
}

QProcessEnvironment TempFolders::serverEnvironment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment(); // pointed at the folders
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

QString testDataPath(const QString& name)
{
    return DRUCKSERVER_TEST_DATA_DIR "/" + name;
}
