#include "PdfOutputTestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString Watermark = QStringLiteral("WASSERZEICHEN|Arial|40| 0| 0| 0| 0| 0| 0| 0| 0| 0");

// Writes the dialog's job to "<name>.pdf" and returns the path; unencrypted so the tools
// need no password.
QString writePdf(PdfFixture& fx, TestDialog& dialog, const QString& name)
{
    ServerSettings().PdfPrint = false;
    dialog.job().pdfName = name;
    QString stamp;
    const PdfOutcome outcome = PrintToPdf(dialog, 0, stamp);
    EXPECT_TRUE(outcome.ok()) << outcome.message.toStdString();
    return fx.pdfFolder + "/" + name + ".pdf";
}

QString pageCount(const QString& pdf)
{
    return pdftools::infoValue(pdftools::info(pdf).out, "Pages");
}

} // namespace

TEST(PdfOutputPages, BackgroundPictureFollowsThePictureModeAndThePageNumber)
{
    PdfFixture fx;
    struct Case
    {
        qint16 mode;
        qint32 from, to;
        QList<int> pagesWithPicture;
    };
    const QList<Case> cases = {
        {2, 1, 3, {1, 2, 3}},
        {1, 1, 3, {1}},
        {1, 2, 3, {}}, // "nur 1.Seite" means page 1, not the first page of the range
        {0, 1, 3, {}},
        {7, 1, 3, {}},
    };
    for (const Case& c : cases) {
        TestDialog dialog;
        dialog.fill(3, 2);
        dialog.picPageMode = c.mode;
        dialog.picture1.setPicture(QImage(40, 60, QImage::Format_RGB32));
        dialog.FromPage = c.from;
        dialog.ToPage = c.to;
        const QString pdf = writePdf(fx, dialog, "bild");
        QList<int> pages;
        for (const ListedImage& image : listImages(pdf))
            pages << image.page + c.from - 1;
        EXPECT_EQ(pages, c.pagesWithPicture) << "mode " << c.mode << " from " << c.from;
    }
}

TEST(PdfOutputPages, WatermarkLayerPutsItBehindOrInFrontOfTheTextOrNowhere)
{
    PdfFixture fx;
    for (qint16 layer : {0, 1, 2}) {
        for (qint32 position : {0, 1}) {
            ServerSettings().Waterlayer = layer;
            TestDialog dialog;
            dialog.fill(1, 2);
            dialog.job().AddWatermark(Watermark, 0);
            dialog.watermarkPosition = position;
            // Content order tells behind (drawn first) from in front (drawn last).
            const QString text = pageTexts(writePdf(fx, dialog, "wasser")).value(0).simplified();
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
    const QString missing = fx.dirs.root() + "/missing.png";

    // Portrait: the missing file is skipped, the wide picture is turned upright, the tall
    // one is not, the broken one still gets its (blank) page.
    TestDialog portrait;
    portrait.fill(2, 2);
    portrait.job().AnHaenge = missing + " , " + wide + ", " + tall + "," + broken + ",";
    const QString pdf = writePdf(fx, portrait, "anhang");
    const QString info = pdftools::info(pdf, {}, 5).out;
    EXPECT_EQ(pdftools::infoValue(info, "Pages"), "5");
    for (int p = 3; p <= 5; ++p)
        EXPECT_EQ(pdftools::infoValue(info, QStringLiteral("Page    %1 size").arg(p)), "595 x 842 pts (A4)");
    const QList<ListedImage> images = listImages(pdf);
    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(images[0].page, 3);
    EXPECT_EQ(QSize(images[0].width, images[0].height), QSize(100, 300)) << "turned a quarter";
    EXPECT_EQ(images[1].page, 4);
    EXPECT_EQ(QSize(images[1].width, images[1].height), QSize(100, 300));
    EXPECT_EQ(portrait.picture2.width(), 0) << "the holder keeps the failed load: empty";

    // Landscape: landscape pages, the tall picture turned.
    TestDialog landscape;
    landscape.job().setLandscape(true);
    landscape.fill(1, 2);
    landscape.job().AnHaenge = tall;
    const QString lpdf = writePdf(fx, landscape, "quer");
    EXPECT_EQ(pdftools::infoValue(pdftools::info(lpdf, {}, 2).out, "Page    2 size"), "842 x 595 pts (A4)");
    ASSERT_EQ(listImages(lpdf).size(), 1);
    EXPECT_EQ(listImages(lpdf)[0].width, 300);

    // A range from above to: no text page, but the attachments still come.
    TestDialog empty;
    empty.fill(3, 2);
    empty.FromPage = 3;
    empty.ToPage = 2;
    empty.job().AnHaenge = wide;
    const QString epdf = writePdf(fx, empty, "leer");
    EXPECT_EQ(pageCount(epdf), "1");
    EXPECT_EQ(listImages(epdf).size(), 1);
    EXPECT_TRUE(pageTexts(epdf).join("").trimmed().isEmpty());
}

TEST(PdfOutputPages, MailVariantAddsAttachmentsOnlyWhenAsked)
{
    PdfFixture fx;
    ServerSettings().PdfPrint = false;
    const QString picture = writePicture(fx.dirs.root() + "/a.png", 50, 80);
    for (bool withAttachments : {false, true}) {
        ServerSettings().PdfMailAnhang = withAttachments;
        TestDialog dialog;
        dialog.fill(2, 2);
        dialog.job().AnHaenge = picture;
        QString stamp;
        ASSERT_TRUE(PrintToMailPdf(dialog, 0, stamp).ok());
        const QString pdf = fx.pdfFolder + "/PDFDOC" + stamp + ".pdf";
        EXPECT_EQ(pageCount(pdf), withAttachments ? "3" : "2");
        QFile::remove(pdf);
    }
}

TEST(PdfOutputPages, BitmapModeMakesEachPageOneFineImageWithoutText)
{
    PdfFixture fx;
    ServerSettings().PdfBitmap = true;
    TestDialog dialog;
    // A 132-column line must still fit the page: the bitmap reports its own resolution.
    dialog.fill(2, 4, QStringLiteral(" ") + QString(124, u'X'));
    const QString pdf = writePdf(fx, dialog, "grafik");

    EXPECT_EQ(pageCount(pdf), "2");
    EXPECT_TRUE(pageTexts(pdf).join("").trimmed().isEmpty()) << "no text, only pictures";
    const QList<ListedImage> images = listImages(pdf);
    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(QSize(images[0].width, images[0].height), QSize(595 * 3, 842 * 3)) << "216 dots per inch";

    // The picture holds the lines where the text would be: ink in the first band, ink
    // near the right margin but not beyond the page, and paper below the last line.
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
    const int band = page.height() / 4;
    EXPECT_GT(inkIn(QRect(0, 0, page.width() / 4, band)), 100);
    EXPECT_GT(inkIn(QRect(page.width() * 3 / 4, 0, page.width() / 4, band)), 100) << "the long line reaches right";
    EXPECT_EQ(inkIn(QRect(0, 4 * band - 2, page.width(), 2)), 0);
}

TEST(PdfOutputPages, AnUnwritableFolderFailsNamingItAndLeavesNoFileAnywhere)
{
    PdfFixture fx;
    const QString file = TempFolders::writeFile(fx.dirs.root() + "/datei", "x");
    // The probe's scratch file is the only file an output may leave outside the PDF folder.
    auto files = [&fx] {
        QStringList list = fx.allFiles();
        list.removeAll(QStringLiteral("appdata/Test.pdf"));
        return list;
    };
    const QStringList before = files();
    for (const QString& folder : {file + "/sub", QStringLiteral("/proc/sys")}) {
        ServerSettings().PDFFolder = folder;
        TestDialog dialog;
        dialog.fill(2, 2);
        QString stamp;
        const PdfOutcome outcome = PrintToPdf(dialog, 0, stamp);
        EXPECT_FALSE(outcome.ok());
        EXPECT_TRUE(outcome.message.contains(folder)) << outcome.message.toStdString();
        EXPECT_EQ(files(), before);
        EXPECT_FALSE(QFileInfo::exists(folder + "/PDFDOC" + stamp + ".pdf"));
    }
}
