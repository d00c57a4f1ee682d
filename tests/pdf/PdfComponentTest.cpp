#include "PdfComponent.h"
#include "Canvas.h"
#include "PdfFinish.h"
#include "PdfTools.h"
#include "TempFolders.h"

#include <QDir>
#include <QFile>
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

// A document with one page per entry, of that size in pixels.
OutputOutcome makeDocument(PdfComponent& pdf, const QString& path, const QList<QSize>& pages)
{
    pdf.startEngine();
    const OutputOutcome begun = pdf.beginDocument(path, 0);
    for (const QSize& size : pages) {
        pdf.beginPage(size.width(), size.height(), 0);
        drawText(pdf, 40, 60, QStringLiteral("Seite"));
        pdf.endPage();
    }
    const OutputOutcome ended = pdf.endDocument();
    pdf.stopEngine();
    return begun.ok() ? ended : begun;
}

QString creationDate(const QString& path, const QString& password = {})
{
    QStringList args{"-isodates", path};
    if (!password.isEmpty())
        args << "-upw" << password;
    return pdftools::infoValue(pdftools::run("pdfinfo", args).out, "CreationDate");
}

} // namespace

TEST(PdfComponent, SurfaceDrawsRealTextAndImagesOntoTheWholePageStoredCompressed)
{
    TempFolders dirs;
    PdfComponent pdf;
    pdf.startEngine();
    const QString path = dirs.root() + "/text.pdf";
    ASSERT_TRUE(pdf.beginDocument(path).ok());
    pdf.beginPage(595, 842);
    EXPECT_EQ(pdf.surface().dpiX(), 72);
    EXPECT_EQ(pdf.surface().heightPixels(), 842);
    drawText(pdf, 40, 60, QStringLiteral("Grüße aus Köln: ÄÖÜ äöü ß"));
    // Tiles of colour: 270 KB raw, a few KB stored lossless.
    QImage tiles(300, 300, QImage::Format_RGB32);
    for (int y = 0; y < tiles.height(); ++y)
        for (int x = 0; x < tiles.width(); ++x)
            tiles.setPixel(x, y, qRgb((x / 20) * 17, (y / 20) * 17, (x / 20 * y / 20) % 256));
    pdf.surface().painter().drawImage(QRect(40, 100, 300, 300), tiles);

    // A landscape page after a portrait one: its far corner must not be clipped to the
    // first page's size; then portrait again.
    pdf.beginPage(842, 595);
    EXPECT_EQ(pdf.surface().widthPixels(), 842);
    drawText(pdf, 700, 585, QStringLiteral("rechts"));
    pdf.beginPage(595, 842);
    ASSERT_TRUE(pdf.endDocument().ok());
    const QString info = pdftools::info(path, {}, 3).out;
    EXPECT_EQ(pdftools::infoValue(info, "Page    2 size"), "842 x 595 pts (A4)");
    EXPECT_EQ(pdftools::infoValue(info, "Page    3 size"), "595 x 842 pts (A4)");

    const QString text = pdftools::text(path).out;
    EXPECT_TRUE(text.contains("Grüße aus Köln: ÄÖÜ äöü ß")) << text.toStdString();
    EXPECT_TRUE(text.contains("rechts"));

    // Page content stored compressed; pictures lossless yet small, and only the glyphs used
    // of the font.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_FALSE(bytes.contains(" Tf")) << "no page content stored readable";
    EXPECT_LT(bytes.size(), 150 * 1024) << "no image stored raw, no whole font";
    EXPECT_EQ(pdftools::images(path).value(0).encoding, "image");
    EXPECT_TRUE(pdftools::check(path).ok());

    // Asked for, the finishing pass stores page content decoded, and only that.
    PdfFinishOptions plain;
    plain.uncompressContent = true;
    const QString readable = dirs.root() + "/readable.pdf";
    ASSERT_EQ(finishPdf(path, readable, plain), QString());
    QFile decoded(readable);
    ASSERT_TRUE(decoded.open(QIODevice::ReadOnly));
    const QByteArray content = decoded.readAll();
    EXPECT_TRUE(content.contains(" Tf") && content.contains(" Do"));
    EXPECT_LT(content.size(), 200 * 1024) << "image and font keep their compression";
    EXPECT_TRUE(pdftools::text(readable).out.contains("Grüße aus Köln"));
}

TEST(PdfComponent, WrittenValuesSurviveStopAndStartAndReachProbeAndDocument)
{
    TempFolders dirs;
    PdfComponent pdf;
    pdf.setPdfSignatur("auf");
    pdf.setPdfPassword("chef");
    pdf.setPermissionCode(3);
    pdf.setDateText("01.02.2024 03:04:05");
    pdf.setHorizontalResolution(96);
    pdf.setVerticalResolution(96);
    pdf.setNumericSetting(0);

    // The resolution probe as the PDF output makes it: a page without size, measured.
    pdf.startEngine();
    const QString probe = dirs.appData() + "/Test.pdf";
    ASSERT_TRUE(pdf.beginDocument(probe).ok());
    pdf.beginPage();
    EXPECT_EQ(pdf.surface().dpiX(), 96);
    EXPECT_EQ(pdf.surface().dpiY(), 96);
    ASSERT_TRUE(pdf.endDocument().ok());
    pdf.stopEngine();
    EXPECT_EQ(pdftools::infoValue(pdftools::info(probe, "auf").out, "Page size"), "595 x 842 pts (A4)");
    EXPECT_TRUE(creationDate(probe, "auf").startsWith("2024-02-01T03:04:05"));

    const QString path = dirs.root() + "/after.pdf";
    ASSERT_TRUE(makeDocument(pdf, path, {{794, 1123}}).ok()) << "A4 in pixels at 96 dpi";
    EXPECT_FALSE(pdftools::check(path).ok()) << "the open password is still asked for";
    EXPECT_TRUE(creationDate(path, "auf").startsWith("2024-02-01T03:04:05"));
    EXPECT_EQ(pdftools::infoValue(pdftools::info(path, "auf").out, "Page size"), "595 x 842 pts (A4)");

    // Odd values: absurd resolutions are ignored, a date in another form leaves the
    // time of writing.
    pdf.setHorizontalResolution(0);
    pdf.setVerticalResolution(1000000);
    pdf.setDateText("kein Datum");
    ASSERT_TRUE(makeDocument(pdf, path, {{794, 1123}}).ok());
    EXPECT_EQ(pdftools::infoValue(pdftools::info(path, "auf").out, "Page size"), "595 x 842 pts (A4)");
    EXPECT_TRUE(creationDate(path, "auf").startsWith(QDate::currentDate().toString("yyyy-MM-dd")));
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
    const OutputOutcome begun = pdf.beginDocument(locked + "/x.pdf");
    EXPECT_FALSE(begun.ok());
    EXPECT_EQ(begun.message, QString("Der Ordner %1 ist nicht beschreibbar.").arg(QDir::toNativeSeparators(locked)));
    // The output draws on without looking; nothing may crash or appear.
    pdf.beginPage(595, 842);
    drawText(pdf, 10, 10, "ins Leere");
    const OutputOutcome ended = pdf.endDocument();
    EXPECT_EQ(ended.message, begun.message) << "the cause is reported again at the end";
    EXPECT_EQ(entries(locked), before);
    EXPECT_EQ(entries(dirs.root()), rootBefore);
    QFile::setPermissions(dirs.root() + "/gesperrt", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const OutputOutcome missing = pdf.beginDocument(dirs.root() + "/fehlt/x.pdf");
    EXPECT_TRUE(missing.message.contains("existiert nicht")) << missing.message.toStdString();
    EXPECT_FALSE(pdf.endDocument().ok());
    EXPECT_FALSE(QFileInfo::exists(dirs.root() + "/fehlt"));
}

TEST(PdfComponent, AFileAppearsOnlyWhenCompleteAndALateFailureOrAbandonLeavesNothing)
{
    TempFolders dirs;
    const QString folder = dirs.root() + "/out";
    QDir().mkpath(folder);
    const QString path = folder + "/Brief für Müller.pdf";
    TempFolders::writeFile(path, "alter Inhalt");

    PdfComponent pdf;
    pdf.startEngine();
    ASSERT_TRUE(pdf.beginDocument(path).ok());
    pdf.beginPage(595, 842);
    drawText(pdf, 40, 60, "neu");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), "alter Inhalt") << "readers see the old file until the new one is complete";
    ASSERT_TRUE(pdf.endDocument().ok());
    EXPECT_EQ(entries(folder), QStringList{"Brief für Müller.pdf"}) << "no temporary file stays beside it";
    EXPECT_TRUE(pdftools::text(path).out.contains("neu"));

    // The target turns into a folder while the document is written: the final rename
    // fails, and neither the pages nor the finished copy may remain.
    const QString late = folder + "/spaet.pdf";
    ASSERT_TRUE(pdf.beginDocument(late).ok());
    QDir().mkpath(late + "/inhalt");
    const OutputOutcome failed = pdf.endDocument();
    EXPECT_FALSE(failed.ok());
    EXPECT_TRUE(failed.message.contains(QDir::toNativeSeparators(late))) << failed.message.toStdString();

    // A document that must not replace a file fails when one has taken its name meanwhile.
    const QString taken = folder + "/belegt.pdf";
    ASSERT_TRUE(pdf.beginDocument(taken, PdfComponent::KeepExisting).ok());
    pdf.beginPage(595, 842);
    TempFolders::writeFile(taken, "schon da");
    EXPECT_FALSE(pdf.endDocument().ok());
    QFile kept(taken);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "schon da");

    // Abandoned by stopping the engine, by beginning another document, by going away.
    ASSERT_TRUE(pdf.beginDocument(folder + "/a.pdf").ok());
    pdf.beginPage(595, 842);
    pdf.stopEngine();
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
    EXPECT_EQ(entries(folder), (QStringList{"belegt.pdf", "Brief für Müller.pdf", "spaet.pdf"}));
    EXPECT_TRUE(entries(dirs.appData() + "/temp").isEmpty()) << "no temporary file is noted any more";
}

TEST(PdfComponent, MisuseIsAbsorbedAndEvenADocumentWithoutPagesIsReadable)
{
    TempFolders dirs;
    PdfComponent pdf;
    EXPECT_FALSE(pdf.beginDocument(dirs.root() + "/x.pdf").ok()) << "the engine is not started";
    EXPECT_FALSE(pdf.endDocument().ok());
    EXPECT_FALSE(pdf.endDocument().ok()) << "no document at all";
    pdf.beginPage(100, 100);
    drawText(pdf, 0, 0, "nirgends");
    pdf.setHorizontalResolution(150);
    EXPECT_EQ(pdf.surface().dpiX(), 150) << "a surface without a page still reports the resolution";
    pdf.startEngine();
    EXPECT_FALSE(pdf.beginDocument(QString()).ok());
    EXPECT_EQ(entries(dirs.root()), (QStringList{"appdata", "config", "program"}));

    // Begun and ended without a page, as a page range from 3 to 2 gives.
    const QString empty = dirs.root() + "/leer.pdf";
    ASSERT_TRUE(makeDocument(pdf, empty, {}).ok());
    EXPECT_EQ(pdftools::infoValue(pdftools::info(empty).out, "Page size"), "595 x 842 pts (A4)");

    // Absurd sizes are clamped to what viewers accept.
    ASSERT_TRUE(makeDocument(pdf, empty, {{0, -5}, {2000000000, 2000000000}}).ok());
    EXPECT_TRUE(pdftools::check(empty).ok());
    EXPECT_EQ(pdftools::infoValue(pdftools::info(empty, {}, 2).out, "Page    2 size"), "14400 x 14400 pts");
}
