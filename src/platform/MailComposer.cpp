#include "platform/MailComposer.h"

#include "platform/MessagePump.h"

#include <QProcess>

namespace {

const char* option(MailRecipient::Kind kind)
{
    switch (kind) {
    case MailRecipient::Kind::Cc:
        return "--cc";
    case MailRecipient::Kind::Bcc:
        return "--bcc";
    case MailRecipient::Kind::To:
        break;
    }
    return "--to";
}

// xdg-email's exit codes in the user's words; its own output is a list of what it
// tried, which tells the user nothing.
QString failureText(int exitCode)
{
    switch (exitCode) {
    case 2:
        return QStringLiteral("Das Mailprogramm findet einen Anhang der Mail nicht.");
    case 3:
        return QStringLiteral("Auf diesem Rechner ist kein Mailprogramm eingerichtet, das die Mail öffnen könnte.");
    default:
        return QStringLiteral("Das Mailprogramm ließ sich nicht öffnen (xdg-email, Fehler %1).").arg(exitCode);
    }
}

// The command line for a message. xdg-email refuses empty values, so empty recipients,
// subject and body are left out.
QStringList arguments(const MailMessage& message)
{
    QStringList args{QStringLiteral("--utf8")};
    for (const MailRecipient& r : message.recipients) {
        const QString address = r.address.trimmed();
        if (!address.isEmpty())
            args << QString::fromLatin1(option(r.kind)) << address;
    }
    if (!message.subject.isEmpty())
        args << QStringLiteral("--subject") << message.subject;
    if (!message.body.isEmpty())
        args << QStringLiteral("--body") << message.body;
    for (const QString& path : message.attachments)
        args << QStringLiteral("--attach") << path;
    return args;
}

} // namespace

MailResult MailComposer::signOn(const QString&, const QString&)
{
    return MailResult::done();
}

MailResult MailComposer::send(const MailMessage& message)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return MailResult::failed(QStringLiteral("Ohne grafische Sitzung lässt sich das Fenster des Mailprogramms "
                                                 "nicht öffnen. Für den Versand ohne Fenster stellen Sie "
                                                 "MailDirect=1 und den Mailserver ein."));
    QProcess process;
    process.start(QStringLiteral("xdg-email"), arguments(message));
    if (!process.waitForStarted())
        return MailResult::failed(QStringLiteral("Das Mailprogramm lässt sich nicht öffnen: xdg-email fehlt (Paket "
                                                 "xdg-utils)."));
    while (process.state() != QProcess::NotRunning) {
        process.waitForFinished(20);
        pump::letMessagesRun();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return MailResult::failed(failureText(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : 4));
    return MailResult::done();
}
