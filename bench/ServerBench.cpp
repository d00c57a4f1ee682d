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

bool waitFor(const std::function<bool()>& done, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    return true;
}

} // namespace

// The real server, headless and unattended, on a 10,000-page (or BENCH_SERVER_PAGES) print file into a PDF: its
// resident size while idle, at its peak, and after the job's dialog has unloaded.
void benchServer()
{
    const int Pages = pageCount();
    QTemporaryDir dir;
    const QString appData = dir.filePath(u"appdata"_s);
    const QString program = dir.filePath(u"program"_s);
    const QString pdfFolder = dir.filePath(u"pdf"_s);
    for (const QString& folder : {appData, program, pdfFolder, dir.filePath(u"config"_s)})
        QDir().mkpath(folder);
    QFile::copy(QCoreApplication::applicationDirPath() + u"/Wasser.txt"_s, program + u"/Wasser.txt"_s);
    QFile settings(appData + u"/PS.INI"_s);
    if (!settings.open(QIODevice::WriteOnly))
        return;
    settings.write("[Pserver]\nAutoStart=1\nHideMode=1\nAutoStartDelay=0\nPDFFolder=" + QFile::encodeName(pdfFolder) +
                   "\n[PDevice]\nPrinter0=Pdf-Dokument\n");
    settings.close();

    QProcess server;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"APPDATA"_s, appData);
    env.insert(u"DRUCKSERVER_HOME"_s, program);
    env.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s));
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    server.setProcessEnvironment(env);
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QCoreApplication::applicationDirPath() + u"/druckserver"_s, {});
    if (!server.waitForStarted()) {
        std::fprintf(stderr, "server: druckserver did not start\n");
        return;
    }
    const qint64 pid = server.processId();
    QThread::msleep(1500); // settled: tray, timers, fonts
    const long idle = statusKiB(pid, "VmRSS");

    // Written aside and renamed into place, so the server takes it whole at once.
    const QString aside = appData + u"/.d.dat"_s;
    QFile printFile(aside);
    if (!printFile.open(QIODevice::WriteOnly) || printFile.write(bench::listing(Pages)) < 0)
        return;
    printFile.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
    printFile.close();
    QElapsedTimer timer;
    timer.start();
    QFile::rename(aside, appData + u"/d.dat"_s);

    const auto jobDone = [&] {
        return !QDir(pdfFolder).entryList({u"*.pdf"_s}, QDir::Files).isEmpty() &&
               QDir(appData + u"/spool"_s).entryList(QDir::Files).isEmpty();
    };
    if (!waitFor(jobDone, 600000)) {
        std::fprintf(stderr, "server: the job did not come out\n");
        return;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    QThread::msleep(1000); // the dialog unloads, the allocator is trimmed
    const long peak = statusKiB(pid, "VmHWM");
    const long after = statusKiB(pid, "VmRSS");
    server.kill();
    server.waitForFinished();

    bench::report(u"server: %1 pages print file to PDF"_s.arg(Pages).toUtf8().constData(), Pages / seconds, "pages/s");
    bench::report("server: resident while idle", idle / 1024.0, "MiB");
    bench::report(u"server: peak resident, %1 pages"_s.arg(Pages).toUtf8().constData(), peak / 1024.0, "MiB");
    bench::report("server: resident after the job's dialog unloaded", after / 1024.0, "MiB");
}
