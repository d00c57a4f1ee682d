#include "engine/Canvas.h"
#include "pdf/PdfComponent.h"
#include "support/PdfTools.h"
#include "support/TempFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

TEST(PdfComponent, SurfaceDrawsRealTextOntoTheWholePageStoredCompressed)
{
    TempFolders dirs;
    PdfComponent pdf;
    pdf.startEngine();
    const QString path = dirs.root() + "/text.pdf";
    ASSERT_TRUE(pdf.beginDocument(path).ok());
    pdf.beginPage(595, 842);
    drawText(pdf, 40, 60, QStringLiteral("Grüße aus Köln: ÄÖÜ äöü ß"));
    // A landscape page after a portrait one: its far corner must not be clipped to the
    // first page's size; then portrait again.
    pdf.beginPage(842, 595);
    drawText(pdf, 700, 585, QStringLiteral("rechts"));
    pdf.beginPage(595, 842);
    ASSERT_TRUE(pdf.endDocument().ok());
    const QString info = pdftools::info(path, {}, 3).out;
    EXPECT_EQ(pdftools::infoValue(info, "Page    2 size"), "842 x 595 pts (A4)");
    EXPECT_EQ(pdftools::infoValue(info, "Page    3 size"), "595 x 842 pts (A4)");
    const QString text = pdftools::text(path).out;
    EXPECT_TRUE(text.contains("Grüße aus Köln: ÄÖÜ äöü ß") && text.contains("rechts")) << text.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains(" Tf")) << "no page content stored readable";
    EXPECT_TRUE(pdftools::check(path).ok());
}

TEST(PdfComponent, WrittenValuesSurviveStopAndStartAndOddOnesAreAbsorbed)
{
    TempFolders dirs;
    PdfComponent pdf;
    pdf.setOpenPassword("auf");
    pdf.setOwnerPassword("chef");
    pdf.setPermissionCode(3);
    pdf.setCreationDate(QDateTime(QDate(2024, 2, 1), QTime(3, 4, 5)));
    pdf.setHorizontalResolution(96);
    pdf.setVerticalResolution(96);

    pdf.startEngine();
    pdf.stopEngine();
    const QString path = dirs.root() + "/after.pdf";
    ASSERT_TRUE(makeDocument(pdf, path, {{794, 1123}}).ok()) << "A4 in pixels at 96 dpi";
    EXPECT_FALSE(pdftools::check(path).ok()) << "the open password is still asked for";
    EXPECT_TRUE(creationDate(path, "auf").startsWith("2024-02-01T03:04:05"));
    EXPECT_EQ(pdftools::infoValue(pdftools::info(path, "auf").out, "Page size"), "595 x 842 pts (A4)");

    // Absurd resolutions are ignored, an invalid date leaves the time of writing, absurd
    // page sizes are clamped to what viewers accept.
    pdf.setHorizontalResolution(0);
    pdf.setVerticalResolution(1000000);
    pdf.setCreationDate(QDateTime());
    ASSERT_TRUE(makeDocument(pdf, path, {{794, 1123}, {0, -5}, {2000000000, 2000000000}}).ok());
    const QString info = pdftools::info(path, "auf", 3).out;
    EXPECT_EQ(pdftools::infoValue(info, "Page    1 size"), "595 x 842 pts (A4)");
    EXPECT_EQ(pdftools::infoValue(info, "Page    3 size"), "14400 x 14400 pts");
    EXPECT_TRUE(pdftools::check(path, "auf").ok());
    EXPECT_TRUE(creationDate(path, "auf").startsWith(QDate::currentDate().toString("yyyy-MM-dd")));

    // Begun and ended without a page, as a page range from 3 to 2 gives: one blank A4 page.
    ASSERT_TRUE(makeDocument(pdf, path, {}).ok());
    EXPECT_EQ(pdftools::infoValue(pdftools::info(path, "auf").out, "Page size"), "595 x 842 pts (A4)");
}

TEST(PdfComponent, AnUnwritableFolderOrMisuseFailsWithAMessageAndLeavesNoFile)
{
    TempFolders dirs;
    PdfComponent pdf;
    EXPECT_FALSE(pdf.beginDocument(dirs.root() + "/x.pdf").ok()) << "the engine is not started";
    EXPECT_FALSE(pdf.endDocument().ok());
    pdf.beginPage(100, 100);
    drawText(pdf, 0, 0, "nirgends");
    pdf.startEngine();
    EXPECT_FALSE(pdf.beginDocument(QString()).ok());

    // Permissions do not stop root; the kernel's own folders stop everyone.
    QString locked = dirs.root() + "/gesperrt";
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFile probe(locked + "/probe"); probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        locked = "/sys";
    }
    const QStringList before = entries(locked);
    const OutputOutcome begun = pdf.beginDocument(locked + "/x.pdf");
    EXPECT_EQ(begun.message, QString("Der Ordner %1 ist nicht beschreibbar.").arg(QDir::toNativeSeparators(locked)));
    // The output draws on without looking; nothing may crash or appear.
    pdf.beginPage(595, 842);
    drawText(pdf, 10, 10, "ins Leere");
    EXPECT_EQ(pdf.endDocument().message, begun.message) << "the cause is reported again at the end";
    EXPECT_EQ(entries(locked), before);
    EXPECT_EQ(entries(dirs.root()), (QStringList{"appdata", "config", "gesperrt", "program", "state"}));
    QFile::setPermissions(dirs.root() + "/gesperrt", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
    EXPECT_EQ(QFileInfo(path).size(), 12) << "readers see the old file until the new one is complete";
    ASSERT_TRUE(pdf.endDocument().ok());
    EXPECT_EQ(entries(folder), QStringList{"Brief für Müller.pdf"}) << "no temporary file stays beside it";
    EXPECT_TRUE(pdftools::text(path).out.contains("neu"));

    // The target turns into a folder while the document is written: the final rename fails
    // with a message, and neither the pages nor the finished copy remain.
    const QString late = folder + "/spaet.pdf";
    ASSERT_TRUE(pdf.beginDocument(late).ok());
    QDir().mkpath(late + "/inhalt");
    EXPECT_TRUE(pdf.endDocument().message.contains(QDir::toNativeSeparators(late)));

    // A document that must not replace a file fails when one has taken its name meanwhile.
    const QString taken = folder + "/belegt.pdf";
    ASSERT_TRUE(pdf.beginDocument(taken, PdfComponent::KeepExisting).ok());
    pdf.beginPage(595, 842);
    TempFolders::writeFile(taken, "schon da");
    EXPECT_FALSE(pdf.endDocument().ok());
    EXPECT_EQ(QFileInfo(taken).size(), 8) << "left as it was";

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
