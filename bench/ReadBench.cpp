#include "BenchParts.h"
#include "BenchListing.h"
#include "BenchUtil.h"

#include "CodePage.h"
#include "PrintFile.h"

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

void benchRead()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"d.dat"_s);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.write(bench::listing(Pages));
        file.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
    }
    bench::report("read: print file size", double(QFileInfo(path).size()) / (1024.0 * 1024.0), "MiB");

    // The poller's order: open, scan pass with tally, rewind, feed pass, close.
    QElapsedTimer clock;
    clock.start();
    const std::clock_t openCpuStart = std::clock();
    if (OPENDAT(path) != 1) {
        std::printf("read: the print file did not open\n");
        return;
    }
    const double openMs = double(clock.nsecsElapsed()) / 1e6;
    const double openCpuMs = double(std::clock() - openCpuStart) * 1000.0 / CLOCKS_PER_SEC;
    SETAPPPATH(dir.path());

    clock.restart();
    const std::clock_t cpuStart = std::clock();
    qint64 records = 0;
    qint64 tally = 0;
    for (QString record = GETRECORD(); record != endRecord(); record = GETRECORD()) {
        tally += GETSIGNTALLY(record);
        ++records;
    }
    FILERESET();
    qint64 characters = 0;
    for (QString record = GETRECORD(); record != endRecord(); record = GETRECORD()) {
        characters += record.size();
        ++records;
    }
    const double passSeconds = double(clock.nsecsElapsed()) / 1e9;
    const double passCpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    CLOSEDAT();

    bench::report("read: records per pass", double(records / 2), "records");
    bench::report("read: OPENDAT (read file, split records)", openMs, "ms");
    bench::report("read: OPENDAT processor time", openCpuMs, "ms");
    bench::report("read: scan + reset + feed", passSeconds * 1000.0, "ms");
    bench::report("read: records per second (both passes)", double(records) / passSeconds, "records/s");
    // The machine may be shared: processor time tells what the reader costs by itself.
    bench::report("read: records per processor second (both passes)", double(records) / passCpuSeconds, "records/s");
    bench::report("read: records per second (with OPENDAT)", double(records) / (passSeconds + openMs / 1000.0),
                  "records/s");
    bench::report("read: peak RSS", double(bench::peakRssKiB()) / 1024.0, "MiB");
    if (tally <= 0 || characters <= 0)
        std::printf("read: nothing was read\n");
}
