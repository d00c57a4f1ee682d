#include "server/QueueSetup.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <cstdio>
#include <pwd.h>
#include <unistd.h>

namespace {

void print(std::FILE* stream, const QString& text)
{
    std::fputs((text + u'\n').toUtf8().constData(), stream);
}

// The user the queue serves: the caller, or the one who called sudo.
QString callingUser()
{
    const QString sudoUser = qEnvironmentVariable("SUDO_USER");
    if (::getuid() == 0 && !sudoUser.isEmpty() && ::getpwnam(sudoUser.toLocal8Bit().constData()))
        return sudoUser;
    const struct passwd* entry = ::getpwuid(::getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

} // namespace

QStringList queueSetupArguments(const QString& user)
{
    return {"-p", QueueName, "-E", "-v", "druckserver:/" + user, "-o", "printer-error-policy=retry-job"};
}

int setUpPrinterQueue()
{
    const QString user = callingUser();
    if (user.isEmpty()) {
        print(stderr, QStringLiteral("Der aufrufende Benutzer ist unbekannt; die Druckerwarteschlange wird nicht "
                                     "eingerichtet."));
        return 1;
    }
    const QStringList arguments = queueSetupArguments(user);
    const QString line = "lpadmin " + arguments.join(u' ');
    QProcess lpadmin;
    // lpadmin's messages in English, so the reason can be told apart in any language.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C");
    lpadmin.setProcessEnvironment(environment);
    lpadmin.setProcessChannelMode(QProcess::MergedChannels);
    lpadmin.start("lpadmin", arguments);
    if (!lpadmin.waitForStarted()) {
        print(stderr, QStringLiteral("lpadmin fehlt; bitte das Paket cups-client installieren. Dann richtet diese "
                                     "Zeile die Druckerwarteschlange ein:\n  ") +
                          line);
        return 1;
    }
    lpadmin.waitForFinished(60000);
    const QString said = QString::fromLocal8Bit(lpadmin.readAll()).trimmed();
    if (lpadmin.exitStatus() == QProcess::NormalExit && lpadmin.exitCode() == 0) {
        print(stdout, QStringLiteral("Die Druckerwarteschlange „%1“ ist eingerichtet: Aufträge an sie gehen an den "
                                     "Druckserver von %2, sobald er läuft.\nZum Beispiel: lp -d %1 -o raw DATEI")
                          .arg(QueueName, user));
        return 0;
    }
    QString why;
    if (said.contains("Forbidden") || said.contains("Unauthorized") || said.contains("not authorized")) {
        why = QStringLiteral("Das darf nur ein Administrator (root oder ein Mitglied der Gruppe lpadmin). Ein "
                             "Administrator richtet sie für %1 mit dieser Zeile ein:\n  %2\n")
                  .arg(user, line);
    } else if (said.contains("Bad device-uri scheme")) {
        why = QStringLiteral("Das CUPS-Backend „druckserver“ fehlt (in /usr/lib/cups/backend, Besitzer root, "
                             "Modus 0700); das Paket druckserver bringt es mit.\n");
    } else if (said.contains("Unable to connect")) {
        why = QStringLiteral("CUPS läuft nicht (Paket cups).\n");
    }
    print(stderr, QStringLiteral("Die Druckerwarteschlange „%1“ wurde nicht eingerichtet. %2lpadmin meldet: %3")
                      .arg(QueueName, why, said.isEmpty() ? QStringLiteral("nichts") : said));
    return 1;
}
