#pragma once

#include "support/PdfTools.h"

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

// A real Samba server for one test: a private smbd on a free loopback port with its own
// state folders, sharing one folder as "DRUCK" to guests, as the README's network recipe
// shares the print-file folder with the DOS PCs. `shareSettings` are the share's lines of
// smb.conf ("path = ..." and what else the recipe gives). A client (smbclient) stands in
// for the DOS PC.
class SambaShare
{
public:
    explicit SambaShare(const QString& shareSettings)
    {
        QTcpServer probe; // a free port, taken back just before smbd takes it
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();
        const QString root = m_dir.path();
        for (const char* folder : {"state", "cache", "lock", "pid", "private", "log"})
            QDir().mkpath(root + "/" + folder);
        QFile conf(root + "/smb.conf");
        if (!conf.open(QIODevice::WriteOnly))
            return;
        conf.write(QStringLiteral("[global]\nsmb ports = %1\nbind interfaces only = yes\ninterfaces = lo\n"
                                  "state directory = %2/state\ncache directory = %2/cache\nlock directory = %2/lock\n"
                                  "pid directory = %2/pid\nprivate dir = %2/private\nlog file = %2/log/log.%m\n"
                                  "map to guest = Bad User\nload printers = no\ndisable spoolss = yes\n"
                                  "server min protocol = LANMAN1\n[DRUCK]\nguest ok = yes\n%3\n")
                       .arg(m_port)
                       .arg(root, shareSettings)
                       .toUtf8());
        conf.close();
        m_smbd.start("smbd", {"--foreground", "--no-process-group", "-s", conf.fileName()});
        // Up once a client gets the share's listing.
        m_running = m_smbd.waitForStarted() && QTest::qWaitFor([&] { return client("ls").ok(); }, 15000);
    }
    bool isRunning() const { return m_running; }
    // Runs smbclient commands on the share as a guest ("put FILE D.DAT").
    pdftools::ToolResult client(const QString& commands) const
    {
        return pdftools::run("smbclient",
                             {"-p", QString::number(m_port), "//127.0.0.1/DRUCK", "-N", "-s",
                              m_dir.path() + "/smb.conf", "-c", commands},
                             15000);
    }

private:
    QTemporaryDir m_dir;
    ChildProcess m_smbd;
    quint16 m_port = 0;
    bool m_running = false;
};
