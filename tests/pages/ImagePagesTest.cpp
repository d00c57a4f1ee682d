#include "engine/Canvas.h"
#include "pages/AttachmentPages.h"
#include "pages/Output.h"
#include "pages/PictureFiles.h"
#include "support/Ink.h"
#include "support/TempFolders.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), yellow = qRgb(255, 255, 0);
const QList<QRgb> upright{red, green, blue, yellow};
const QList<QRgb> turnedLeft{green, yellow, red, blue};

// A picture in four coloured quarters, named by its corners: top left, top right, bottom
// left, bottom right.
QString writeQuarters(const QTemporaryDir& dir, const QString& name, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, upright[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)]);
    image.save(dir.filePath(name), "PNG");
    return dir.filePath(name);
}

// The attachment pages of the files on a canvas of the size; what the last page holds.
QImage drawPages(const QStringList& files, int width, int height, bool landscape)
{
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    Canvas dc(&page);
    OutputProgress progress;
    attachmentpages::printAttachmentPages(files, dc, {width, height}, landscape, progress);
    dc.end();
    return page;
}

QList<QRgb> corners(const QImage& page)
{
    const int r = page.width() - 1, b = page.height() - 1;
    return {page.pixel(0, 0), page.pixel(r, 0), page.pixel(0, b), page.pixel(r, b)};
}

} // namespace

// Which items of an attachment list get a page, and what that page holds; that a PDF gets
// them, lossless, is PdfOutput.PicturesAreStoredLosslessAndTheBackgroundOnlyOnJobPageOne's.
TEST(ImagePages, EachFileGetsAPageWithItsPictureTurnedToThePage)
{
    QTemporaryDir dir;
    const QString wide = writeQuarters(dir, "quer.png", 60, 40), tall = writeQuarters(dir, "hoch.png", 40, 60),
                  square = writeQuarters(dir, "quadrat.png", 50, 50);
    const QString broken = TempFolders::writeFile(dir.filePath("kaputt.png"), "kein Bild");

    // Against the page's orientation: a quarter turn counter-clockwise, filling the page to
    // its corner pixels.
    EXPECT_EQ(corners(drawPages({wide}, 200, 300, false)), turnedLeft);
    EXPECT_EQ(corners(drawPages({tall}, 300, 200, true)), turnedLeft);
    // Along it, or square: never turned.
    EXPECT_EQ(corners(drawPages({tall}, 200, 300, false)), upright);
    EXPECT_EQ(corners(drawPages({square}, 300, 200, true)), upright);
    // A file that is no picture: a blank page.
    EXPECT_EQ(inkAmount(drawPages({broken}, 100, 150, false)), 0);
}

std::optional<QImage> loadJobPicture(const QString& path)
{
    std::optional<QImage> picture = picturefiles::load(path, picturefiles::Source::Job);
    return picture && !picture->isNull() ? picture : std::nullopt;
}

// PNG, BMP and JPEG pictures are loaded by DialogLists.PictureFilesAreListed... and the
// output tests; GIF, the format of many old picture files, comes from a plugin.
TEST(PictureRoutines, LoadsGifAndNothingThatIsNoRegularPictureFile)
{
    QTemporaryDir dir;
    // A 3 x 2 GIF, rows red-blue-red and blue-red-blue.
    const auto gif = loadJobPicture(TempFolders::writeFile(
        dir.filePath("bild.gif"), QByteArray("GIF89a\x03\x00\x02\x00\x80\x00\x00\xff\x00\x00\x00\x00\xff\x2c\x00\x00"
                                             "\x00\x00\x03\x00\x02\x00\x00\x02\x05\x04\x43\x30\x04\x53\x00\x3b",
                                             39)));
    ASSERT_TRUE(gif.has_value());
    EXPECT_EQ(gif->pixel(0, 1), qRgb(0, 0, 255));

    EXPECT_FALSE(loadJobPicture(TempFolders::writeFile(dir.filePath("kaputt.jpg"), "kein Bild")).has_value());
    EXPECT_FALSE(loadJobPicture(dir.filePath("fehlt.png")).has_value());
    EXPECT_FALSE(loadJobPicture(dir.path()).has_value());
    // Nothing that is no regular file is read: a FIFO would block, a device never end.
    const QString fifo = dir.filePath("fifo.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(loadJobPicture(fifo).has_value());
    EXPECT_FALSE(loadJobPicture(QStringLiteral("/dev/zero")).has_value());
    // A job's picture is not reached through a link.
    const QString link = dir.filePath("link.gif");
    ASSERT_TRUE(QFile::link(dir.filePath("bild.gif"), link));
    EXPECT_FALSE(loadJobPicture(link).has_value());
    EXPECT_TRUE(picturefiles::load(link, picturefiles::Source::Program).has_value());
}
