#include "BenchListing.h"
#include "BenchParts.h"
#include "BenchUtil.h"

#include "engine/CodePage.h"
#include "tools/pdf/PdfConverter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool writeListing(const QString& path, int pages)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bench::listing(pages)) >= 0 && file.flush();
}

// Runs druckserver-pdf as a child process and returns its peak resident size in KiB,
// or -1 when it could not run or failed.
long toolPeakKiB(const QString& printFile, const QString& output)
{
    const QByteArray tool = QFile::encodeName(QCoreApplication::applicationDirPath() + u"/druckserver-pdf"_s);
    const QByteArray in = QFile::encodeName(printFile);
    const QByteArray out = QFile::encodeName(output);
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        execl(tool.constData(), tool.constData(), in.constData(), out.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

} // namespace

void benchPdf()
{
    QTemporaryDir dir;
    const QByteArray oldAppData = qgetenv("APPDATA");
    qputenv("APPDATA", dir.path().toLocal8Bit());

    // Pages per second through the converter's path: reading, page filling, rendering
    // and the finished document with the default security (permission code 3).
    const QString thousand = dir.filePath(u"tausend.dat"_s);
    if (writeListing(thousand, 1000)) {
        QElapsedTimer timer;
        timer.start();
        const OutputOutcome outcome = convertPrintFileToPdf(thousand, dir.filePath(u"tausend.pdf"_s), QString());
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (outcome.ok())
            bench::report("pdf: 1,000 pages of 80 columns to PDF", 1000 / seconds, "pages/s");
        else
            std::fprintf(stderr, "pdf: %s\n", outcome.message.toLocal8Bit().constData());
        bench::report("pdf: PDF size per page", QFile(dir.filePath(u"tausend.pdf"_s)).size() / 1000.0 / 1024.0, "KiB");
    }

    // Bitmap mode: every page drawn as one lossless picture.
    const QString bitmapPages = dir.filePath(u"bitmap.dat"_s);
    const QString bitmapSettings = dir.filePath(u"bitmap.ini"_s);
    QFile settings(bitmapSettings);
    if (writeListing(bitmapPages, 48) && settings.open(QIODevice::WriteOnly) &&
        settings.write("[Pserver]\r\nPdfBitmap=1\r\n") > 0 && settings.flush()) {
        QElapsedTimer timer;
        timer.start();
        const OutputOutcome outcome =
            convertPrintFileToPdf(bitmapPages, dir.filePath(u"bitmap.pdf"_s), bitmapSettings);
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (outcome.ok())
            bench::report("pdf: 48 pages as pictures (PdfBitmap=1)", 48 / seconds, "pages/s");
        else
            std::fprintf(stderr, "pdf: %s\n", outcome.message.toLocal8Bit().constData());
    }

    // Peak memory of the tool for a long job, in a process of its own.
    const QString tenThousand = dir.filePath(u"zehntausend.dat"_s);
    if (writeListing(tenThousand, 10000)) {
        QElapsedTimer timer;
        timer.start();
        const long peak = toolPeakKiB(tenThousand, dir.filePath(u"zehntausend.pdf"_s));
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (peak >= 0) {
            bench::report("pdf: druckserver-pdf, 10,000 pages", 10000 / seconds, "pages/s");
            bench::report("pdf: druckserver-pdf peak memory, 10,000 pages", peak / 1024.0, "MiB");
        } else {
            std::fprintf(stderr, "pdf: druckserver-pdf failed on 10,000 pages\n");
        }
    }
    qputenv("APPDATA", oldAppData);
}
