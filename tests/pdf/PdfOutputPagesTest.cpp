#include "Ink.h"
#include "PdfOutputTestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The background picture goes on job page 1 only with "nur 1.Seite", however the range
// begins, and every picture of a PDF is stored lossless; which pages carry the picture
// and where the watermark lies is the shared page drawing's (tests/pages).
TEST(PdfOutputPages, TheBackgroundPictureIsStoredLosslessOnJobPageOneOnly)
{
    PdfFixture fx;
    for (qint32 from : {1, 2}) {
        TestDialog dialog(3, 2);
        dialog.picPageMode = 1;
        dialog.Picture1().setPicture(QImage(40, 60, QImage::Format_RGB32));
        dialog.FromPage = from;
        const QList<pdftools::Image> images = pdftools::images(writeNamedPdf(fx, dialog, "bild"));
        ASSERT_EQ(images.size(), from == 1 ? 1 : 0) << "from " << from;
        if (from == 1) {
            EXPECT_EQ(images[0].encoding, "image") << "lossless, not JPEG";
        }
    }
}

TEST(PdfOutputPages, AttachmentImagesFollowTheTextTurnedToThePage)
{
    PdfFixture fx;
    const QString wide = TempFolders::writePicture(fx.dirs.root() + "/wide.png", 300, 100);
    const QString tall = TempFolders::writePicture(fx.dirs.root() + "/tall.png", 100, 300);

    const QString broken = TempFolders::writeFile(fx.dirs.root() + "/broken.jpg", "not a picture");

    // Portrait: the missing file is skipped, the wide picture is turned upright on a
    // portrait page of its own and stored lossless, the broken one gets a blank page.
    TestDialog portrait(2, 2);
    portrait.job().AnHaenge = fx.dirs.root() + "/missing.png , " + wide + "," + broken;
    const QString pdf = writeNamedPdf(fx, portrait, "anhang");
    EXPECT_EQ(pdftools::infoOf(pdf, "Pages"), "4");
    EXPECT_EQ(pdftools::infoOf(pdf, "Page    3 size", 3), "595 x 842 pts (A4)");
    const QList<pdftools::Image> images = pdftools::images(pdf);
    ASSERT_EQ(images.size(), 1);
    EXPECT_EQ(images[0].page, 3);
    EXPECT_EQ(images[0].size, QSize(100, 300)) << "turned a quarter";
    EXPECT_EQ(images[0].encoding, "image") << "lossless, not JPEG";

    // Landscape: landscape pages, line 4 of 4 in the last quarter of the 595-point height,
    // the tall picture turned.
    TestDialog landscape;
    landscape.job().setLandscape(true);
    landscape.fill(1, 4);
    landscape.job().AnHaenge = tall;
    const QString lpdf = writeNamedPdf(fx, landscape, "quer");
    EXPECT_EQ(pdftools::infoOf(lpdf, "Page    1 size", 2), "842 x 595 pts (A4)");
    EXPECT_EQ(pdftools::infoOf(lpdf, "Page    2 size", 2), "842 x 595 pts (A4)");
    const pdftools::Word last = pdftools::words(lpdf).value(0).value(3);
    EXPECT_EQ(last.text, "P1Z4");
    EXPECT_GT(last.box.top(), 595.0 * 3 / 4 - 5);
    EXPECT_LT(last.box.bottom(), 595.0 + 1);
    EXPECT_EQ(pdftools::images(lpdf).value(0).size, QSize(300, 100));

    // A range from above to: no text page, but the attachments still come.
    TestDialog empty(3, 2);
    empty.FromPage = 3;
    empty.ToPage = 2;
    empty.job().AnHaenge = wide;
    const QString epdf = writeNamedPdf(fx, empty, "leer");
    EXPECT_EQ(pdftools::infoOf(epdf, "Pages"), "1");
    EXPECT_EQ(pdftools::images(epdf).size(), 1);

    // The mail variant adds them only when asked.
    for (bool withAttachments : {false, true}) {
        ServerSettings().PdfMailAnhang = withAttachments;
        TestDialog mail(1, 2);
        mail.job().AnHaenge = tall;
        QString stamp;
        ASSERT_TRUE(PrintToMailPdf(mail, 0, stamp).ok());
        const QString mailPdf = fx.pdfFolder + "/PDFDOC" + stamp + ".pdf";
        EXPECT_EQ(pdftools::infoOf(mailPdf, "Pages"), withAttachments ? "2" : "1");
        QFile::remove(mailPdf);
    }
}

TEST(PdfOutputPages, BitmapModeMakesEachPageOneFineLosslessImageWithoutText)
{
    PdfFixture fx;
    ServerSettings().PdfBitmap = true;
    TestDialog dialog;
    // A 132-column line must still fit the page: the bitmap reports its own resolution.
    dialog.fill(2, 4, QStringLiteral(" ") + QString(124, u'X'));
    const QString pdf = writeNamedPdf(fx, dialog, "grafik");
    EXPECT_EQ(pdftools::infoOf(pdf, "Pages"), "2");
    EXPECT_TRUE(pdftools::pageTexts(pdf).join("").trimmed().isEmpty()) << "no text, only pictures";
    const QList<pdftools::Image> images = pdftools::images(pdf);
    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(images[0].size, QSize(595 * 3, 842 * 3)) << "216 dots per inch";
    EXPECT_EQ(images[0].encoding, "image") << "lossless: pseudo-graphics stay sharp";

    // The long line reaches the right quarter of the picture, and paper shows below the last line.
    QTemporaryDir out;
    pdftools::run("pdfimages", {"-png", "-f", "1", "-l", "1", pdf, out.path() + "/img"});
    const QImage page(out.path() + "/img-000.png");
    ASSERT_FALSE(page.isNull());
    const int w = page.width(), band = page.height() / 4;
    EXPECT_FALSE(inkBounds(page, QRect(w * 3 / 4, 0, w / 4, band)).isNull());
    EXPECT_TRUE(inkBounds(page, QRect(0, 4 * band - 2, w, 2)).isNull());
}
