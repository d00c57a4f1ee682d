#include "PdfComponent.h"
#include "PdfOutputTestSupport.h"
#include "frmPdfDialog.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QString pdfPathOf(const PdfFixture& fx, const QString& base)
{
    return fx.pdfFolder + QStringLiteral("/") + base + QStringLiteral(".pdf");
}

} // namespace

TEST(PdfOutput, EveryPageLandsOnItsOwnA4PageAsUnicodeTextInEmbeddedFonts)
{
    PdfFixture fx;
    TestDialog dialog;
    dialog.fill(3, 5, QStringLiteral(" Größe Übermaß ┌─┐"));

    QString stamp = QStringLiteral("old");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const PdfOutcome outcome = PrintToPdf(dialog, 0, stamp);
    ASSERT_TRUE(outcome.ok()) << outcome.message.toStdString();

    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{14}$")).match(stamp).hasMatch()) << stamp.toStdString();
    EXPECT_GE(QDateTime::fromString(stamp, QStringLiteral("yyyyMMddhhmmss")), before);
    const QString pdf = pdfPathOf(fx, QStringLiteral("PDFDOC") + stamp);
    ASSERT_TRUE(QFileInfo(pdf).isFile());
    EXPECT_EQ(fx.pdfFiles(), QStringList{QFileInfo(pdf).fileName()}) << "nothing else in the PDF folder";
    EXPECT_TRUE(QFileInfo(fx.dirs.appData() + QStringLiteral("/Test.pdf")).isFile()) << "the resolution probe";

    const QStringList pages = pageTexts(pdf);
    ASSERT_EQ(pages.size(), 3);
    for (int p = 1; p <= 3; ++p) {
        for (int l = 1; l <= 5; ++l)
            EXPECT_TRUE(pages[p - 1].contains(QStringLiteral("P%1Z%2 Größe Übermaß").arg(p).arg(l)))
                << "page " << p << " line " << l << ":\n" << pages[p - 1].toStdString();
        EXPECT_FALSE(pages[p - 1].contains(QStringLiteral("P%1Z").arg(p % 3 + 1)));
    }

    const QString info = pdftools::info(pdf, {}, 3).out;
    for (int p = 1; p <= 3; ++p)
        EXPECT_EQ(pdftools::infoValue(info, QStringLiteral("Page    %1 size").arg(p)), "595 x 842 pts (A4)");

    // Every font is embedded and maps to Unicode, so text can be searched and copied.
    const QStringList fontRows = pdftools::fonts(pdf).out.split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fontRows.isEmpty());
    for (const QString& row : fontRows) {
        const QStringList cols = row.simplified().split(u' ');
        ASSERT_GE(cols.size(), 5);
        EXPECT_EQ(cols[cols.size() - 5], "yes") << "embedded: " << row.toStdString();
        EXPECT_EQ(cols[cols.size() - 3], "yes") << "unicode map: " << row.toStdString();
    }

    // Progress: both bars to PageCount, then each page in turn.
    ASSERT_EQ(dialog.maxima.size(), 1);
    EXPECT_EQ(dialog.maxima[0], qMakePair(3, 3));
    EXPECT_EQ(dialog.values, (QList<QPair<qint32, qint32>>{{1, 1}, {2, 2}, {3, 3}}));
}

TEST(PdfOutput, SecuritySettingsBecomeEncryptionPermissionsAndPasswords)
{
    struct Case
    {
        bool print, cut, edit;
        QString owner, open;
        QString expected; // pdfinfo's "Encrypted" line
    };
    const QList<Case> cases = {
        {false, false, false, {}, {}, "no"},
        {true, false, false, {}, {}, "yes (print:yes copy:no change:no addNotes:no algorithm:AES-256)"},
        {false, true, false, {}, {}, "yes (print:no copy:yes change:no addNotes:no algorithm:AES-256)"},
        {true, true, true, {}, {}, "yes (print:yes copy:yes change:yes addNotes:yes algorithm:AES-256)"},
        {false, false, false, "chef", "auf", "yes (print:no copy:no change:no addNotes:no algorithm:AES-256)"},
    };
    PdfFixture fx;
    for (const Case& c : cases) {
        ServerSettingsRecord& s = ServerSettings();
        s.PdfPrint = c.print;
        s.PdfCut = c.cut;
        s.PdfEdit = c.edit;
        s.PdfPassword = c.owner;
        s.PdfSignatur = c.open;
        TestDialog dialog;
        dialog.fill(1, 3);
        dialog.job().pdfName = QStringLiteral("sicher");
        QString stamp;
        ASSERT_TRUE(PrintToPdf(dialog, 0, stamp).ok());
        EXPECT_TRUE(stamp.isEmpty()) << "no stamp with a name from the job";
        const QString pdf = pdfPathOf(fx, QStringLiteral("sicher"));

        const QString info = pdftools::info(pdf, c.open).out;
        EXPECT_EQ(pdftools::infoValue(info, "Encrypted"), c.expected) << "print " << c.print << " cut " << c.cut;
        EXPECT_EQ(pdftools::showEncryption(pdf, c.open).out.contains("File is not encrypted"), c.expected == "no");
        // The date text is the creation date, in local time as the component takes it.
        const QDateTime created = QDateTime::fromString(pdftools::infoValue(info, "CreationDate"));
        EXPECT_LE(std::abs(created.secsTo(QDateTime::currentDateTime())), 120) << info.toStdString();

        if (!c.open.isEmpty()) {
            EXPECT_FALSE(pdftools::info(pdf).ok()) << "opening needs the password";
            EXPECT_TRUE(pdftools::run("pdftotext", {"-opw", c.owner, pdf, "-"}).out.contains("P1Z1"))
                << "the owner password opens it too";
            EXPECT_TRUE(pageTexts(pdf, c.open).join("").contains("P1Z3"));
            EXPECT_EQ(pdfComponentFor(dialog).permissionCode(), 0);
        }
    }
}

TEST(PdfOutput, NamesComeFromTheJobTheDialogOrTheStamp)
{
    PdfFixture fx;
    ServerSettings().PDFDLG = true;

    // A name from the job: no question, even with PDFDLG, and no stamp.
    TestDialog named;
    named.fill(1, 2);
    named.job().pdfName = QStringLiteral("Rechnung");
    setNextPdfFileName(QStringLiteral("Gefragt"));
    QString stamp = QStringLiteral("x");
    ASSERT_TRUE(PrintToPdf(named, 0, stamp).ok());
    EXPECT_TRUE(stamp.isEmpty());
    EXPECT_TRUE(QFileInfo(pdfPathOf(fx, "Rechnung")).isFile());
    EXPECT_EQ(askPdfFileName(fx.pdfFolder, "p"), "Gefragt") << "the dialog was not asked";

    // No name: the answer (with a sub-folder) names the file and stays with the job.
    QDir(fx.pdfFolder).mkdir("Kunden");
    TestDialog asked;
    asked.fill(1, 2);
    setNextPdfFileName(QStringLiteral("Kunden\\Meier"));
    ASSERT_TRUE(PrintToPdf(asked, 0, stamp).ok());
    EXPECT_EQ(stamp.size(), 14);
    EXPECT_EQ(asked.job().pdfName, "Kunden/Meier");
    EXPECT_TRUE(QFileInfo(pdfPathOf(fx, "Kunden/Meier")).isFile());
    // The next output of the same job, a mail PDF too, takes that name without asking.
    setNextPdfFileName(QStringLiteral("Nochmal"));
    QString mailStamp;
    ASSERT_TRUE(PrintToMailPdf(asked, 0, mailStamp).ok());
    EXPECT_EQ(mailStamp.size(), 14) << "the mail variant always makes a stamp";
    EXPECT_EQ(askPdfFileName(fx.pdfFolder, "p"), "Nochmal");
    EXPECT_EQ(QDir(fx.pdfFolder + "/Kunden").entryList(QDir::Files), QStringList{"Meier.pdf"});

    // Automatic names differ only by the second: two documents in one second are one file.
    ServerSettings().PDFDLG = false;
    for (int attempt = 0; attempt < 5; ++attempt) {
        const QStringList before = fx.pdfFiles();
        TestDialog first, second;
        first.fill(1, 1);
        second.fill(1, 1);
        QString s1, s2;
        ASSERT_TRUE(PrintToPdf(first, 0, s1).ok());
        ASSERT_TRUE(PrintToPdf(second, 0, s2).ok());
        if (s1 != s2)
            continue; // crossed a second boundary; try again
        EXPECT_EQ(fx.pdfFiles().size(), before.size() + (before.contains("PDFDOC" + s1 + ".pdf") ? 0 : 1));
        break;
    }
}

TEST(PdfOutput, LandscapeJobsGetLandscapePagesAndLandscapeLineBands)
{
    PdfFixture fx;
    ServerSettings().PdfPrint = false; // unencrypted, so pdftotext -bbox needs no password
    TestDialog dialog;
    dialog.job().setLandscape(true);
    dialog.fill(2, 4);
    dialog.job().pdfName = QStringLiteral("quer");
    QString stamp;
    ASSERT_TRUE(PrintToPdf(dialog, 0, stamp).ok());
    const QString pdf = pdfPathOf(fx, "quer");
    const QString info = pdftools::info(pdf, {}, 2).out;
    EXPECT_EQ(pdftools::infoValue(info, "Page    1 size"), "842 x 595 pts (A4)");
    EXPECT_EQ(pdftools::infoValue(info, "Page    2 size"), "842 x 595 pts (A4)");

    // Line 4 of 4 sits in the last quarter of the 595-point height, not of 842.
    const QString boxes =
        pdftools::run("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"}).out;
    const QRegularExpressionMatch m =
        QRegularExpression(R"re(yMin="([0-9.]+)" xMax="[0-9.]+" yMax="([0-9.]+)">P1Z4<)re").match(boxes);
    ASSERT_TRUE(m.hasMatch()) << boxes.toStdString();
    EXPECT_GT(m.captured(1).toDouble(), 595.0 * 3 / 4 - 5);
    EXPECT_LT(m.captured(2).toDouble(), 595.0 + 1);
}

TEST(PdfOutput, PageSizesRoundHalvesToEvenAndDifferByVariant)
{
    using namespace pdfgeometry;
    EXPECT_EQ(twipsToPixels(720, 1), 0); // 0.5
    EXPECT_EQ(twipsToPixels(2160, 1), 2); // 1.5
    EXPECT_EQ(twipsToPixels(3600, 1), 2); // 2.5
    EXPECT_EQ(pagePixels(PdfVariant::File, false, 72, 72), QSize(595, 842));
    EXPECT_EQ(pagePixels(PdfVariant::File, true, 72, 72), QSize(842, 595));
    // At 1440 dpi a pixel is a twip: the exact A4 size and the 567-twips centimetre show.
    EXPECT_EQ(pagePixels(PdfVariant::File, false, 1440, 1440), QSize(11908, 16840));
    EXPECT_EQ(pagePixels(PdfVariant::Mail, false, 1440, 1440), QSize(11907, 16840));
    EXPECT_EQ(pagePixels(PdfVariant::Mail, true, 1440, 720), QSize(16840, 5954)); // 5953.5 rounds to even
    EXPECT_EQ(imagePagePixels(false, 72, 72), QSize(595, 842));
    EXPECT_EQ(imagePagePixels(true, 72, 72), QSize(842, 595));
    EXPECT_EQ(bitmapFactor(72), 3);
    EXPECT_EQ(bitmapFactor(100), 2);
    EXPECT_EQ(bitmapFactor(300), 1);
    EXPECT_EQ(bitmapFactor(0), 1);
}
