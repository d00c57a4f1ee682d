#include "BenchListing.h"
#include "BenchParts.h"
#include "BenchUtil.h"

#include "engine/PrintFileReader.h"

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

    // The loader's order: the scanning pass with the tally, back to the start, the feeding
    // pass; straight from the file, a window of it at a time.
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuStart = std::clock();
    PrintFileReader reader;
    if (!reader.open(path)) {
        std::printf("read: the print file did not open\n");
        return;
    }
    qint64 records = 0;
    qint64 tally = 0;
    qint64 characters = 0;
    PrintFileReader::Record record;
    while (reader.next(record) == PrintFileReader::Status::Record) {
        tally += printableTally(record.text);
        ++records;
    }
    reader.seek(0);
    while (reader.next(record) == PrintFileReader::Status::Record) {
        characters += record.text.size();
        ++records;
    }
    const double passSeconds = double(clock.nsecsElapsed()) / 1e9;
    const double passCpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;

    bench::report("read: records per pass", double(records / 2), "records");
    bench::report("read: scan + rewind + feed", passSeconds * 1000.0, "ms");
    bench::report("read: records per second (both passes)", double(records) / passSeconds, "records/s");
    // The machine may be shared: processor time tells what the reader costs by itself.
    bench::report("read: records per processor second (both passes)", double(records) / passCpuSeconds, "records/s");
    bench::report("read: peak RSS", double(bench::peakRssKiB()) / 1024.0, "MiB");
    if (tally <= 0 || characters <= 0)
        std::printf("read: nothing was read\n");
}
