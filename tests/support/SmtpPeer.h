#pragma once

#include "support/PdfTools.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

// A real SMTP server for the mail tests: aiosmtpd (Debian's python3-aiosmtpd, run with
// /usr/bin/python3) as a child process on a free port, keeping every mail it accepts as
// Python's email package reads it. Recipients at "unknown.test" are refused with 550; a mail
// to one at "drop.test" loses its connection once the mail was handed over.
class SmtpPeer
{
public:
    struct Options
    {
        QString host = "127.0.0.1"; // "external": an address that is not loopback
        QString user;               // set: AUTH required, only this login works
        QString password;
        bool starttls = false; // STARTTLS required, with a self-signed certificate
    };

    SmtpPeer() : SmtpPeer(Options{}) {}
    explicit SmtpPeer(const Options& options)
    {
        QStringList args{DRUCKSERVER_TEST_SUPPORT_DIR "/smtp_peer.py", "--out", m_dir.path(), "--host", options.host};
        if (!options.user.isEmpty())
            args << "--user" << options.user << "--password" << options.password;
        if (options.starttls)
            args << "--starttls";
        m_process.start("/usr/bin/python3", args);
        // The first line names where it listens; without it the peer could not start.
        (void)QTest::qWaitFor([&] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; },
                              15000);
        const QStringList where = QString::fromUtf8(m_process.readLine()).trimmed().split(' ');
        m_url = where.size() == 2 ? "smtp://" + where.join(':') : QString();
        m_error = "/usr/bin/python3 with python3-aiosmtpd did not start: " + m_process.readAllStandardError();
    }
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
    QList<Mail> mails() const
    {
        QList<Mail> found;
        for (int n = 1;; ++n) {
            QFile file(m_dir.filePath(QString::number(n) + ".json"));
            if (!file.open(QIODevice::ReadOnly))
                return found;
            const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
            Mail mail{o["mail_from"].toString(), o["login"].toString(),    o["rcpt_tos"].toVariant().toStringList(),
                      o["tls"].toBool(),         QMap<QString, QString>(), o["body"].toString(),
                      QList<Attachment>()};
            for (const QString& name : o["headers"].toObject().keys())
                mail.headers.insert(name, o["headers"][name].toString());
            for (const QJsonValue& a : o["attachments"].toArray())
                mail.attachments.append({a["filename"].toString(), a["type"].toString(), a["path"].toString()});
            found.append(mail);
        }
    }
    bool waitForMails(int count, int timeoutMs = 15000) const
    {
        return QTest::qWaitFor([&] { return mails().size() >= count; }, timeoutMs);
    }

private:
    QTemporaryDir m_dir;
    ChildProcess m_process;
    QString m_url;
    QString m_error;
};
