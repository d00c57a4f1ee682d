#include "CupsSpooler.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QThread>

#include <cups/cups.h>
#include <unistd.h>

namespace {

const char* const Backend = R"(#!/bin/sh
if [ $# -eq 0 ]; then echo 'direct testsink "Unknown" "Test sink: one file per job"'; exit 0; fi
if [ $# -lt 5 ] || [ $# -gt 6 ]; then echo "ERROR: Usage: testsink job-id user title copies options [file]" >&2; exit 1; fi
umask 022
uri="${DEVICE_URI:-$0}"; dir="${uri#testsink:}"; dir="/${dir#"${dir%%[!/]*}"}"
[ "$dir" != "/" ] || { echo "ERROR: device URI needs a directory" >&2; exit 1; }
mkdir -p "$dir" || exit 1
job="$1"; tmp="$dir/.$job.part"
if [ $# -eq 6 ]; then cat -- "$6" > "$tmp" || exit 1; else cat > "$tmp" || exit 1; fi
mv -f -- "$tmp" "$dir/$job.pdf"
{ printf 'job=%s\nuser=%s\ntitle=%s\ncopies=%s\noptions=%s\n' "$1" "$2" "$3" "$4" "$5"
  printf 'printer=%s\n' "$PRINTER"
} > "$dir/.$job.meta.part" && mv -f -- "$dir/.$job.meta.part" "$dir/$job.meta"
exit 0
)";

bool writeText(const QString& path, const QByteArray& text, QFile::Permissions permissions)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return false;
    file.close();
    return file.setPermissions(permissions);
}

} // namespace

CupsSpooler::CupsSpooler() : m_dir(QStringLiteral("/tmp/dscups-XXXXXX")), m_oldServer(qgetenv("CUPS_SERVER"))
{
    m_running = start();
    if (!m_running && m_cupsd.state() != QProcess::NotRunning) {
        m_cupsd.kill();
        m_cupsd.waitForFinished();
    }
}

CupsSpooler::~CupsSpooler()
{
    if (m_cupsd.state() != QProcess::NotRunning) {
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(3000)) {
            m_cupsd.kill();
            m_cupsd.waitForFinished();
        }
    }
    if (m_oldServer.isNull())
        qunsetenv("CUPS_SERVER");
    else
        qputenv("CUPS_SERVER", m_oldServer);
    cupsSetServer(nullptr);
}

QString CupsSpooler::socketPath() const
{
    return m_dir.path() + QStringLiteral("/run/cups.sock");
}

bool CupsSpooler::run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(15000) || process.exitCode() != 0) {
        m_error = program + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    return true;
}

bool CupsSpooler::start()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString sb = m_dir.path();
    QDir root(sb);
    for (const char* sub : {"etc/ppd", "etc/ssl", "cache", "spool/tmp", "log", "run", "out", "bin/backend"})
        root.mkpath(QString::fromLatin1(sub));
    QFile::setPermissions(sb, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    // The scheduler only runs backends from its own ServerBin: a private folder of links
    // to the system's helpers plus the test backend.
    for (const char* sub : {"filter", "cgi-bin", "daemon", "monitor", "notifier", "driver"})
        QFile::link(QStringLiteral("/usr/lib/cups/") + QString::fromLatin1(sub), sb + QStringLiteral("/bin/") +
                                                                                   QString::fromLatin1(sub));
    // 0700 and owned by us: run as our own user, and never "insecure permissions".
    if (!writeText(sb + "/bin/backend/testsink", Backend, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return false;

    const bool root_ = ::getuid() == 0;
    const QByteArray files = QStringLiteral("ServerRoot %1/etc\nServerBin %1/bin\nDataDir /usr/share/cups\n"
                                            "CacheDir %1/cache\nStateDir %1/run\nRequestRoot %1/spool\n"
                                            "TempDir %1/spool/tmp\nServerKeychain %1/etc/ssl\n"
                                            "AccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
                                            "PageLog %1/log/page_log\nPrintcap %1/run/printcap\n%2"
                                            "FileDevice No\n")
                                 .arg(sb, root_ ? QStringLiteral("User lp\nGroup lp\nSystemGroup root\n") : QString())
                                 .toLocal8Bit();
    const QByteArray conf = QStringLiteral("Listen %1/run/cups.sock\nBrowsing No\nBrowseLocalProtocols none\n"
                                           "DefaultAuthType None\nWebInterface No\nErrorPolicy abort-job\n"
                                           "LogLevel info\nMaxLogSize 0\nPreserveJobHistory Yes\n"
                                           "PreserveJobFiles No\n<Location />\n  Order Deny,Allow\n</Location>\n"
                                           "<Policy default>\n  <Limit All>\n    Order Deny,Allow\n  </Limit>\n"
                                           "</Policy>\n")
                                .arg(sb)
                                .toLocal8Bit();
    const auto readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    if (!writeText(sb + "/etc/cups-files.conf", files, readable) || !writeText(sb + "/etc/cupsd.conf", conf, readable))
        return false;

    qputenv("CUPS_SERVER", socketPath().toLocal8Bit());
    cupsSetServer(socketPath().toLocal8Bit().constData());
    m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
    m_cupsd.setStandardOutputFile(sb + "/log/cupsd.stdio");
    m_cupsd.start(QStringLiteral("/usr/sbin/cupsd"),
                  {"-f", "-c", sb + "/etc/cupsd.conf", "-s", sb + "/etc/cups-files.conf"});
    if (!m_cupsd.waitForStarted(5000)) {
        m_error = QStringLiteral("cupsd did not start");
        return false;
    }
    const bool ready = QTest::qWaitFor(
        [&] {
            QProcess status;
            status.start(QStringLiteral("lpstat"), {"-r"});
            status.waitForFinished(2000);
            return status.readAllStandardOutput().contains("scheduler is running");
        },
        10000);
    if (!ready) {
        m_error = QStringLiteral("cupsd did not answer");
        return false;
    }
    for (const char* queue : {"PDF", "FRITZfax"}) {
        const QString name = QString::fromLatin1(queue);
        if (!run(QStringLiteral("lpadmin"), {"-p", name, "-v", "testsink:" + sb + "/out/" + name, "-E"}))
            return false;
    }
    return true;
}

bool CupsSpooler::setDefaultQueue(const QString& queue)
{
    return run(QStringLiteral("lpadmin"), {QStringLiteral("-d"), queue});
}

QList<CupsSpooler::SpooledJob> CupsSpooler::jobs(const QString& queue) const
{
    QList<SpooledJob> found;
    QDir out(m_dir.path() + QStringLiteral("/out/") + queue);
    QFileInfoList metas = out.entryInfoList({QStringLiteral("*.meta")}, QDir::Files);
    std::sort(metas.begin(), metas.end(),
              [](const QFileInfo& a, const QFileInfo& b) { return a.baseName().toInt() < b.baseName().toInt(); });
    for (const QFileInfo& info : metas) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        SpooledJob job;
        job.documentPath = out.filePath(info.baseName() + QStringLiteral(".pdf"));
        for (const QByteArray& line : file.readAll().split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                job.meta.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
        }
        found.append(job);
    }
    return found;
}

bool CupsSpooler::waitForJobs(const QString& queue, int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return jobs(queue).size() >= count; }, timeoutMs);
}
