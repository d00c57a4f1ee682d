#include "PdfOutputTestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(PdfOutputPages, BackgroundPictureFollowsThePictureModeAndThePageNumber)
{
    PdfFixture fx;
    const struct
    {
        qint16 mode;
        qint32 from;
        QList<int> pagesWithPicture;
    } cases[] = {
        {2, 1, {1, 2, 3}}, {1, 1, {1}}, {1, 2, {}}, // "nur 1.Seite" is page 1, not the range's first
        {0, 1, {}},        {7, 1, {}},
    };
    for (const auto& c : cases) {
        TestDialog dialog(3, 2);
        dialog.picPageMode = c.mode;
        dialog.picture1.setPicture(QImage(40, 60, QImage::Format_RGB32));
        dialog.FromPage = c.from;
        QList<int> pages;
        for (const ListedImage& image : listImages(writeNamedPdf(fx, dialog, "bild"))) {
            pages << image.page + c.from - 1;
            EXPECT_EQ(image.encoding, "image") << "lossless, not JPEG";
        }
        EXPECT_EQ(pages, c.pagesWithPicture) << "mode " << c.mode << " from " << c.from;
    }
}

TEST(PdfOutputPages, WatermarkLayerPutsItBehindOrInFrontOfTheTextOrNowhere)
{
    PdfFixture fx;
    for (qint16 layer : {0, 1, 2}) {
        for (qint32 position : {0, 1}) {
            ServerSettings().Waterlayer = layer;
            TestDialog dialog(1, 2);
            dialog.job().AddWatermark(QStringLiteral("WASSERZEICHEN|Arial|40| 0| 0| 0| 0| 0| 0| 0| 0| 0"), 0);
            dialog.watermarkPosition = position;
            // Content order tells behind (drawn first) from in front (drawn last).
            const QString text = pageTexts(writeNamedPdf(fx, dialog, "wasser")).value(0).simplified();
            const QString expected = position == 0 || layer == 2 ? "P1Z1 P1Z2"
                                     : layer == 0                ? "WASSERZEICHEN P1Z1 P1Z2"
                                                                 : "P1Z1 P1Z2 WASSERZEICHEN";
            EXPECT_EQ(text, expected) << "layer " << layer << " position " << position;
        }
    }
}

TEST(PdfOutputPages, AttachmentImagesFollowTheTextTurnedToThePage)
{
    PdfFixture fx;
    const QString wide = writePicture(fx.dirs.root() + "/wide.png", 300, 100);
    const QString tall = writePicture(fx.dirs.root() + "/tall.png", 100, 300);
    const QString broken = TempFolders::writeFile(fx.dirs.root() + "/broken.jpg", "not a picture");

    // Portrait: the missing file is skipped, the wide picture is turned upright, the tall
    // one is not, the broken one still gets its (blank) page.
    TestDialog portrait(2, 2);
    portrait.job().AnHaenge = fx.dirs.root() + "/missing.png , " + wide + ", " + tall + "," + broken + ",";
    const QString pdf = writeNamedPdf(fx, portrait, "anhang");
    EXPECT_EQ(infoOf(pdf, "Pages"), "5");
    EXPECT_EQ(infoOf(pdf, "Page    5 size", 5), "595 x 842 pts (A4)");
    const QList<ListedImage> images = listImages(pdf);
    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(images[0].page, 3);
    EXPECT_EQ(images[0].size, QSize(100, 300)) << "turned a quarter";
    EXPECT_EQ(images[0].encoding, "image") << "lossless, not JPEG";
    EXPECT_EQ(images[1].page, 4);
    EXPECT_EQ(images[1].size, QSize(100, 300));

    // Landscape: landscape pages, the tall picture turned.
    TestDialog landscape;
    landscape.job().setLandscape(true);
    landscape.fill(1, 2);
    landscape.job().AnHaenge = tall;
    const QString lpdf = writeNamedPdf(fx, landscape, "quer");
    EXPECT_EQ(infoOf(lpdf, "Page    2 size", 2), "842 x 595 pts (A4)");
    ASSERT_EQ(listImages(lpdf).size(), 1);
    EXPECT_EQ(listImages(lpdf)[0].size, QSize(300, 100));

    // A range from above to: no text page, but the attachments still come.
    TestDialog empty(3, 2);
    empty.FromPage = 3;
    empty.ToPage = 2;
    empty.job().AnHaenge = wide;
    const QString epdf = writeNamedPdf(fx, empty, "leer");
    EXPECT_EQ(infoOf(epdf, "Pages"), "1");
    EXPECT_EQ(listImages(epdf).size(), 1);
    EXPECT_TRUE(pageTexts(epdf).join("").trimmed().isEmpty());

    // The mail variant adds them only when asked.
    for (bool withAttachments : {false, true}) {
        ServerSettings().PdfMailAnhang = withAttachments;
        TestDialog mail(1, 2);
        mail.job().AnHaenge = tall;
        QString stamp;
        ASSERT_TRUE(PrintToMailPdf(mail, 0, stamp).ok());
        const QString mailPdf = fx.pdfFolder + "/PDFDOC" + stamp + ".pdf";
        EXPECT_EQ(infoOf(mailPdf, "Pages"), withAttachments ? "2" : "1");
        QFile::remove(mailPdf);
    }
}

TEST(PdfOutputPages, BitmapModeMakesEachPageOneFineImageWithoutText)
{
    PdfFixture fx;
    ServerSettings().PdfBitmap = true;
    TestDialog dialog;
    // A 132-column line must still fit the page: the bitmap reports its own resolution.
    dialog.fill(2, 4, QStringLiteral(" ") + QString(124, u'X'));
    const QString pdf = writeNamedPdf(fx, dialog, "grafik");
    EXPECT_EQ(infoOf(pdf, "Pages"), "2");
    EXPECT_TRUE(pageTexts(pdf).join("").trimmed().isEmpty()) << "no text, only pictures";
    const QList<ListedImage> images = listImages(pdf);
    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(images[0].size, QSize(595 * 3, 842 * 3)) << "216 dots per inch";
    EXPECT_EQ(images[0].encoding, "image") << "lossless: pseudo-graphics stay sharp";

    // The long line reaches the right quarter of the picture, and paper shows below the last line.
    QTemporaryDir out;
    pdftools::run("pdfimages", {"-png", "-f", "1", "-l", "1", pdf, out.path() + "/img"});
    const QImage page(out.path() + "/img-000.png");
    ASSERT_FALSE(page.isNull());
    auto inkIn = [&page](const QRect& area) {
        int ink = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                ink += qGray(page.pixel(x, y)) < 128;
        return ink;
    };
    const int w = page.width(), band = page.height() / 4;
    EXPECT_GT(inkIn(QRect(w * 3 / 4, 0, w / 4, band)), 100);
    EXPECT_EQ(inkIn(QRect(0, 4 * band - 2, w, 2)), 0);
}

TEST(PdfOutputPages, AnUnwritableFolderFailsNamingItAndLeavesNoFileAnywhere)
{
    PdfFixture fx;
    const QString file = TempFolders::writeFile(fx.dirs.root() + "/datei", "x");
    const QStringList before = fx.allFiles();
    for (const QString& folder : {file + "/sub", QStringLiteral("/proc/sys")}) {
        ServerSettings().PDFFolder = folder;
        TestDialog dialog(2, 2);
        QString stamp;
        const PdfOutcome outcome = PrintToPdf(dialog, 0, stamp);
        EXPECT_FALSE(outcome.ok());
        EXPECT_TRUE(outcome.message.contains(folder)) << outcome.message.toStdString();
        EXPECT_EQ(fx.allFiles(), before);
    }
}
