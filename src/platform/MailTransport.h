#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

// The mail system the e-mail output hands its mail to. A transport lives for one mail:
// sign on, send one message, sign off (the destructor signs off as well).
//
// Two transports sit behind this seam. Without the mail program's window the mail goes
// straight to an SMTP server; with it, the desktop's mail composer opens with everything
// filled in and the user sends it from there. On Windows both are one Simple MAPI
// session (see docs/windows.md).

struct MailRecipient
{
    enum class Kind : qint16
    {
        To = 1,
        Cc = 2,
        Bcc = 3
    };

    // The name and the address a mail system is given; the e-mail output passes the
    // same text for both. Blanks around an address and a "Name <address>" form are the
    // transport's to resolve; an empty address is passed on as it is.
    QString name;
    QString address;
    Kind kind = Kind::To;
};

struct MailMessage
{
    QList<MailRecipient> recipients;
    QString subject;
    QString body;            // lines separated by CR LF or LF
    QStringList attachments; // full paths, in the order they are attached
};

// Done, or failed with a German text for the user that names the cause.
struct MailResult
{
    bool ok = true;
    QString message;

    static MailResult done() { return {}; }
    static MailResult failed(const QString& message) { return {false, message}; }
};

class MailTransport
{
public:
    virtual ~MailTransport() = default;

    // Opens the session with the user's name and password. A session that could not be
    // opened (server unreachable, login refused, a password that would travel
    // unencrypted) fails here, before any message is handed over.
    virtual MailResult signOn(const QString& name, const QString& password) = 0;
    // Hands the message over: sent at once, or shown in the composer. Lets window
    // messages run while it waits, so the program stays responsive.
    virtual MailResult send(const MailMessage& message) = 0;
    // Ends the session. Never fails; calling it twice is harmless.
    virtual void signOff() = 0;
};

// Where a mail sent without the window goes: the server as a URL (smtp://host:port or
// smtps://host:port; a bare host name means smtp://) and the sender's address.
struct SmtpAccount
{
    QString server;
    QString from;
};

// The transport for one mail: the desktop composer when `showWindow` is set, else SMTP
// to the account's server.
std::unique_ptr<MailTransport> openMailTransport(bool showWindow, const SmtpAccount& account);
