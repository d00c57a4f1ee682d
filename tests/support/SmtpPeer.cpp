#include "SmtpPeer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

SmtpPeer::SmtpPeer(const Options& options) : m_host(options.host)
{
    QStringList args{QStringLiteral(DRUCKSERVER_TEST_SUPPORT_DIR "/smtp_peer.py"), "--out", m_dir.path(), "--host",
                     options.host};
    if (!options.user.isEmpty())
        args << "--user" << options.user << "--password" << options.password;
    if (options.starttls)
        args << "--starttls";
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    // The first line is the port; anything else means the peer could not start.
    (void)QTest::qWaitFor([&] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; }, 15000);
    m_port = m_process.canReadLine() ? m_process.readLine().trimmed().toInt() : 0;
    if (m_port <= 0)
        m_error = QStringLiteral("/usr/bin/python3 with aiosmtpd (python3-aiosmtpd) did not start: ") +
                  QString::fromLocal8Bit(m_process.readAllStandardError());
}

SmtpPeer::~SmtpPeer()
{
    m_process.kill();
    m_process.waitForFinished();
}

QString SmtpPeer::url() const
{
    return QStringLiteral("smtp://%1:%2").arg(m_host).arg(m_port);
}

QList<SmtpPeer::Mail> SmtpPeer::mails() const
{
    QList<Mail> found;
    const QDir dir(m_dir.path());
    for (int n = 1; dir.exists(QStringLiteral("%1.json").arg(n)); ++n) {
        QFile file(dir.filePath(QStringLiteral("%1.json").arg(n)));
        file.open(QIODevice::ReadOnly);
        const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
        Mail mail;
        mail.mailFrom = o["mail_from"].toString();
        for (const QJsonValue& r : o["rcpt_tos"].toArray())
            mail.rcptTos << r.toString();
        mail.tls = o["tls"].toBool();
        mail.login = o["login"].toString();
        const QJsonObject headers = o["headers"].toObject();
        for (auto it = headers.begin(); it != headers.end(); ++it)
            mail.headers.insert(it.key(), it.value().toString());
        mail.body = o["body"].toString();
        for (const QJsonValue& a : o["attachments"].toArray()) {
            const QJsonObject att = a.toObject();
            mail.attachments.append({att["filename"].toString(), att["type"].toString(), att["path"].toString()});
        }
        mail.rawPath = dir.filePath(QStringLiteral("%1.eml").arg(n));
        found.append(mail);
    }
    return found;
}

bool SmtpPeer::waitForMails(int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return mails().size() >= count; }, timeoutMs);
}
