#pragma once

#include <QColor>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <ostream>

// A private AppData folder, program folder, configuration, state and runtime folder for one
// test. While it lives, APPDATA, DRUCKSERVER_HOME, XDG_CONFIG_HOME, XDG_STATE_HOME and
// DRUCKSERVER_RUNTIME_DIR point at them, so nothing touches the user's real files or socket.
class TempFolders
{
public:
    TempFolders();
    ~TempFolders();

    QString root() const { return m_dir.path(); }
    QString appData() const { return root() + "/appdata"; }
    QString program() const { return root() + "/program"; }
    QString config() const { return root() + "/config"; }
    QString state() const { return root() + "/state"; }
    QString runtime() const { return root() + "/run"; }
    QString settingsFile() const { return appData() + "/PS.INI"; }
    QString printFile() const { return appData() + "/d.dat"; }

    // Writes a file (bytes as given, folders made on the way) and returns its path.
    static QString writeFile(const QString& path, const QByteArray& bytes);
    // A print file as a DOS program leaves it: written, then back-dated by `secondsOld`,
    // so the reader takes it as complete.
    static QString writeAged(const QString& path, const QByteArray& bytes, int secondsOld = 60);
    // A picture of one colour, in the format its name ends with unless `format` says.
    static QString writePicture(const QString& path, int width, int height, QColor colour = Qt::red,
                                const char* format = nullptr);
    // Writes "[section]\nkey=value" lines into the default settings file.
    void setSetting(const QString& section, const QString& key, const QString& value) const;
    // The environment in which the real executable runs headless on these folders.
    QProcessEnvironment serverEnvironment() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_old[5];
};

// Path of a file under tests/data.
QString testDataPath(const QString& name);

// Readable QString values in test failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
