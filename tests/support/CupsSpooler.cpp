#include "support/CupsSpooler.h"

#include "support/TempFolders.h"

#include <QDir>

#include <cups/cups.h>
#include <pwd.h>
#include <unistd.h>

// The queues' backend: the job's bytes as <id>.pdf, then <id>.meta (the title on its first
// line, the job's options on the second), each complete when seen.
const char* const Backend = R"(#!/bin/sh
umask 022
dir="${DEVICE_URI#testsink:}"
mkdir -p "$dir" && cat -- "${6:--}" > "$dir/.$1.part" && mv -f -- "$dir/.$1.part" "$dir/$1.pdf" || exit 1
printf '%s\n%s' "$3" "$5" > "$dir/.$1.meta" && mv -f -- "$dir/.$1.meta" "$dir/$1.meta"
)";

CupsSpooler::CupsSpooler() : m_dir("/tmp/dscups-XXXXXX"), m_oldServer(qgetenv("CUPS_SERVER"))
{
    m_running = start();
}

CupsSpooler::~CupsSpooler()
{
    m_oldServer.isNull() ? qunsetenv("CUPS_SERVER") : qputenv("CUPS_SERVER", m_oldServer);
    cupsSetServer(nullptr);
}

bool CupsSpooler::run(const QString& program, const QStringList& args)
{
    const pdftools::ToolResult result = pdftools::run(program, args, 15000);
    m_error = program + ": " + result.err;
    return result.ok();
}

bool CupsSpooler::start()
{
    const QString sb = m_dir.path();
    for (const char* sub : {"etc/ppd", "etc/ssl", "cache", "spool/tmp", "log", "run", "out", "bin/backend"})
        QDir(sb).mkpath(sub);
    // Run as root, the scheduler drops to lp, which must reach the sandbox.
    QFile::setPermissions(sb, QFileDevice::Permissions(0x7755)); // rwxr-xr-x
    // The scheduler only runs backends from its own ServerBin: a private folder of links
    // to the system's helpers plus the test backend.
    for (const QString sub : {"filter", "cgi-bin", "daemon", "monitor", "notifier", "driver"})
        QFile::link("/usr/lib/cups/" + sub, sb + "/bin/" + sub);
    const QString files =
        QString("ServerRoot %1/etc\nServerBin %1/bin\nDataDir /usr/share/cups\nCacheDir %1/cache\n"
                "StateDir %1/run\nRequestRoot %1/spool\nTempDir %1/spool/tmp\nServerKeychain %1/etc/ssl\n"
                "AccessLog %1/log/access_log\nErrorLog %1/log/error_log\nPageLog %1/log/page_log\n"
                "Printcap %1/run/printcap\nSetEnv DRUCKSERVER_RUNTIME_DIR %1/runtime\n"
                "SetEnv DRUCKSERVER_BACKEND_WAIT 1\n%2FileDevice No\n")
            .arg(sb, ::getuid() == 0 ? "User lp\nGroup lp\nSystemGroup root\n" : "");
    const QString conf = "Listen " + sb +
                         "/run/cups.sock\nBrowsing No\nBrowseLocalProtocols none\nDefaultAuthType None\n"
                         "WebInterface No\nErrorPolicy abort-job\nJobRetryInterval 1\nLogLevel info\n"
                         "MaxLogSize 0\nPreserveJobHistory Yes\n"
                         "PreserveJobFiles No\n<Location />\n  Order Deny,Allow\n</Location>\n<Policy default>\n" +
                         // As on a real system, only root (SystemGroup) adds queues; anyone prints.
                         (::getuid() == 0 ? "  <Limit CUPS-Add-Modify-Printer CUPS-Delete-Printer CUPS-Set-Default>\n"
                                            "    AuthType Default\n    Require user @SYSTEM\n  </Limit>\n"
                                          : "") +
                         "  <Limit All>\n    Order Deny,Allow\n  </Limit>\n</Policy>\n";
    // The backend rwx------ and owned by us: it runs as our own user, never with "insecure permissions".
    const auto write = [&](const QString& name, const QString& text, int mode) {
        return QFile::setPermissions(TempFolders::writeFile(sb + name, text.toLocal8Bit()),
                                     QFileDevice::Permissions(mode));
    };
    if (!write("/bin/backend/testsink", Backend, 0x7700) || !write("/etc/cups-files.conf", files, 0x6644) ||
        !write("/etc/cupsd.conf", conf, 0x6644)) {
        m_error = "cannot write the scheduler's files into " + sb;
        return false;
    }

    const QByteArray socket = (sb + "/run/cups.sock").toLocal8Bit();
    qputenv("CUPS_SERVER", socket);
    cupsSetServer(socket.constData());
    m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
    m_cupsd.setStandardOutputFile(sb + "/log/cupsd.stdio");
    m_cupsd.start("/usr/sbin/cupsd", {"-f", "-c", sb + "/etc/cupsd.conf", "-s", sb + "/etc/cups-files.conf"});
    // lpadmin fails until the scheduler answers.
    for (const QString queue : {"PDF", "FRITZfax"}) {
        const QStringList args{"-p", queue, "-v", "testsink:" + sb + "/out/" + queue, "-E"};
        if (!QTest::qWaitFor([&] { return run("lpadmin", args); }, 10000))
            return false;
    }
    return true;
}

QList<CupsSpooler::SpooledJob> CupsSpooler::jobs(const QString& queue) const
{
    const QDir out(m_dir.path() + "/out/" + queue);
    QFileInfoList metas = out.entryInfoList({"*.meta"}, QDir::Files);
    std::sort(metas.begin(), metas.end(),
              [](const QFileInfo& a, const QFileInfo& b) { return a.baseName().toInt() < b.baseName().toInt(); });
    QList<SpooledJob> found;
    for (const QFileInfo& info : metas) {
        QFile meta(info.filePath());
        meta.open(QIODevice::ReadOnly);
        const QStringList lines = QString::fromUtf8(meta.readAll()).split(u'\n');
        found.append(
            {out.filePath(info.baseName() + ".pdf"), {{"title", lines.value(0)}, {"options", lines.value(1)}}});
    }
    return found;
}

bool CupsSpooler::installServerBackend()
{
    const QString installed = m_dir.path() + "/bin/backend/druckserver";
    QFile::remove(installed);
    if (!QFile::copy(DRUCKSERVER_BINARY_DIR "/backend/druckserver", installed) ||
        !QFile::setPermissions(installed, QFileDevice::Permissions(0x7700))) {
        m_error = "cannot install the backend as " + installed;
        return false;
    }
    return true;
}

bool CupsSpooler::addServerQueue(const QString& queue)
{
    const passwd* user = ::getpwuid(::getuid());
    return installServerBackend() && run("lpadmin", {"-p", queue, "-E", "-v", QString("druckserver:/") + user->pw_name,
                                                     "-o", "printer-error-policy=retry-job"});
}

QString CupsSpooler::errorLog() const
{
    QFile log(m_dir.path() + "/log/error_log");
    log.open(QIODevice::ReadOnly);
    return QString::fromUtf8(log.readAll());
}
