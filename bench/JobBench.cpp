#include "BenchListing.h"
#include "BenchParts.h"
#include "BenchUtil.h"

#include "job/JobLoader.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <ctime>

using namespace Qt::StringLiterals;

namespace {

constexpr int Pages = 10000;

} // namespace

// Reads one job of 10,000 listing pages through the loader, as the server does, and reports
// how fast it is read and how much memory the job keeps: where each page starts, not its
// text, which stays in the print file.
void benchJob()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"d.dat"_s);
    const QByteArray bytes = bench::listing(Pages);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return;
    }
    const QString settings = dir.filePath(u"PS.INI"_s);
    const long peakBefore = bench::peakRssKiB();
    const long rssBefore = bench::rssKiB();
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    LoadOptions options = toolLoadOptions(settings);
    const LoadResult loaded = loadJob(path, options);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const long peakGrowth = bench::peakRssKiB() - peakBefore;
    const long rssGrowth = bench::rssKiB() - rssBefore;

    bench::report("job: pages read", loaded.job.pageCount(), "pages");
    bench::report("job: reading (wall time)", Pages / seconds, "pages/s");
    bench::report("job: reading (CPU time)", Pages / cpuSeconds, "pages/s");
    bench::report("job: print file", double(bytes.size()) / 1024.0 / 1024.0, "MiB");
    bench::report("job: peak RSS growth while reading", peakGrowth / 1024.0, "MiB");
    bench::report("job: RSS growth kept by the job", rssGrowth / 1024.0, "MiB");
}
