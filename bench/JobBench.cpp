#include "BenchParts.h"
#include "BenchUtil.h"

#include "Job.h"
#include "ServerSettings.h"

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <ctime>

namespace {

// CPU time of this thread: the machine may be shared, so wall time alone says little.
qint64 threadCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

constexpr int Pages = 10000;
constexpr int LinesPerPage = 60;
constexpr int Columns = 80;

// One page of records as a DOS program prints them: 80 columns, a form feed opening every
// page but the first. Each record is one allocation of exactly its length, as the
// print-file reader makes them, so what the job keeps is measured and nothing else.
void makePage(int page, QStringList& records)
{
    static const QString pattern =
        QStringLiteral("Seite 000000 Zeile 00 Müller & Söhne Größenänderung Übertrag ").leftJustified(Columns, u'.');
    records.clear();
    for (int line = 1; line <= LinesPerPage; ++line) {
        const bool formFeed = line == 1 && page > 1;
        QString text(Columns + (formFeed ? 1 : 0), Qt::Uninitialized);
        QChar* out = text.data();
        if (formFeed)
            *out++ = u'\f';
        std::copy(pattern.cbegin(), pattern.cend(), out);
        for (int i = 11, n = page; i >= 6; --i, n /= 10)
            out[i] = QChar(u'0' + n % 10);
        out[19] = QChar(u'0' + line / 10);
        out[20] = QChar(u'0' + line % 10);
        records.append(std::move(text));
    }
}

} // namespace

// Fills one job of 10,000 pages of 60 lines of 80 characters and reports how fast the
// page filling runs and how much memory the page table needs compared with the text.
void benchJob()
{
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("PS.INI"));
    QFile file(settings);
    if (file.open(QIODevice::WriteOnly))
        file.write("[Pserver]\r\nTopSpace=0\r\n");
    file.close();
    ServerSettings().AddEscSequenz.clear();

    Job job;
    job.PageLen = 65; // a page of 60 lines and a form feed, as DOS programs print them
    job.setDefaultSettingsFile(settings);

    const long peakBefore = bench::peakRssKiB();
    const long rssBefore = bench::rssKiB();
    QStringList records;
    qint64 fillingNs = 0;
    qint64 fillingCpuNs = 0;
    for (int page = 1; page <= Pages; ++page) {
        makePage(page, records);
        QElapsedTimer timer;
        timer.start();
        const qint64 cpuStart = threadCpuNs();
        for (const QString& record : records)
            job.AddLineToArray(record);
        fillingCpuNs += threadCpuNs() - cpuStart;
        fillingNs += timer.nsecsElapsed();
    }
    records.clear();
    const long peakGrowth = bench::peakRssKiB() - peakBefore;
    const long rssGrowth = bench::rssKiB() - rssBefore;

    const double textBytes = double(Pages) * LinesPerPage * Columns;
    bench::report("job: pages filled", job.PageCount(), "pages");
    bench::report("job: page filling (wall time)", Pages / (fillingNs / 1e9), "pages/s");
    bench::report("job: page filling (CPU time)", Pages / (fillingCpuNs / 1e9), "pages/s");
    bench::report("job: text (8-bit characters)", textBytes / 1024.0 / 1024.0, "MiB");
    bench::report("job: peak RSS growth while filling", peakGrowth / 1024.0, "MiB");
    bench::report("job: RSS growth kept by the job", rssGrowth / 1024.0, "MiB");
    bench::report("job: peak RSS growth / text", peakGrowth * 1024.0 / textBytes, "x");
}
