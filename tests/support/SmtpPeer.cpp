#include "SmtpPeer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

SmtpPeer::SmtpPeer(const Options& options)
{
    QStringList args{DRUCKSERVER_TEST_SUPPORT_DIR "/smtp_peer.py", "--out", m_dir.path(), "--host", options.host};
    if (!options.user.isEmpty())
        args << "--user" << options.user << "--password" << options.password;
    if (options.starttls)
        args << "--starttls";
    m_process.start("/usr/bin/python3", args);
    // The first line names where it listens; without it the peer could not start.
    (void)QTest::qWaitFor([&] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; }, 15000);
    const QStringList where = QString::fromUtf8(m_process.readLine()).split(' ');
    if (where.size() == 2)
        m_url = "smtp://" + where[0] + ":" + where[1].trimmed();
    else
        m_error =
            "/usr/bin/python3 with aiosmtpd (python3-aiosmtpd) did not start: " + m_process.readAllStandardError();
}

SmtpPeer::~SmtpPeer()
{
    m_process.kill();
    m_process.waitForFinished();
}

QList<SmtpPeer::Mail> SmtpPeer::mails() const
{
    QList<Mail> found;
    for (int n = 1;; ++n) {
        QFile file(m_dir.filePath(QString::number(n) + ".json"));
        if (!file.open(QIODevice::ReadOnly))
            return found;
        const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
        Mail mail{
            o["mail_from"].toString(), o["login"].toString(), {}, o["tls"].toBool(), {}, o["body"].toString(), {}};
        for (const QJsonValue& r : o["rcpt_tos"].toArray())
            mail.rcptTos << r.toString();
        for (const QString& name : o["headers"].toObject().keys())
            mail.headers.insert(name, o["headers"][name].toString());
        for (const QJsonValue& a : o["attachments"].toArray())
            mail.attachments.append({a["filename"].toString(), a["type"].toString(), a["path"].toString()});
        found.append(mail);
    }
}

bool SmtpPeer::waitForMails(int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return mails().size() >= count; }, timeoutMs);
}
