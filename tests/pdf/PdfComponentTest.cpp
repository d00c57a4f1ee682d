#include "PdfComponent.h"
#include "Canvas.h"
#include "PdfTools.h"
#include "TempFolders.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>

#include <gtest/gtest.h>

namespace {

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

void drawText(PdfComponent& pdf, int x, int y, const QString& text)
{
    QPainter& painter = pdf.surface().painter();
    painter.setFont(QFont(QStringLiteral("Liberation Mono"), 12));
    painter.drawText(x, y, text);
}

// A document with one page of the given pixel sizes per entry, each carrying its number.
PdfOutcome makeDocument(PdfComponent& pdf, const QString& path, const QList<QSize>& pages)
{
    pdf.startEngine();
    PdfOutcome begun = pdf.beginDocument(path, 0);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        pdf.beginPage(pages[i].width(), pages[i].height(), 0);
        drawText(pdf, 40, 60, QStringLiteral("Seite %1").arg(i + 1));
        pdf.endPage();
    }
    PdfOutcome ended = pdf.endDocument();
    pdf.stopEngine();
    return begun.ok() ? ended : begun;
}

} // namespace

TEST(PdfComponent, PagesHaveTheirPixelSizeAtTheResolutionInEitherOrientation)
{
    TempFolders dirs;
    PdfComponent pdf;
    const QString path = dirs.root() + "/pages.pdf";
    ASSERT_TRUE(makeDocument(pdf, path, {{595, 842}, {842, 595}, {595, 842}}).ok());

    const pdftools::ToolResult info = pdftools::info(path, {}, 3);
    ASSERT_TRUE(info.ok()) << info.err.toStdString();
    EXPECT_EQ(pdftools::infoValue(info.out, "Pages"), "3");
    EXPECT_EQ(pdftools::infoValue(info.out, "Page    1 size"), "595 x 842 pts (A4)");
    EXPECT_EQ(pdftools::infoValue(info.out, "Page    2 size"), "842 x 595 pts (A4)");
    EXPECT_EQ(pdftools::infoValue(info.out, "Page    3 size"), "595 x 842 pts (A4)") << "back to portrait";
    EXPECT_EQ(pdftools::infoValue(info.out, "Page    2 rot"), "0");

    // At twice the resolution the same pixel counts make pages of half the size, and
    // the page size the PDF output works out for A4 at that resolution is still A4.
    pdf.setHorizontalResolution(144);
    pdf.setVerticalResolution(144);
    const QString fine = dirs.root() + "/fine.pdf";
    ASSERT_TRUE(makeDocument(pdf, fine, {{1191, 1684}, {595, 842}}).ok());
    const QString fineInfo = pdftools::info(fine, {}, 2).out;
    EXPECT_EQ(pdftools::infoValue(fineInfo, "Page    1 size"), "595 x 842 pts (A4)");
    EXPECT_EQ(pdftools::infoValue(fineInfo, "Page    2 size"), "297 x 420 pts") << "half of A4 each way";
}

TEST(PdfComponent, SurfaceDrawsRealTextOnTheWholePageAndReportsTheResolution)
{
    TempFolders dirs;
    PdfComponent pdf;
    pdf.startEngine();
    const QString path = dirs.root() + "/text.pdf";
    ASSERT_TRUE(pdf.beginDocument(path).ok());

    pdf.beginPage(595, 842);
    Canvas& portrait = pdf.surface();
    EXPECT_EQ(portrait.dpiX(), 72);
    EXPECT_EQ(portrait.dpiY(), 72);
    EXPECT_EQ(portrait.widthPixels(), 595);
    EXPECT_EQ(portrait.heightPixels(), 842);
    drawText(pdf, 40, 60, QStringLiteral("Grüße aus Köln: ÄÖÜ äöü ß"));
    drawText(pdf, 40, 830, QStringLiteral("unten"));

    // A landscape page after a portrait one: the far right and bottom must not be clipped
    // to the first page's size.
    pdf.beginPage(842, 595);
    EXPECT_EQ(pdf.surface().widthPixels(), 842);
    EXPECT_EQ(pdf.surface().heightPixels(), 595);
    drawText(pdf, 700, 585, QStringLiteral("rechts"));
    pdf.endPage();
    ASSERT_TRUE(pdf.endDocument().ok());

    const pdftools::ToolResult text = pdftools::text(path);
    ASSERT_TRUE(text.ok()) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains("Grüße aus Köln: ÄÖÜ äöü ß")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("unten"));
    EXPECT_TRUE(text.out.contains("rechts"));

    // Text stays text: the TrueType font embedded, with a Unicode map. The writer embeds
    // only the glyphs used (without tagging the name as a subset), so the whole file
    // stays far smaller than the font file.
    const QStringList fontLines = pdftools::fonts(path).out.split('\n').filter("LiberationMono");
    ASSERT_FALSE(fontLines.isEmpty());
    const QStringList columns = fontLines.first().split(' ', Qt::SkipEmptyParts);
    ASSERT_GE(columns.size(), 7);
    EXPECT_TRUE(fontLines.first().contains("TrueType")) << fontLines.first().toStdString();
    EXPECT_EQ(columns[columns.size() - 5], "yes") << "embedded";
    EXPECT_EQ(columns[columns.size() - 3], "yes") << "unicode map";
    EXPECT_LT(QFileInfo(path).size(), 100 * 1024);
}

TEST(PdfComponent, ContentIsStoredUncompressedWhileImagesStayCompressed)
{
    TempFolders dirs;
    PdfComponent pdf;
    pdf.startEngine();
    const QString path = dirs.root() + "/plain.pdf";
    ASSERT_TRUE(pdf.beginDocument(path).ok());
    pdf.beginPage(595, 842);
    drawText(pdf, 40, 60, QStringLiteral("Zeile"));
    QImage noise(300, 300, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 7) % 256, (y * 13) % 256, (x * y) % 256));
    pdf.surface().painter().drawImage(QRect(40, 100, 300, 300), noise);
    ASSERT_TRUE(pdf.endDocument().ok());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains(" Tf")) << "text operators readable in the file";
    EXPECT_TRUE(bytes.contains(" Do")) << "the image is placed by a readable operator";
    EXPECT_TRUE(bytes.contains("/FlateDecode")) << "the image (and font) keep their compression";
    EXPECT_LT(bytes.size(), 300 * 300 * 3) << "an uncompressed image would be larger than the whole file";
    EXPECT_TRUE(pdftools::check(path).ok());
}

TEST(PdfComponent, DateTextBecomesTheCreationDateAndOddTextKeepsTheTimeOfWriting)
{
    TempFolders dirs;
    PdfComponent pdf;
    pdf.setDateText("24.12.2023 18:30:05");
    const QString path = dirs.root() + "/dated.pdf";
    ASSERT_TRUE(makeDocument(pdf, path, {{595, 842}}).ok());
    const QString info = pdftools::run("pdfinfo", {"-isodates", path}).out;
    EXPECT_TRUE(pdftools::infoValue(info, "CreationDate").startsWith("2023-12-24T18:30:05")) << info.toStdString();

    pdf.setDateText("kein Datum");
    EXPECT_EQ(pdf.dateText(), "kein Datum");
    const QString undated = dirs.root() + "/undated.pdf";
    ASSERT_TRUE(makeDocument(pdf, undated, {{595, 842}}).ok());
    const QString now = QDate::currentDate().toString("yyyy-MM-dd");
    EXPECT_TRUE(
        pdftools::infoValue(pdftools::run("pdfinfo", {"-isodates", undated}).out, "CreationDate").startsWith(now));
}

TEST(PdfComponent, WrittenValuesSurviveStopAndStartAndReachTheNextDocument)
{
    TempFolders dirs;
    PdfComponent pdf;
    pdf.setPdfSignatur("auf");
    pdf.setPdfPassword("chef");
    pdf.setPermissionCode(PdfComponent::permissionCode(true, false, false));
    pdf.setDateText("01.02.2024 03:04:05");
    pdf.setHorizontalResolution(96);
    pdf.setVerticalResolution(96);
    pdf.setNumericSetting(0);

    // The probe: a page without size, measured, then stop and start as the output does.
    pdf.startEngine();
    const QString probe = dirs.appData() + "/Test.pdf";
    ASSERT_TRUE(pdf.beginDocument(probe).ok());
    pdf.beginPage();
    const int dpiX = pdf.surface().dpiX();
    const int dpiY = pdf.surface().dpiY();
    pdf.endPage();
    ASSERT_TRUE(pdf.endDocument().ok());
    pdf.stopEngine();
    EXPECT_EQ(dpiX, 96);
    EXPECT_EQ(dpiY, 96);
    EXPECT_EQ(pdftools::infoValue(pdftools::info(probe, "auf").out, "Page size"), "595 x 842 pts (A4)");

    const QString path = dirs.root() + "/after.pdf";
    ASSERT_TRUE(makeDocument(pdf, path, {{794, 1123}}).ok());
    EXPECT_EQ(pdf.horizontalResolution(), 96);
    EXPECT_EQ(pdf.verticalResolution(), 96);
    EXPECT_EQ(pdf.pdfPassword(), "chef");
    EXPECT_EQ(pdf.pdfSignatur(), "auf");
    EXPECT_EQ(pdf.permissionCode(), 3);
    EXPECT_EQ(pdf.dateText(), "01.02.2024 03:04:05");

    EXPECT_FALSE(pdftools::check(path).ok()) << "the open password is still asked for";
    const QString info = pdftools::run("pdfinfo", {"-isodates", "-upw", "auf", path}).out;
    EXPECT_TRUE(pdftools::infoValue(info, "CreationDate").startsWith("2024-02-01T03:04:05"));
    EXPECT_EQ(pdftools::infoValue(info, "Page size"), "595 x 842 pts (A4)") << "A4 in pixels at 96 dpi";

    // Out-of-range resolutions are ignored rather than producing absurd pages.
    pdf.setHorizontalResolution(0);
    pdf.setVerticalResolution(-5);
    pdf.setHorizontalResolution(1000000);
    EXPECT_EQ(pdf.horizontalResolution(), 96);
    EXPECT_EQ(pdf.verticalResolution(), 96);
}

TEST(PdfComponent, AnUnwritableOrMissingFolderFailsWithAMessageAndLeavesNoFile)
{
    TempFolders dirs;
    // Permissions do not stop root; the kernel's own folders stop everyone.
    QString locked = dirs.root() + "/gesperrt";
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFile probe(locked + "/probe"); probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        locked = "/sys";
    }
    const QStringList before = entries(locked);
    const QStringList rootBefore = entries(dirs.root());

    PdfComponent pdf;
    pdf.startEngine();
    const PdfOutcome begun = pdf.beginDocument(locked + "/x.pdf");
    EXPECT_FALSE(begun.ok());
    EXPECT_TRUE(begun.message.contains("nicht beschreibbar")) << begun.message.toStdString();
    EXPECT_TRUE(begun.message.contains(QDir::toNativeSeparators(locked)));
    // The output goes on drawing without looking; nothing may crash or appear.
    pdf.beginPage(595, 842);
    drawText(pdf, 10, 10, "ins Leere");
    pdf.endPage();
    const PdfOutcome ended = pdf.endDocument();
    EXPECT_FALSE(ended.ok());
    EXPECT_EQ(ended.message, begun.message) << "the cause is reported again at the end";
    EXPECT_EQ(entries(locked), before);
    EXPECT_EQ(entries(dirs.root()), rootBefore);
    QFile::setPermissions(dirs.root() + "/gesperrt",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const PdfOutcome missing = pdf.beginDocument(dirs.root() + "/fehlt/x.pdf");
    EXPECT_FALSE(missing.ok());
    EXPECT_TRUE(missing.message.contains("existiert nicht")) << missing.message.toStdString();
    EXPECT_FALSE(pdf.endDocument().ok());
    EXPECT_FALSE(QFileInfo::exists(dirs.root() + "/fehlt"));
}

TEST(PdfComponent, AFileAppearsOnlyWhenCompleteAndAFailureLateOrEarlyLeavesNothing)
{
    TempFolders dirs;
    const QString folder = dirs.root() + "/out";
    QDir().mkpath(folder);
    const QString path = folder + "/doc.pdf";
    TempFolders::writeFile(path, "alter Inhalt");

    PdfComponent pdf;
    pdf.startEngine();
    ASSERT_TRUE(pdf.beginDocument(path).ok());
    pdf.beginPage(595, 842);
    drawText(pdf, 40, 60, "neu");
    pdf.endPage();
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "alter Inhalt") << "a reader sees the old file until the new one is complete";
    old.close();
    ASSERT_TRUE(pdf.endDocument().ok());
    EXPECT_EQ(entries(folder), QStringList{"doc.pdf"}) << "no temporary file stays beside it";
    EXPECT_TRUE(pdftools::text(path).out.contains("neu"));
    EXPECT_TRUE(QFileInfo(path).permissions() & QFileDevice::ReadOther) << "kept the old file's rights";

    // The target turns into a folder while the document is being written: the rename
    // fails at the end, and neither the pages nor the finished copy may remain.
    const QString late = folder + "/spaet.pdf";
    ASSERT_TRUE(pdf.beginDocument(late).ok());
    pdf.beginPage(595, 842);
    QDir().mkpath(late + "/inhalt");
    const PdfOutcome failed = pdf.endDocument();
    EXPECT_FALSE(failed.ok());
    EXPECT_TRUE(failed.message.contains(QDir::toNativeSeparators(late))) << failed.message.toStdString();
    EXPECT_EQ(entries(folder), (QStringList{"doc.pdf", "spaet.pdf"}));

    // Abandoned documents: by stopping the engine, by beginning another one, by going away.
    ASSERT_TRUE(pdf.beginDocument(folder + "/a.pdf").ok());
    pdf.beginPage(595, 842);
    pdf.stopEngine();
    EXPECT_FALSE(pdf.hasDocument());
    pdf.startEngine();
    ASSERT_TRUE(pdf.beginDocument(folder + "/b.pdf").ok());
    pdf.beginPage(595, 842);
    ASSERT_TRUE(pdf.beginDocument(folder + "/c.pdf").ok());
    {
        PdfComponent gone;
        gone.startEngine();
        ASSERT_TRUE(gone.beginDocument(folder + "/d.pdf").ok());
        gone.beginPage(595, 842);
    }
    pdf.stopEngine();
    EXPECT_EQ(entries(folder), (QStringList{"doc.pdf", "spaet.pdf"}));
}

TEST(PdfComponent, MisuseIsAbsorbedAndADocumentWithoutPagesIsStillReadable)
{
    TempFolders dirs;
    PdfComponent pdf;
    EXPECT_FALSE(pdf.beginDocument(dirs.root() + "/x.pdf").ok()) << "the engine is not started";
    EXPECT_FALSE(pdf.endDocument().ok());
    EXPECT_FALSE(pdf.endDocument().ok()) << "no document at all";
    pdf.endPage();
    pdf.beginPage(100, 100);
    drawText(pdf, 0, 0, "nirgends");
    EXPECT_EQ(pdf.surface().dpiX(), 72) << "the surface without a page still reports the resolution";
    pdf.startEngine();
    EXPECT_FALSE(pdf.beginDocument(QString()).ok());
    EXPECT_FALSE(QFileInfo::exists(dirs.root() + "/x.pdf"));

    // Begun and ended without a page, as a page range from 3 to 2 gives.
    const QString empty = dirs.root() + "/leer.pdf";
    ASSERT_TRUE(pdf.beginDocument(empty).ok());
    pdf.endPage();
    ASSERT_TRUE(pdf.endDocument().ok());
    const QString info = pdftools::info(empty).out;
    EXPECT_EQ(pdftools::infoValue(info, "Pages"), "1");
    EXPECT_EQ(pdftools::infoValue(info, "Page size"), "595 x 842 pts (A4)");

    // Absurd sizes give a usable page, not a crash: clamped to at least one pixel and at
    // most what viewers accept.
    const QString odd = dirs.root() + "/odd.pdf";
    ASSERT_TRUE(makeDocument(pdf, odd, {{0, -5}, {2000000000, 2000000000}}).ok());
    EXPECT_TRUE(pdftools::check(odd).ok());
    EXPECT_EQ(pdftools::infoValue(pdftools::info(odd, {}, 2).out, "Page    2 size"), "14400 x 14400 pts");
}
