#pragma once

#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A real SMTP server for the mail tests: aiosmtpd (Debian's python3-aiosmtpd, run with
// /usr/bin/python3) as a child process on a free port, keeping every mail it accepts.
// What it records of a mail is what Python's email package reads from it. Recipients at
// "unknown.test" are refused with 550.
class SmtpPeer
{
public:
    struct Options
    {
        QString host = QStringLiteral("127.0.0.1");
        QString user; // non-empty: AUTH offered and required, only this login works
        QString password;
        bool starttls = false; // a self-signed certificate; STARTTLS offered and required
    };

    SmtpPeer() : SmtpPeer(Options{}) {}
    explicit SmtpPeer(const Options& options);
    ~SmtpPeer();
    SmtpPeer(const SmtpPeer&) = delete;
    SmtpPeer& operator=(const SmtpPeer&) = delete;

    bool isRunning() const { return m_port > 0; }
    QString error() const { return m_error; }
    // smtp://host:port
    QString url() const;

    struct Attachment
    {
        QString fileName; // as the email package decodes it
        QString type;
        QString path; // the decoded content
    };
    struct Mail
    {
        QString mailFrom;
        QStringList rcptTos; // the envelope
        bool tls = false;
        QString login;                  // empty without AUTH
        QMap<QString, QString> headers; // from, to, cc, bcc, subject, date, message-id (decoded)
        QString body;
        QList<Attachment> attachments;
        QString rawPath; // the bytes as received
    };

    // Mails accepted so far, oldest first.
    QList<Mail> mails() const;
    bool waitForMails(int count, int timeoutMs = 15000) const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_host;
    int m_port = 0;
    QString m_error;
};
