#include "BenchListing.h"
#include "BenchParts.h"
#include "BenchUtil.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// 10,000 pages unless BENCH_SERVER_PAGES names another number.
int pageCount()
{
    bool ok = false;
    const int pages = qEnvironmentVariableIntValue("BENCH_SERVER_PAGES", &ok);
    return ok && pages > 0 ? pages : 10000;
}

// A value of /proc/<pid>/status in KiB ("VmRSS", "VmHWM"), -1 when there is none.
long statusKiB(qint64 pid, const QByteArray& field)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLong();
    }
    return -1;
}

bool waitFor(const std::function<bool()>& done, int milliseconds, int stepMs)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(stepMs);
    }
    return true;
}

// The real server, headless and unattended, printing every job into a PDF in its own
// folders; killed when the object goes.
struct BenchServer
{
    QTemporaryDir dir;
    QString appData = dir.filePath(u"appdata"_s);
    QString pdfFolder = dir.filePath(u"pdf"_s);
    QProcess process;

    bool start()
    {
        const QString program = dir.filePath(u"program"_s);
        for (const QString& folder : {appData, program, pdfFolder, dir.filePath(u"config"_s)})
            QDir().mkpath(folder);
        QFile::copy(QCoreApplication::applicationDirPath() + u"/Wasser.txt"_s, program + u"/Wasser.txt"_s);
        QFile settings(appData + u"/PS.INI"_s);
        if (!settings.open(QIODevice::WriteOnly))
            return false;
        settings.write("[Pserver]\nAutoStart=1\nHideMode=1\nAutoStartDelay=0\nPDFFolder=" +
                       QFile::encodeName(pdfFolder) + "\n[PDevice]\nPrinter0=Pdf-Dokument\n");
        settings.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"APPDATA"_s, appData);
        env.insert(u"DRUCKSERVER_HOME"_s, program);
        env.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationDirPath() + u"/druckserver"_s, {});
        if (!process.waitForStarted()) {
            std::fprintf(stderr, "server: druckserver did not start\n");
            return false;
        }
        QThread::msleep(1500); // settled: tray, timers, fonts
        return true;
    }
    ~BenchServer()
    {
        process.kill();
        process.waitForFinished();
    }

    // Writes a print file beside its place, as a DOS program's copy would, and renames it
    // into place; `backdate` makes it old enough that no quiet time applies.
    bool hand(const QByteArray& bytes, bool backdate) const
    {
        const QString aside = appData + u"/.d.dat"_s;
        QFile printFile(aside);
        if (!printFile.open(QIODevice::WriteOnly) || printFile.write(bytes) < 0)
            return false;
        if (backdate)
            printFile.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
        printFile.close();
        return QFile::rename(aside, appData + u"/d.dat"_s);
    }
    int pdfCount() const { return int(QDir(pdfFolder).entryList({u"*.pdf"_s}, QDir::Files).size()); }
    bool spoolEmpty() const { return QDir(appData + u"/spool"_s).entryList(QDir::Files).isEmpty(); }
};

} // namespace

// A 10,000-page (or BENCH_SERVER_PAGES) print file through the real server into a PDF:
// pages per second, and the server's resident size while idle, at its peak, and after
// the job's dialog has unloaded.
void benchServer()
{
    const int Pages = pageCount();
    BenchServer server;
    if (!server.start())
        return;
    const qint64 pid = server.process.processId();
    const long idle = statusKiB(pid, "VmRSS");

    QElapsedTimer timer;
    timer.start();
    if (!server.hand(bench::listing(Pages), true))
        return;
    if (!waitFor([&] { return server.pdfCount() == 1 && server.spoolEmpty(); }, 600000, 100)) {
        std::fprintf(stderr, "server: the job did not come out\n");
        return;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    QThread::msleep(1000); // the dialog unloads, the allocator is trimmed
    const long peak = statusKiB(pid, "VmHWM");
    const long after = statusKiB(pid, "VmRSS");

    bench::report(u"server: %1 pages print file to PDF"_s.arg(Pages).toUtf8().constData(), Pages / seconds, "pages/s");
    bench::report("server: resident while idle", idle / 1024.0, "MiB");
    bench::report(u"server: peak resident, %1 pages"_s.arg(Pages).toUtf8().constData(), peak / 1024.0, "MiB");
    bench::report("server: resident after the job's dialog unloaded", after / 1024.0, "MiB");
}

// One-page jobs through the real server, as a DOS program's copy hands them over: from the
// moment "d.dat" is renamed into place (freshly written, so no time stamp says it is old)
// to its PDF complete under its final name. The median of 15 jobs.
void benchLatency()
{
    BenchServer server;
    if (!server.start())
        return;
    constexpr int Jobs = 15;
    std::vector<double> milliseconds;
    for (int job = 1; job <= Jobs; ++job) {
        QElapsedTimer timer;
        timer.start();
        if (!server.hand(bench::listing(1), false))
            return;
        if (!waitFor([&] { return server.pdfCount() == job; }, 10000, 1)) {
            std::fprintf(stderr, "latency: job %d did not come out\n", job);
            return;
        }
        milliseconds.push_back(timer.nsecsElapsed() / 1e6);
        // The next print file comes once this one has left the spool.
        waitFor([&] { return server.spoolEmpty(); }, 10000, 1);
        QThread::msleep(1100); // PDFDOC names are stamped to the second
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    bench::report("latency: 1-page job, d.dat in place to PDF, median of 15", milliseconds[Jobs / 2], "ms");
    bench::report("latency: 1-page job, slowest of 15", milliseconds.back(), "ms");
}
