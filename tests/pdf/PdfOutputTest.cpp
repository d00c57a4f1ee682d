#include "MessageBox.h"
#include "PdfComponent.h"
#include "PdfOutputTestSupport.h"
#include "frmPdfDialog.h"

#include <QDateTime>
#include <QFileInfo>

#include <gtest/gtest.h>

TEST(PdfOutput, EveryPageLandsOnItsOwnA4PageAsUnicodeTextInEmbeddedFonts)
{
    PdfFixture fx;
    TestDialog dialog;
    dialog.fill(3, 5, QStringLiteral(" Größe Übermaß ┌─┐"));
    QString stamp = QStringLiteral("old");
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const OutputOutcome outcome = PrintToPdf(dialog, 0, stamp);
    ASSERT_TRUE(outcome.ok()) << outcome.message.toStdString();

    EXPECT_GE(QDateTime::fromString(stamp, QStringLiteral("yyyyMMddhhmmss")), before) << stamp.toStdString();
    const QString pdf = fx.pdfFolder + "/PDFDOC" + stamp + ".pdf";
    EXPECT_EQ(fx.pdfFiles(), QStringList{QFileInfo(pdf).fileName()}) << "nothing else in the PDF folder";
    const QStringList pages = pdftools::pageTexts(pdf, true);
    ASSERT_EQ(pages.size(), 3);
    for (int p = 1; p <= 3; ++p) {
        for (int l = 1; l <= 5; ++l)
            EXPECT_TRUE(pages[p - 1].contains(QStringLiteral("P%1Z%2 Größe Übermaß").arg(p).arg(l)))
                << "page " << p << " line " << l << ":\n"
                << pages[p - 1].toStdString();
        EXPECT_FALSE(pages[p - 1].contains(QStringLiteral("P%1Z").arg(p % 3 + 1)));
        EXPECT_EQ(pdftools::infoOf(pdf, QStringLiteral("Page    %1 size").arg(p), 3), "595 x 842 pts (A4)");
    }

    // Progress: both bars to PageCount, then each page in turn.
    EXPECT_EQ(dialog.maxima, (QList<QPair<qint32, qint32>>{{3, 3}}));
    EXPECT_EQ(dialog.values, (QList<QPair<qint32, qint32>>{{1, 1}, {2, 2}, {3, 3}}));
}

// The one test of PDF security: the permission flags and the two passwords of the
// settings become AES-256 encryption, and the date of writing the creation date.
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
        {false, false, true, {}, {}, "yes (print:no copy:no change:yes addNotes:yes algorithm:AES-256)"},
        {true, true, true, {}, {}, "yes (print:yes copy:yes change:yes addNotes:yes algorithm:AES-256)"},
        // An owner password alone still encrypts and grants a reader nothing.
        {false, false, false, "chef", {}, "yes (print:no copy:no change:no addNotes:no algorithm:AES-256)"},
        {true, false, false, "chef", QStringLiteral("Tür auf"),
         "yes (print:yes copy:no change:no addNotes:no algorithm:AES-256)"},
    };
    PdfFixture fx;
    for (const Case& c : cases) {
        ServerSettingsRecord& s = ServerSettings();
        s.PdfPrint = c.print;
        s.PdfCut = c.cut;
        s.PdfEdit = c.edit;
        s.PdfPassword = c.owner;
        s.PdfSignatur = c.open;
        TestDialog dialog(1, 3);
        dialog.job().pdfName = QStringLiteral("sicher");
        QString stamp;
        ASSERT_TRUE(PrintToPdf(dialog, 0, stamp).ok());
        const QString pdf = fx.pdfFolder + "/sicher.pdf";

        // Without an open password the file opens freely, yet the permissions bind.
        const QString info = pdftools::info(pdf, c.open).out;
        EXPECT_EQ(pdftools::infoValue(info, "Encrypted"), c.expected) << info.toStdString();
        const QDateTime created = QDateTime::fromString(pdftools::infoValue(info, "CreationDate"));
        EXPECT_LE(std::abs(created.secsTo(QDateTime::currentDateTime())), 120) << info.toStdString();
        if (!c.open.isEmpty()) {
            EXPECT_FALSE(pdftools::info(pdf).ok()) << "opening needs the password";
            EXPECT_FALSE(pdftools::check(pdf, "falsch").ok());
            EXPECT_TRUE(pdftools::check(pdf, c.owner).ok()) << "the owner password opens it too";
            EXPECT_TRUE(pdftools::pageTexts(pdf, true, c.open).join("").contains("P1Z3"));
        }
    }
}

TEST(PdfOutput, NamesComeFromTheJobTheDialogOrTheStamp)
{
    PdfFixture fx;
    ServerSettings().PDFDLG = true;

    // A name from the job: no question, even with PDFDLG, and no stamp.
    TestDialog named(1, 2);
    named.job().pdfName = QStringLiteral("Rechnung");
    setNextPdfFileName(QStringLiteral("Gefragt"));
    QString stamp = QStringLiteral("x");
    ASSERT_TRUE(PrintToPdf(named, 0, stamp).ok());
    EXPECT_TRUE(stamp.isEmpty());
    EXPECT_TRUE(QFileInfo(fx.pdfFolder + "/Rechnung.pdf").isFile());
    EXPECT_EQ(askPdfFileName(fx.pdfFolder, "p"), "Gefragt") << "the dialog was not asked";

    // No name: the answer (with a sub-folder) names the file and stays with the job, so the
    // next output, a mail PDF too, takes it without asking.
    QDir(fx.pdfFolder).mkdir("Kunden");
    TestDialog asked(1, 2);
    setNextPdfFileName(QStringLiteral("Kunden\\Meier"));
    ASSERT_TRUE(PrintToPdf(asked, 0, stamp).ok());
    EXPECT_EQ(stamp.size(), 14);
    EXPECT_EQ(asked.job().pdfName, "Kunden/Meier");
    setNextPdfFileName(QStringLiteral("Nochmal"));
    QString mailStamp;
    ASSERT_TRUE(PrintToMailPdf(asked, 0, mailStamp).ok());
    EXPECT_EQ(mailStamp.size(), 14) << "the mail variant always makes a stamp";
    EXPECT_EQ(askPdfFileName(fx.pdfFolder, "p"), "Nochmal");
    EXPECT_EQ(QDir(fx.pdfFolder + "/Kunden").entryList(QDir::Files), QStringList{"Meier.pdf"});

    // An automatic name never replaces a file: jobs one after the other in the same second,
    // or a second whose name is taken, move on to the next free second.
    ServerSettings().PDFDLG = false;
    const QDateTime now = QDateTime::currentDateTime();
    QStringList taken;
    for (int s = 0; s < 3; ++s)
        taken << TempFolders::writeFile(fx.pdfFolder + "/PDFDOC" + documentStamp(now.addSecs(s)) + ".pdf", "belegt");
    TestDialog first(1, 1), second(1, 1);
    QString s1, s2;
    ASSERT_TRUE(PrintToPdf(first, 0, s1).ok());
    ASSERT_TRUE(PrintToPdf(second, 0, s2).ok());
    EXPECT_NE(s1, s2);
    EXPECT_GT(s1, documentStamp(now.addSecs(2)));
    EXPECT_TRUE(QFileInfo(fx.pdfFolder + "/PDFDOC" + s2 + ".pdf").isFile());
    for (const QString& file : taken)
        EXPECT_EQ(QFileInfo(file).size(), 6) << "left as it was";
}

// Names from the job or the name dialog stay inside PDFFolder: a way out of it fails the
// output with a German message and writes nothing.
TEST(PdfOutput, NamesThatLeaveThePdfFolderFailTheOutput)
{
    PdfFixture fx;
    const QString outside = fx.dirs.root() + "/draussen";
    for (const QString& name : {QStringLiteral("../draussen"), QStringLiteral("Kunden\\..\\..\\draussen"), outside,
                                QStringLiteral("C:\\draussen")}) {
        TestDialog dialog(1, 1);
        dialog.job().pdfName = name;
        QString stamp;
        const OutputOutcome outcome = PrintToPdf(dialog, 0, stamp);
        EXPECT_FALSE(outcome.ok()) << name.toStdString();
        EXPECT_TRUE(outcome.message.contains("aus dem PDF-Ordner")) << outcome.message.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(outside + ".pdf"));
    EXPECT_TRUE(fx.pdfFiles().isEmpty());

    ServerSettings().PDFDLG = true;
    TestDialog asked(1, 1);
    setNextPdfFileName(QStringLiteral("../draussen"));
    QString stamp;
    EXPECT_FALSE(PrintToPdf(asked, 0, stamp).ok());
    EXPECT_FALSE(QFileInfo::exists(outside + ".pdf"));
}

TEST(PdfOutput, EachDialogKeepsItsComponentAndOneOutputAtATime)
{
    PdfFixture fx;
    ServerSettings().PdfCut = true;
    // A second output of the same dialog while the first lets events run (a countdown
    // firing) is refused; another dialog's output meanwhile is fine: it has its own component.
    TestDialog dialog(2, 2), other(1, 1);
    dialog.job().pdfName = "erste";
    other.job().pdfName = "andere";
    OutputOutcome nested, otherOutcome;
    bool once = true;
    dialog.onEvents = [&] {
        QString stamp;
        if (!std::exchange(once, false))
            return;
        nested = PrintToPdf(dialog, 0, stamp);
        otherOutcome = PrintToPdf(other, 0, stamp);
    };
    QString stamp;
    ASSERT_TRUE(PrintToPdf(dialog, 0, stamp).ok());
    EXPECT_FALSE(nested.ok());
    EXPECT_TRUE(otherOutcome.ok()) << otherOutcome.message.toStdString();
    EXPECT_EQ(pdftools::infoOf(fx.pdfFolder + "/erste.pdf", "Pages"), "2");
    EXPECT_TRUE(QFileInfo(fx.pdfFolder + "/andere.pdf").isFile());
    EXPECT_NE(&pdfComponentFor(dialog), &pdfComponentFor(other));
}

TEST(PdfOutput, ADocumentKeepsTheSettingsItBeganWithWhileAnotherJobLoadsItsOwn)
{
    PdfFixture fx;
    ServerSettings().Waterlayer = 1;
    TestDialog dialog(2, 2);
    dialog.job().AddWatermark(QStringLiteral("ENTWURF|Arial|40| 0| 0| 0| 0| 0| 0| 0| 0| 0"), 0);
    dialog.setWatermarkPosition(1);
    // On page 1 another job's "@INI" file is loaded: no watermark, another font.
    dialog.onEvents = [] {
        ServerSettings().Waterlayer = 2;
        ServerSettings().Fontname = QStringLiteral("Times New Roman");
        ServerSettings().SignPitch = 30;
    };
    const QString pdf = writeNamedPdf(fx, dialog, "fest");
    const QStringList pages = pdftools::pageTexts(pdf, true);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[1].simplified(), "P2Z1 P2Z2 ENTWURF");
    for (const pdftools::Font& font : pdftools::fonts(pdf))
        EXPECT_FALSE(font.name.contains("Serif")) << font.name.toStdString();
}

TEST(PdfOutput, ANameFromTheNameDialogIsForgottenWhenTheDocumentFails)
{
    PdfFixture fx;
    ServerSettings().PDFDLG = true;
    ServerSettings().PDFFolder = fx.dirs.root() + "/fehlt";
    TestDialog dialog(1, 1);
    setNextPdfFileName(QStringLiteral("Rechnung"));
    QString stamp;
    EXPECT_FALSE(PrintToPdf(dialog, 0, stamp).ok());
    EXPECT_TRUE(dialog.job().pdfName.isEmpty()) << "the next try asks again";
}
