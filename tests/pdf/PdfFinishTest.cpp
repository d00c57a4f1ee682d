// The finishing pass on sources written by hand: what the page writer happens not to do
// (contents in arrays, resources inherited from the page tree, an indirect stream length,
// strings with escapes) must come through as well, and what it cannot read it refuses.
#include "pdf/PdfFinish.h"
#include "pdf/PdfPageLayer.h"
#include "support/PdfTools.h"
#include "support/TempFolders.h"

#include <QRawFont>

#include <gtest/gtest.h>

namespace {

QByteArray stream(const QByteArray& data, const QByteArray& length = {})
{
    return "<< /Length " + (length.isEmpty() ? QByteArray::number(data.size()) : length) + " >>\nstream\n" + data +
           "\nendstream";
}

// Two pages in Helvetica from the page tree's resources; the first page's content in two
// streams, the second's in one; document information and an XMP packet.
QByteArray handMadeSource()
{
    const QByteArray hallo = "BT /F1 12 Tf 10 70 Td (Hallo) Tj ET";
    const QList<QByteArray> objects = {
        "<< /Title (Kl\\(ammer\\) \\\\ Test) /Producer <FEFF00C4> >>",
        "<< /Type /Catalog /Pages 3 0 R /Metadata 9 0 R >>",
        "<< /Type /Pages /Kids [4 0 R 5 0 R] /Count 2 /MediaBox [0 0 200 100]\n"
        "/Resources << /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >> >>",
        "<< /Type /Page /Parent 3 0 R /Contents [6 0 R 7 0 R] >>",
        "<< /Type /Page /Parent 3 0 R /Contents 8 0 R >>",
        stream(hallo, "10 0 R"),
        stream("BT /F1 12 Tf 10 50 Td (Welt) Tj ET"),
        stream("BT /F1 12 Tf 10 50 Td (Zweite) Tj ET"),
        stream("<x/>"),
        QByteArray::number(hallo.size()),
    };
    QByteArray pdf = "%PDF-1.4\n";
    QByteArray table = "xref\n0 11\n0000000000 65535 f \n";
    for (qsizetype i = 0; i < objects.size(); ++i) {
        table += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const QByteArray start = QByteArray::number(pdf.size());
    return pdf + table + "trailer\n<< /Size 11 /Root 2 0 R /Info 1 0 R >>\nstartxref\n" + start + "\n%%EOF\n";
}

// The first page's own text: "Neu" below what the source draws.
void drawNew(PdfPageLayer& layer)
{
    const QRawFont font = QRawFont::fromFont(QFont(QStringLiteral("Liberation Mono"), 12));
    const QList<quint32> indexes = font.glyphIndexesForString(QStringLiteral("Neu"));
    const std::u32string characters = U"Neu";
    std::vector<PlacedGlyph> glyphs;
    for (qsizetype i = 0; i < indexes.size(); ++i)
        glyphs.push_back({indexes[i], characters[size_t(i)], QPointF(10 + 8 * i, 80)});
    layer.beginPage(0, 1.0, 100);
    ASSERT_TRUE(layer.drawGlyphs(font, QTransform(), glyphs));
    layer.endPage();
}

} // namespace

TEST(PdfFinish, AnEncryptedDocumentKeepsItsContentArraysInheritedResourcesAndUntextedPages)
{
    TempFolders dirs;
    const QString source = TempFolders::writeFile(dirs.root() + "/quelle.pdf", handMadeSource());
    const QString target = dirs.root() + "/fertig.pdf";
    PdfPageLayer layer;
    drawNew(layer);
    PdfFinishOptions options;
    options.openPassword = QStringLiteral("auf");
    options.permissionCode = 1 + PdfMayPrint;
    options.text = &layer;
    ASSERT_EQ(finishPdf(source, target, options), QString());

    // Strings and streams are really encrypted: nothing of them in the file, nothing
    // without the password, all of it with it.
    EXPECT_TRUE(pdftools::check(target, "auf").ok());
    EXPECT_FALSE(pdftools::run("pdftotext", {target, "-"}).ok());
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    for (const char* plain : {"Hallo", "ammer", "<x/>"})
        EXPECT_FALSE(bytes.contains(plain)) << plain;
    const QString info = pdftools::info(target, "auf").out;
    EXPECT_EQ(pdftools::infoValue(info, "Title"), "Kl(ammer) \\ Test");
    EXPECT_EQ(pdftools::infoValue(info, "Producer"), "Ä");
    EXPECT_EQ(pdftools::infoValue(info, "Metadata Stream"), "no");

    // Both streams of the first page, then its own text in the font the page tree's
    // resources got beside Helvetica.
    const QStringList pages = pdftools::pageTexts(target, true, "auf");
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[0].simplified(), "Hallo Welt Neu");
    EXPECT_EQ(pages[1].simplified(), "Zweite");

    // The page without text keeps its one stream as it was.
    const QString shown = pdftools::run("qpdf", {"--password=auf", "--show-pages", target}).out;
    const QStringList secondPage = shown.section(QStringLiteral("page 2:"), 1).split('\n').mid(2);
    ASSERT_EQ(secondPage.size(), 2) << shown.toStdString(); // one reference and the last line's end
    const QString stream = secondPage[0].trimmed().section(' ', 0, 0);
    EXPECT_EQ(pdftools::run("qpdf", {"--password=auf", "--show-object=" + stream, "--raw-stream-data", target}).out,
              "BT /F1 12 Tf 10 50 Td (Zweite) Tj ET");
}

TEST(PdfFinish, ASourceItCannotReadFailsWithTheReason)
{
    TempFolders dirs;
    const QByteArray good = handMadeSource();
    const QString packed = dirs.root() + "/gepackt.pdf";
    ASSERT_TRUE(pdftools::run(
                    "qpdf", {"--object-streams=generate", TempFolders::writeFile(dirs.root() + "/q.pdf", good), packed})
                    .ok());
    QFile packedFile(packed);
    ASSERT_TRUE(packedFile.open(QIODevice::ReadOnly));
    const QList<std::pair<QByteArray, QString>> cases = {
        {"kein PDF", "die Zwischendatei ist keine PDF-Datei"},
        {good.left(good.size() / 2), "das Querverweisverzeichnis der Zwischendatei fehlt"},
        {QByteArray(good).replace("/Length 34", "/Length 33"),
         "die Länge des Datenstroms in Objekt 7 der Zwischendatei stimmt nicht"},
        {packedFile.readAll(), "komprimierte Querverweise werden nicht unterstützt"},
    };
    for (const auto& [bytes, reason] : cases) {
        const QString source = TempFolders::writeFile(dirs.root() + "/quelle.pdf", bytes);
        EXPECT_EQ(finishPdf(source, dirs.root() + "/fertig.pdf", {}), reason);
    }
}
