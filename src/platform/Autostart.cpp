#include "platform/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace autostart {
namespace {

// The Exec key of a desktop entry splits its value at blanks and gives '"', '`', '$'
// and '\' a meaning inside quotes; a path with any of these is quoted and escaped.
QString execArgument(QString path)
{
    path.replace(u'%', QStringLiteral("%%")); // '%' starts a field code
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (std::none_of(path.begin(), path.end(), [](QChar c) { return reserved.contains(c); }))
        return path;
    QString quoted = path;
    quoted.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'"', QStringLiteral("\\\""))
        .replace(u'`', QStringLiteral("\\`"))
        .replace(u'$', QStringLiteral("\\$"));
    // Inside a desktop entry value a backslash is itself escaped once more.
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    return u'"' + quoted + u'"';
}

} // namespace

QString entryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/druckserver.desktop");
}

bool isRegistered()
{
    return QFileInfo::exists(entryPath());
}

bool setRegistered(bool registered, const QString& executable)
{
    const QString path = entryPath();
    if (!registered)
        return !QFileInfo::exists(path) || QFile::remove(path);

    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Druckserver\n"
                                         "Comment=Druckserver für DOS-Programme\n"
                                         "Exec=%1\n"
                                         "Icon=druckserver\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execArgument(executable));
    file.write(entry.toUtf8());
    return file.commit();
}

} // namespace autostart
