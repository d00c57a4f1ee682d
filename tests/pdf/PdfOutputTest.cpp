// The PDF and mail outputs of a job: names, security, pictures, and the mail itself
// against a loopback SMTP peer.
#include "PdfOutput.h"
#include "Ink.h"
#include "MailOutput.h"
#include "PdfTools.h"
#include "ServerSettings.h"
#include "SmtpPeer.h"
#include "TempFolders.h"
#include "TestContext.h"
#include "frmPdfDialog.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// Private folders, the default settings loaded, and a PDF folder of its own; PDFs
// unencrypted so the tools need no password.
struct PdfFixture
{
    TempFolders dirs;
    QString pdfFolder = dirs.root() + QStringLiteral("/pdf");
    PdfFixture()
    {
        LoadServerSettings(dirs.settingsFile());
        QDir().mkpath(pdfFolder);
        ServerSettings().PDFFolder = pdfFolder;
        ServerSettings().PdfPrint = false;
    }
    QStringList pdfFiles() const { return QDir(pdfFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files); }

    // Writes the dialog's job to "<name>.pdf".
    QString write(TestContext& dialog, const QString& name)
    {
        dialog.job().pdfName = name;
        QString stamp;
        const OutputOutcome outcome = PrintToPdf(dialog, 0, stamp);
        EXPECT_TRUE(outcome.ok()) << outcome.message.toStdString();
        return pdfFolder + QStringLiteral("/") + name + QStringLiteral(".pdf");
    }
};

// A job of two pages mailed straight to a peer that wants the login "max" / "geheim".
struct MailFixture : PdfFixture
{
    SmtpPeer peer;
    TestContext dialog{2, 3};
    explicit MailFixture(const SmtpPeer::Options& options = {"127.0.0.1", "max", "geheim", false}) : peer(options)
    {
        EXPECT_TRUE(peer.isRunning()) << peer.error().toStdString();
        dirs.setSetting("Pserver", "SmtpServer", peer.url());
        dirs.setSetting("Pserver", "MailName", "max");
        dirs.setSetting("Pserver", "MailPW", "geheim");
        dirs.setSetting("Pserver", "MailDirect", "1");
        ServerSettings().PdfPrint = false;
    }
    MailOutcome mail()
    {
        QString stamp;
        return PrintToMail(dialog, 0, stamp);
    }
};

} // namespace

// The one test of PDF security: the permission flags and the two passwords of the
// settings become AES-256 encryption.
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
        TestContext dialog(1, 3);
        const QString pdf = fx.write(dialog, "sicher");

        // Without an open password the file opens freely, yet the permissions bind.
        const QString info = pdftools::info(pdf, c.open).out;
        EXPECT_EQ(pdftools::infoValue(info, "Encrypted"), c.expected) << info.toStdString();
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
    TestContext named(1, 2);
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
    TestContext asked(1, 2);
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
    TestContext first(1, 1), second(1, 1);
    QString s1, s2;
    ASSERT_TRUE(PrintToPdf(first, 0, s1).ok());
    ASSERT_TRUE(PrintToPdf(second, 0, s2).ok());
    EXPECT_NE(s1, s2);
    EXPECT_GT(s1, documentStamp(now.addSecs(2)));
    EXPECT_TRUE(QFileInfo(fx.pdfFolder + "/PDFDOC" + s2 + ".pdf").isFile());
    for (const QString& file : taken)
        EXPECT_EQ(QFileInfo(file).size(), 6) << "left as it was";

    // A name from the dialog is forgotten when the document fails: the next try asks again.
    ServerSettings().PDFDLG = true;
    ServerSettings().PDFFolder = fx.dirs.root() + "/fehlt";
    TestContext failed(1, 1);
    setNextPdfFileName(QStringLiteral("Rechnung"));
    EXPECT_FALSE(PrintToPdf(failed, 0, stamp).ok());
    EXPECT_TRUE(failed.job().pdfName.isEmpty());
}

// Names from the job or the name dialog stay inside PDFFolder: a way out of it fails the
// output with a German message and writes nothing.
TEST(PdfOutput, NamesThatLeaveThePdfFolderFailTheOutput)
{
    PdfFixture fx;
    const QString outside = fx.dirs.root() + "/draussen";
    for (const QString& name : {QStringLiteral("../draussen"), QStringLiteral("Kunden\\..\\..\\draussen"), outside,
                                QStringLiteral("C:\\draussen")}) {
        TestContext dialog(1, 1);
        dialog.job().pdfName = name;
        QString stamp;
        const OutputOutcome outcome = PrintToPdf(dialog, 0, stamp);
        EXPECT_FALSE(outcome.ok()) << name.toStdString();
        EXPECT_TRUE(outcome.message.contains("aus dem PDF-Ordner")) << outcome.message.toStdString();
    }
    ServerSettings().PDFDLG = true;
    TestContext asked(1, 1);
    setNextPdfFileName(QStringLiteral("../draussen"));
    QString stamp;
    EXPECT_FALSE(PrintToPdf(asked, 0, stamp).ok());
    EXPECT_FALSE(QFileInfo::exists(outside + ".pdf"));
    EXPECT_TRUE(fx.pdfFiles().isEmpty());
}

// A second output of the same dialog while the first lets events run (a countdown firing)
// is refused; another dialog's output meanwhile is fine: it has its own component.
TEST(PdfOutput, EachDialogKeepsItsComponentAndOneOutputAtATime)
{
    PdfFixture fx;
    TestContext dialog(2, 2), other(1, 1);
    OutputOutcome nested;
    QString otherPdf, stamp;
    bool once = true;
    dialog.onEvents = [&] {
        if (std::exchange(once, false)) {
            nested = PrintToPdf(dialog, 0, stamp);
            otherPdf = fx.write(other, "andere");
        }
    };
    EXPECT_EQ(pdftools::infoOf(fx.write(dialog, "erste"), "Pages"), "2");
    EXPECT_FALSE(nested.ok());
    EXPECT_TRUE(QFileInfo(otherPdf).isFile());
}

TEST(PdfOutput, ADocumentKeepsTheSettingsItBeganWithWhileAnotherJobLoadsItsOwn)
{
    PdfFixture fx;
    ServerSettings().Waterlayer = 1;
    TestContext dialog(2, 2);
    dialog.job().AddWatermark(QStringLiteral("ENTWURF|Arial|40| 0| 0| 0| 0| 0| 0| 0| 0| 0"), 0);
    dialog.setWatermarkPosition(1);
    // On page 1 another job's "@INI" file is loaded: no watermark, another font.
    dialog.onEvents = [] {
        ServerSettings().Waterlayer = 2;
        ServerSettings().Fontname = QStringLiteral("Times New Roman");
        ServerSettings().SignPitch = 30;
    };
    const QString pdf = fx.write(dialog, "fest");
    const QStringList pages = pdftools::pageTexts(pdf, true);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[1].simplified(), "P2Z1 P2Z2 ENTWURF");
    // Progress: both bars to PageCount, then each page in turn.
    EXPECT_EQ(dialog.maxima, (QList<QPair<qint32, qint32>>{{2, 2}}));
    EXPECT_EQ(dialog.values, (QList<QPair<qint32, qint32>>{{1, 1}, {2, 2}}));
    for (const pdftools::Font& font : pdftools::fonts(pdf))
        EXPECT_FALSE(font.name.contains("Serif")) << font.name.toStdString();
}

// Every picture in a PDF is stored lossless: the background picture (on job page 1 only,
// however the range begins), attachment pages, and bitmap mode. Which pages carry the
// picture and how attachments are turned is the shared page drawing's (tests/pages).
TEST(PdfOutput, PicturesAreStoredLosslessAndTheBackgroundOnlyOnJobPageOne)
{
    PdfFixture fx;
    for (qint32 from : {1, 2}) {
        TestContext dialog(3, 2);
        dialog.picPageMode = 1;
        dialog.Picture1().setPicture(QImage(40, 60, QImage::Format_RGB32));
        dialog.FromPage = from;
        const QList<pdftools::Image> images = pdftools::images(fx.write(dialog, "bild"));
        ASSERT_EQ(images.size(), from == 1 ? 1 : 0) << "from " << from;
        for (const pdftools::Image& image : images)
            EXPECT_EQ(image.encoding, "image") << "lossless, not JPEG";
    }

    // Attachments: the missing file is skipped, the wide picture gets a page of its own,
    // the broken one a blank page.
    const QString wide = TempFolders::writePicture(fx.dirs.root() + "/wide.png", 300, 100);
    const QString broken = TempFolders::writeFile(fx.dirs.root() + "/broken.jpg", "not a picture");
    TestContext portrait(2, 2);
    portrait.job().AnHaenge = fx.dirs.root() + "/missing.png , " + wide + "," + broken;
    const QString pdf = fx.write(portrait, "anhang");
    EXPECT_EQ(pdftools::infoOf(pdf, "Pages"), "4");
    const QList<pdftools::Image> images = pdftools::images(pdf);
    ASSERT_EQ(images.size(), 1);
    EXPECT_EQ(images[0].page, 3);
    EXPECT_EQ(images[0].size, QSize(100, 300)) << "turned a quarter";
    EXPECT_EQ(images[0].encoding, "image") << "lossless, not JPEG";

    // The mail variant adds them only when asked.
    for (bool withAttachments : {false, true}) {
        ServerSettings().PdfMailAnhang = withAttachments;
        TestContext mail(1, 2);
        mail.job().AnHaenge = wide;
        QString stamp;
        ASSERT_TRUE(PrintToMailPdf(mail, 0, stamp).ok());
        const QString mailPdf = fx.pdfFolder + "/PDFDOC" + stamp + ".pdf";
        EXPECT_EQ(pdftools::infoOf(mailPdf, "Pages"), withAttachments ? "2" : "1");
        QFile::remove(mailPdf);
    }
}

TEST(PdfOutput, LandscapeJobsGetLandscapePagesFilledToTheBottom)
{
    PdfFixture fx;
    TestContext landscape;
    landscape.job().setLandscape(true);
    landscape.fill(1, 4);
    const QString pdf = fx.write(landscape, "quer");
    EXPECT_EQ(pdftools::infoOf(pdf, "Page size"), "842 x 595 pts (A4)");
    const pdftools::Word last = pdftools::words(pdf).value(0).value(3);
    EXPECT_EQ(last.text, "P1Z4");
    EXPECT_GT(last.box.top(), 595.0 * 3 / 4 - 5);
    EXPECT_LT(last.box.bottom(), 595.0 + 1);
}

TEST(PdfOutput, BitmapModeMakesEachPageOneFineLosslessImageWithoutText)
{
    PdfFixture fx;
    ServerSettings().PdfBitmap = true;
    TestContext dialog;
    // A 132-column line must still fit the page: the bitmap reports its own resolution.
    dialog.fill(2, 4, QStringLiteral(" ") + QString(124, u'X'));
    const QString pdf = fx.write(dialog, "grafik");
    EXPECT_TRUE(pdftools::pageTexts(pdf).join("").trimmed().isEmpty()) << "no text, only pictures";
    const QList<pdftools::Image> images = pdftools::images(pdf);
    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(images[0].size, QSize(595 * 3, 842 * 3)) << "216 dots per inch";
    EXPECT_EQ(images[0].encoding, "image") << "lossless: pseudo-graphics stay sharp";

    // The long line reaches the right quarter of the page, and paper shows below the last line.
    const QImage page = pdftools::pageImages(pdf, 72).value(0);
    const int w = page.width(), band = page.height() / 4;
    EXPECT_FALSE(inkBounds(page, QRect(w * 3 / 4, 0, w / 4, band)).isNull());
    EXPECT_TRUE(inkBounds(page, QRect(0, 4 * band - 2, w, 2)).isNull());
}

TEST(MailOutput, RecipientListsBecomeEnvelopeAndHeaders)
{
    MailFixture fx;
    Job& job = fx.dialog.job();
    job.RecEMail = "a@x.de; b@x.de";
    job.RecEMailCC = "c@x.de";
    job.RecEMailBCC = "d@x.de,e@x.de";
    ASSERT_TRUE(fx.mail().ok());
    ASSERT_EQ(fx.peer.mails().size(), 1);
    SmtpPeer::Mail mail = fx.peer.mails().last();
    EXPECT_EQ(mail.rcptTos, QStringList({"a@x.de", "b@x.de", "c@x.de", "d@x.de", "e@x.de"}));
    EXPECT_EQ(mail.headers["to"], "a@x.de, b@x.de");
    EXPECT_EQ(mail.headers["cc"], "c@x.de");
    EXPECT_FALSE(mail.headers.contains("bcc"));
    EXPECT_EQ(mail.mailFrom, "max") << "MailFrom defaults to MailName";
    EXPECT_TRUE(mail.headers.contains("date") && mail.headers["message-id"].startsWith('<'));

    // A trailing "," is a recipient with an empty address: this peer accepts "RCPT TO:<>",
    // so the mail goes out and the user sees nothing.
    job.RecEMailCC = "c@x.de,";
    job.RecEMailBCC.clear();
    ASSERT_TRUE(fx.mail().ok());
    mail = fx.peer.mails().last();
    EXPECT_EQ(mail.rcptTos, QStringList({"a@x.de", "b@x.de", "c@x.de", "<>"}));
    EXPECT_EQ(mail.headers["cc"], "c@x.de");

    // A recipient the server refuses: no mail, and the user reads the server's answer.
    job.RecEMailCC = "wer@unknown.test";
    const MailOutcome refused = fx.mail();
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.result.message.startsWith("Die Mail wurde nicht gesendet.\r\n"));
    EXPECT_TRUE(refused.result.message.contains("„wer@unknown.test“ abgelehnt: 550 5.1.1 Mailbox unavailable"))
        << refused.result.message.toStdString();
    EXPECT_EQ(fx.peer.mails().size(), 2);
}

TEST(MailOutput, SubjectBodyAndAttachmentsAsTheJobGivesThem)
{
    MailFixture fx;
    Job& job = fx.dialog.job();
    job.RecEMail = "a@x.de";
    job.SubjectMail = "  Rechnung für März ";
    fx.dirs.setSetting("Pserver", "Betreff", "nicht gelesen");
    fx.dirs.setSetting("Pserver", "MailText", "Guten Tag,|anbei die Rechnung.");
    const QString extra = TempFolders::writeFile(fx.dirs.root() + "/Lieferschein.txt", "Lieferschein\n");
    job.AnHaenge = fx.dirs.root() + "/fehlt.txt, " + extra;
    QString stamp;
    const MailOutcome sent = PrintToMail(fx.dialog, 0, stamp);
    ASSERT_TRUE(sent.ok()) << sent.result.message.toStdString();
    ASSERT_EQ(fx.peer.mails().size(), 1);
    const SmtpPeer::Mail mail = fx.peer.mails().last();
    EXPECT_EQ(mail.headers["subject"], "Rechnung für März");
    EXPECT_EQ(mail.body, "Guten Tag,\r\nanbei die Rechnung.");
    ASSERT_EQ(mail.attachments.size(), 2) << "the missing file is left out";
    EXPECT_EQ(mail.attachments[0].fileName, "PDFDOC" + stamp + ".pdf");
    EXPECT_EQ(mail.attachments[0].type, "application/pdf");
    EXPECT_EQ(mail.attachments[1].fileName, "Lieferschein.txt");
    EXPECT_EQ(sent.pdfPath, fx.pdfFolder + "/PDFDOC" + stamp + ".pdf");
    EXPECT_TRUE(QFileInfo::exists(sent.pdfPath)) << "MailDelete is the dispatcher's";

    // No subject of its own: the setting's. A body file: its bytes, not MailText. A
    // named PDF: attached under that name, umlauts and all.
    job.SubjectMail.clear();
    job.TextEmail =
        TempFolders::writeFile(fx.dirs.root() + "/text.txt", "Sehr geehrte Frau M\xc3\xbcller,\r\n\r\nGru\xc3\x9f");
    job.pdfName = "Rechnung Müller";
    job.AnHaenge.clear();
    ASSERT_TRUE(PrintToMail(fx.dialog, 0, stamp).ok());
    const SmtpPeer::Mail second = fx.peer.mails().last();
    EXPECT_EQ(second.headers["subject"], "nicht gelesen");
    EXPECT_EQ(second.body, "Sehr geehrte Frau Müller,\r\n\r\nGruß");
    ASSERT_EQ(second.attachments.size(), 1);
    EXPECT_EQ(second.attachments[0].fileName, "Rechnung Müller.pdf");
}

TEST(MailOutput, ThePasswordTravelsEncryptedOrOnlyToThisComputer)
{
    // STARTTLS offered: used, and the login follows it.
    {
        MailFixture fx({"127.0.0.1", "max", "geheim", true});
        fx.dialog.job().RecEMail = "a@x.de";
        ASSERT_TRUE(fx.mail().ok());
        EXPECT_TRUE(fx.peer.mails().value(0).tls);
        EXPECT_EQ(fx.peer.mails().value(0).login, "max");
    }

    // Another host without STARTTLS: the sign-on fails before any password is sent.
    MailFixture fx({"external", "max", "geheim", false});
    fx.dialog.job().RecEMail = "a@x.de";
    const MailOutcome refused = fx.mail();
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.result.message.startsWith("Maileinstellungen fehlerhaft!\r\n"));
    EXPECT_TRUE(refused.result.message.contains("keine verschlüsselte Verbindung (STARTTLS)"))
        << refused.result.message.toStdString();
    EXPECT_TRUE(fx.peer.mails().isEmpty());
}
