#include "TempFolders.h"
#include "modGDIp.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

// PNG and BMP pictures are loaded throughout the dialog and output tests; GIF, the format
// of many old picture files, comes from a plugin that must be there.
TEST(PictureRoutines, LoadsGifAndNothingThatIsNoRegularPictureFile)
{
    QTemporaryDir dir;
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
