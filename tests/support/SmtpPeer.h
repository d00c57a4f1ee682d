#pragma once

#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real SMTP server for the mail tests: aiosmtpd (Debian's python3-aiosmtpd, run with
// /usr/bin/python3) as a child process on a free port, keeping every mail it accepts as
// Python's email package reads it. Recipients at "unknown.test" are refused with 550.
class SmtpPeer
{
public:
    struct Options
    {
        QString host = QStringLiteral("127.0.0.1"); // "external": an address that is not loopback
        QString user;                               // set: AUTH required, only this login works
        QString password;
        bool starttls = false; // STARTTLS required, with a self-signed certificate
    };

    SmtpPeer() : SmtpPeer(Options{}) {}
    explicit SmtpPeer(const Options& options);
    ~SmtpPeer();

    bool isRunning() const { return !m_url.isEmpty(); }
    QString error() const { return m_error; }
    QString url() const { return m_url; } // smtp://host:port

    struct Attachment
    {
        QString fileName, type;
        QString path; // the decoded content
    };
    struct Mail
    {
        QString mailFrom, login; // login: empty without AUTH
        QStringList rcptTos;
        bool tls = false;
        QMap<QString, QString> headers; // lower-case names, decoded values
        QString body;
        QList<Attachment> attachments;
    };
    // Mails accepted so far, oldest first.
    QList<Mail> mails() const;
    bool waitForMails(int count, int timeoutMs = 15000) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_url;
    QString m_error;
};
