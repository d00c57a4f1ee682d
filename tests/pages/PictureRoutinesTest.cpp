#include "PictureHolder.h"
#include "TempFolders.h"
#include "modGDIp.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(PictureRoutines, LoadsCommonFormatsAtTheirPixelSizeAndNothingElse)
{
    QTemporaryDir dir;
    QImage source(5, 3, QImage::Format_RGB32);
    source.fill(qRgb(10, 20, 30));
    for (const char* format : {"png", "bmp", "jpg"}) {
        const QString path = dir.filePath(QStringLiteral("bild.") + format);
        ASSERT_TRUE(source.save(path, format));
        EXPECT_EQ(LoadPictureGdi(path).value_or(QImage()).size(), QSize(5, 3)) << format;
    }
    // A 3 x 2 GIF, rows red-blue-red and blue-red-blue.
    const auto gif = LoadPictureGdi(TempFolders::writeFile(
        dir.filePath("bild.gif"), QByteArray("GIF89a\x03\x00\x02\x00\x80\x00\x00\xff\x00\x00\x00\x00\xff\x2c\x00\x00"
                                             "\x00\x00\x03\x00\x02\x00\x00\x02\x05\x04\x43\x30\x04\x53\x00\x3b",
                                             39)));
    ASSERT_TRUE(gif.has_value());
    EXPECT_EQ(gif->pixel(0, 1), qRgb(0, 0, 255));

    EXPECT_FALSE(LoadPictureGdi(TempFolders::writeFile(dir.filePath("kaputt.jpg"), "kein Bild")).has_value());
    EXPECT_FALSE(LoadPictureGdi(dir.filePath("fehlt.png")).has_value());
    EXPECT_FALSE(LoadPictureGdi(dir.path()).has_value());
    // Nothing that is no regular file is read: a FIFO would block, a device never end.
    const QString fifo = dir.filePath("fifo.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(LoadPictureGdi(fifo).has_value());
    EXPECT_FALSE(LoadPictureGdi(QStringLiteral("/dev/zero")).has_value());
}

TEST(PictureRoutines, QuarterTurnMovesEveryPixelAndFailuresEmptyTheHolder)
{
    QImage source(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            source.setPixel(x, y, qRgb(40 * x, 100 * y, 7));

    // Type 3 turns a quarter counter-clockwise: the top-left pixel ends bottom-left.
    const QImage turned = RotatePicture(source, Rotate270FlipNone).value_or(QImage());
    ASSERT_EQ(turned.size(), QSize(2, 3));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(turned.pixel(y, 2 - x), source.pixel(x, y)) << x << "," << y;
    EXPECT_EQ(RotatePicture(source, Rotate270FlipX).value_or(QImage()), turned.mirrored(true, false))
        << "turn first, then mirror";
    EXPECT_FALSE(RotatePicture(source, 8).has_value());

    QTemporaryDir dir;
    ASSERT_TRUE(source.save(dir.filePath("gut.png")));
    PictureHolder holder;
    LoadPictureBox(dir.filePath("gut.png"), holder);
    RotatePictureBox(holder, Rotate270FlipNone);
    EXPECT_EQ(holder.picture(), turned.convertToFormat(holder.picture().format()));
    RotatePictureBox(holder, 99);
    EXPECT_TRUE(holder.isEmpty());
    LoadPictureBox(dir.filePath("gut.png"), holder);
    LoadPictureBox(TempFolders::writeFile(dir.filePath("schlecht.png"), "kein Bild"), holder);
    EXPECT_EQ(holder.width(), 0);
}
