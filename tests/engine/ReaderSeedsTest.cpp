#include "../../fuzz/ReaderFuzzTarget.h"

#include "TempFolders.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Every fuzz seed through the fuzz entry point, so a seed that once broke the reader
// stays a regression test without a clang build.
TEST(ReaderSeeds, EverySeedReadsCleanly)
{
    const QDir seeds(testDataPath(u"../../fuzz/seeds/reader"_s));
    const QStringList names = seeds.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty()) << qPrintable(seeds.path());
    for (const QString& name : names) {
        QFile file(seeds.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(name);
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(readerFuzzOne(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())), 0)
            << qPrintable(name);
    }
}
