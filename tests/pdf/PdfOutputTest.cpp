// The PDF and mail outputs of a job: names, security, pictures, and the mail itself
// against a loopback SMTP peer.
#include "pdf/PdfOutput.h"
#include "pdf/MailOutput.h"
#include "pdf/PdfNameDialog.h"
#include "support/Ink.h"
#include "support/PdfTools.h"
#include "support/SmtpPeer.h"
#include "support/TestJobs.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Private folders and a PDF folder of their own; PDFs unencrypted so the tools need no
// password.
struct PdfFixture
{
    TempFolders dirs;
    QString pdfFolder = dirs.root() + QStringLiteral("/pdf");
    PdfFixture() { QDir().mkpath(pdfFolder); }
    QStringList pdfFiles() const { return QDir(pdfFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files); }

    // A job of `pages` pages of `lines` lines ("P<page>Z<line>") with the PDF folder.
    Job job(int pages, int lines, const QString& tail = QString())
    {
        Job job = pagesJob(dirs, pages, lines, tail);
        job.settings.pdfFolder = pdfFolder;
        job.settings.pdfMayPrint = false;
        return job;
    }
    OutputOutcome run(const Job& job, const OutputRequest& request)
    {
        // Asks as the print dialog does (through the name window's test hook).
        struct AskingProgress : RecordingProgress
        {
            QString askPdfName(const QString& folder, const QString& proposed) override
            {
                return askPdfFileName(folder, proposed);
            }
        } progress;
        return PdfOutput().run(job, request, progress);
    }
    // Writes the job to "<name>.pdf".
    QString write(Job job, const QString& name)
    {
        job.documentName = name;
        const OutputOutcome outcome = run(job, allPages(job));
        EXPECT_TRUE(outcome.ok()) << outcome.message.toStdString();
        return pdfFolder + QStringLiteral("/") + name + QStringLiteral(".pdf");
    }
};

// A job of two pages mailed straight to a peer that wants the login "max" / "geheim".
struct MailFixture : PdfFixture
{
    SmtpPeer peer;
    Job mailJob;
    explicit MailFixture(const SmtpPeer::Options& options = {"127.0.0.1", "max", "geheim", false}) : peer(options)
    {
        EXPECT_TRUE(peer.isRunning()) << peer.error().toStdString();
        mailJob = job(2, 3);
        JobSettings& s = mailJob.settings;
        s.smtpServer = peer.url();
        s.mailName = QStringLiteral("max");
        s.mailPassword = QStringLiteral("geheim");
        s.mailDirect = true;
    }
    OutputOutcome mail()
    {
        RecordingProgress progress;
        return MailOutput().run(mailJob, allPages(mailJob, Destination::Mail), progress);
    }
};

// The permissions qpdf reads from an encrypted file, those allowed joined by commas, with
// the encryption method.
QString grantedPermissions(const QString& pdf, const QString& password)
{
    const QString shown = pdftools::run("qpdf", {"--password=" + password, "--show-encryption", pdf}).out;
    QStringList granted{pdftools::infoValue(shown, "file encryption method")};
    for (const QString& line : shown.split('\n'))
        if (line.endsWith(": allowed"))
            granted << line.section(':', 0, 0);
    return shown.contains("not encrypted") ? QStringLiteral("none") : granted.join(", ");
}

} // namespace

// The one test of PDF security: the permission flags and the two passwords of the
// settings become AES-256 encryption that grants each flag's rights and no more.
TEST(PdfOutput, SecuritySettingsBecomeEncryptionPermissionsAndPasswords)
{
    struct Case
    {
        bool print, cut, edit;
        QString owner, open;
        QString expected; // the encryption method and the rights qpdf reads
    };
    const QString base = "AESv3, extract for accessibility"; // screen readers are always let in
    const QString print = base + ", print low resolution, print high resolution";
    const QString edit =
        base + ", modify document assembly, modify forms, modify annotations, modify other, modify anything";
    const QList<Case> cases = {
        {false, false, false, {}, {}, "none"},
        {true, false, false, {}, {}, print},
        {false, true, false, {}, {}, base + ", extract for any purpose"},
        {false, false, true, {}, {}, edit},
        // An owner password alone still encrypts and grants a reader nothing.
        {false, false, false, "chef", {}, base},
        {true, false, false, "chef", QStringLiteral("Tür auf"), print},
    };
    PdfFixture fx;
    for (const Case& c : cases) {
        Job job = fx.job(1, 3);
        JobSettings& s = job.settings;
        s.pdfMayPrint = c.print;
        s.pdfMayCopy = c.cut;
        s.pdfMayEdit = c.edit;
        s.pdfOwnerPassword = c.owner;
        s.pdfOpenPassword = c.open;
        const QString pdf = fx.write(job, "sicher");

        // Without an open password the file opens freely, yet the permissions bind.
        EXPECT_EQ(grantedPermissions(pdf, c.open), c.expected);
        if (!c.open.isEmpty()) {
            EXPECT_FALSE(pdftools::info(pdf).ok()) << "opening needs the password";
            EXPECT_FALSE(pdftools::check(pdf, "falsch").ok());
            EXPECT_TRUE(pdftools::run("qpdf", {"--password=" + c.owner, "--show-encryption", pdf})
                            .out.contains("Supplied password is owner password"));
            EXPECT_TRUE(pdftools::pageTexts(pdf, true, c.open).join("").contains("P1Z3"));
        }
    }
}

TEST(PdfOutput, NamesComeFromTheJobTheDialogOrTheStamp)
{
    PdfFixture fx;
    Job named = fx.job(1, 2);
    named.settings.pdfNameDialog = true;

    // A name from the job: no question, even with PDFDLG.
    named.documentName = QStringLiteral("Rechnung");
    setNextPdfFileName(QStringLiteral("Gefragt"));
    ASSERT_TRUE(fx.run(named, allPages(named)).ok());
    EXPECT_TRUE(QFileInfo(fx.pdfFolder + "/Rechnung.pdf").isFile());
    EXPECT_EQ(askPdfFileName(fx.pdfFolder, "p"), "Gefragt") << "the dialog was not asked";

    // No name: the answer (with a folder, matched whatever its case) names the file and
    // comes back with the outcome, for the dialog to keep.
    QDir(fx.pdfFolder).mkdir("Kunden");
    Job asked = fx.job(1, 2);
    asked.settings.pdfNameDialog = true;
    setNextPdfFileName(QStringLiteral("KUNDEN\\Meier"));
    const OutputOutcome answered = fx.run(asked, allPages(asked));
    ASSERT_TRUE(answered.ok());
    EXPECT_EQ(answered.documentName, "KUNDEN/Meier");
    EXPECT_EQ(QDir(fx.pdfFolder + "/Kunden").entryList(QDir::Files), QStringList{"Meier.pdf"});
    EXPECT_EQ(answered.file, QDir::toNativeSeparators(fx.pdfFolder + "/Kunden/Meier.pdf"));

    // An automatic name never replaces a file: jobs one after the other in the same second,
    // or a second whose name is taken, move on to the next free second.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList taken;
    for (int s = 0; s < 3; ++s)
        taken << TempFolders::writeFile(fx.pdfFolder + "/PDFDOC" + documentStamp(now.addSecs(s)) + ".pdf", "belegt");
    const Job automatic = fx.job(1, 1);
    const OutputOutcome first = fx.run(automatic, allPages(automatic));
    const OutputOutcome second = fx.run(automatic, allPages(automatic));
    ASSERT_TRUE(first.ok() && second.ok());
    EXPECT_NE(first.file, second.file);
    EXPECT_GT(QFileInfo(first.file).fileName(), "PDFDOC" + documentStamp(now.addSecs(2)) + ".pdf");
    for (const QString& file : taken)
        EXPECT_EQ(QFileInfo(file).size(), 6) << "left as it was";

    // A name from the dialog comes back only when the document was written.
    asked.settings.pdfFolder = fx.dirs.root() + "/fehlt";
    setNextPdfFileName(QStringLiteral("Rechnung"));
    const OutputOutcome failed = fx.run(asked, allPages(asked));
    EXPECT_FALSE(failed.ok());
    EXPECT_TRUE(failed.documentName.isEmpty());
}

// Names from the job or the name dialog stay inside PDFFolder: a way out of it fails the
// output with a German message and writes nothing.
TEST(PdfOutput, NamesThatLeaveThePdfFolderFailTheOutput)
{
    PdfFixture fx;
    const QString outside = fx.dirs.root() + "/draussen";
    for (const QString& name : {QStringLiteral("../draussen"), QStringLiteral("Kunden\\..\\..\\draussen"), outside,
                                QStringLiteral("C:\\draussen")}) {
        Job job = fx.job(1, 1);
        job.documentName = name;
        const OutputOutcome outcome = fx.run(job, allPages(job));
        EXPECT_FALSE(outcome.ok()) << name.toStdString();
        EXPECT_TRUE(outcome.message.contains("aus dem PDF-Ordner")) << outcome.message.toStdString();
    }
    Job asked = fx.job(1, 1);
    asked.settings.pdfNameDialog = true;
    setNextPdfFileName(QStringLiteral("../draussen"));
    EXPECT_FALSE(fx.run(asked, allPages(asked)).ok());
    EXPECT_FALSE(QFileInfo::exists(outside + ".pdf"));
    EXPECT_TRUE(fx.pdfFiles().isEmpty());
}

// The progress the output reports: both bars to the page count, then each page in turn;
// the job's watermark layer puts the chosen watermark on every page.
TEST(PdfOutput, ProgressGoesPageByPageAndTheWatermarkOnEveryPage)
{
    PdfFixture fx;
    Job job = fx.job(2, 2);
    job.documentName = QStringLiteral("fest");
    job.settings.watermarkLayer = 1;
    OutputRequest request = allPages(job);
    request.watermark = QStringLiteral("ENTWURF|Arial|40| 0| 0| 0| 0| 0| 0| 0| 0| 0");
    RecordingProgress progress;
    ASSERT_TRUE(PdfOutput().run(job, request, progress).ok());
    const QStringList pages = pdftools::pageTexts(fx.pdfFolder + "/fest.pdf", true);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(pages[1].simplified(), "P2Z1 P2Z2 ENTWURF");
    EXPECT_EQ(progress.maxima, (QList<QPair<qint32, qint32>>{{2, 2}}));
    EXPECT_EQ(progress.values, (QList<QPair<qint32, qint32>>{{1, 1}, {2, 2}}));
}

// Every picture in a PDF is stored lossless: the background picture (on job page 1 only,
// however the range begins), attachment pages, and bitmap mode. Which pages carry the
// picture and how attachments are turned is the shared page drawing's (tests/pages).
TEST(PdfOutput, PicturesAreStoredLosslessAndTheBackgroundOnlyOnJobPageOne)
{
    PdfFixture fx;
    for (qint32 from : {1, 2}) {
        Job job = fx.job(3, 2);
        job.documentName = QStringLiteral("bild");
        OutputRequest request = allPages(job);
        request.pictureMode = 1;
        request.picture = QImage(40, 60, QImage::Format_RGB32);
        request.fromPage = from;
        ASSERT_TRUE(fx.run(job, request).ok());
        const QList<pdftools::Image> images = pdftools::images(fx.pdfFolder + "/bild.pdf");
        ASSERT_EQ(images.size(), from == 1 ? 1 : 0) << "from " << from;
        for (const pdftools::Image& image : images)
            EXPECT_EQ(image.encoding, "image") << "lossless, not JPEG";
    }

    // Attachments: a file gone since the job was read is skipped, the wide picture gets a
    // page of its own, the broken one a blank page.
    const QString wide = TempFolders::writePicture(fx.dirs.root() + "/wide.png", 300, 100);
    const QString broken = TempFolders::writeFile(fx.dirs.root() + "/broken.jpg", "not a picture");
    Job portrait = fx.job(2, 2);
    portrait.attachmentFiles = {fx.dirs.root() + "/missing.png", wide, broken};
    const QString pdf = fx.write(portrait, "anhang");
    EXPECT_EQ(pdftools::infoOf(pdf, "Pages"), "4");
    const QList<pdftools::Image> images = pdftools::images(pdf);
    ASSERT_EQ(images.size(), 1);
    EXPECT_EQ(images[0].page, 3);
    EXPECT_EQ(images[0].size, QSize(100, 300)) << "turned a quarter";
    EXPECT_EQ(images[0].encoding, "image") << "lossless, not JPEG";

    // The mail variant adds them only when asked.
    for (bool withAttachments : {false, true}) {
        Job mail = fx.job(1, 2);
        mail.settings.pdfMailAttachments = withAttachments;
        mail.attachmentFiles = {wide};
        RecordingProgress progress;
        const OutputOutcome made = makeMailPdf(mail, allPages(mail), progress);
        ASSERT_TRUE(made.ok());
        EXPECT_EQ(pdftools::infoOf(made.file, "Pages"), withAttachments ? "2" : "1");
        QFile::remove(made.file);
    }
}

TEST(PdfOutput, LandscapeJobsGetLandscapePagesFilledToTheBottom)
{
    PdfFixture fx;
    fx.dirs.setSetting("Pserver", "LinesPerPageQ", "4");
    Job landscape = fx.job(1, 4, QStringLiteral("^Q"));
    ASSERT_TRUE(landscape.landscape);
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
    // A 132-column line must still fit the page: the bitmap reports its own resolution.
    fx.dirs.setSetting("Pserver", "AutoLandscape", "200");
    Job job = fx.job(2, 4, QStringLiteral(" ") + QString(124, u'X'));
    job.settings.pdfAsPictures = true;
    const QString pdf = fx.write(job, "grafik");
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

namespace {

// An EAN-13 bar code as a print file's record holds it (ESC ( B).
QString eanRecord()
{
    return QStringLiteral("\x1b(B") + QChar(0x12) + QString(2, QChar(0)) + QChar(3) + QString(4, QChar(0)) +
           QStringLiteral("400638133393");
}

// What zbarimg reads from page `page` of the PDF rendered at `dpi`.
QString scanPage(const QString& pdf, int page, int dpi)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("seite.png");
    pdftools::pageImages(pdf, dpi).value(page - 1).save(file);
    return pdftools::run("zbarimg", {"-q", file}).out.trimmed();
}

} // namespace

// A long document's pages are made on worker threads and come back in order; a page whose
// lines need the page's painter (a bar code) is drawn by it, text and all.
TEST(PdfOutput, PagesMadeApartComeInOrderAndABarCodePageIsDrawnWhole)
{
    PdfFixture fx;
    QStringList records;
    for (int p = 1; p <= 12; ++p)
        records << QStringLiteral("%1Seite %2").arg(p > 1 ? "\f" : "").arg(p) << (p == 7 ? eanRecord() : QString())
                << ""
                << ""
                << "";
    Job job = jobOf(fx.dirs, records);
    job.settings.pdfFolder = fx.pdfFolder;
    const QString pdf = fx.write(job, "reihe");

    const QStringList texts = pdftools::pageTexts(pdf);
    ASSERT_EQ(texts.size(), 12);
    for (int p = 1; p <= 12; ++p)
        EXPECT_EQ(texts[p - 1].simplified().section(' ', 0, 1), QStringLiteral("Seite %1").arg(p));
    EXPECT_EQ(scanPage(pdf, 7, 150), "EAN-13:4006381333931");
}

// A page drawn as a picture keeps every pixel in the fewest bits: a photograph in full
// colour, black text and bars in one bit (the bar codes still scan from the page), a
// coloured watermark with a palette.
TEST(PdfOutput, BitmapPagesKeepEveryPixelInTheFewestBits)
{
    PdfFixture fx;
    Job job = jobOf(fx.dirs, {"Foto", "\fStrichcode " + eanRecord()});
    job.settings.pdfFolder = fx.pdfFolder;
    job.settings.pdfAsPictures = true;
    job.documentName = "stufen";
    OutputRequest request = allPages(job);
    request.pictureMode = 1; // on page 1 only
    request.picture = QImage(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            request.picture.setPixel(x, y, qRgb(x * 4, y * 4, 128));
    ASSERT_TRUE(fx.run(job, request).ok());
    job.documentName = "wasserzeichen";
    request.pictureMode = 0;
    request.watermark = "Kopie|Arial|120| 1| 0| 0| 0| 0| 0| 450| 12| 160";
    ASSERT_TRUE(fx.run(job, request).ok());
    const QString pdf = fx.pdfFolder + "/stufen.pdf";

    const QList<pdftools::Image> images = pdftools::images(pdf) + pdftools::images(fx.pdfFolder + "/wasserzeichen.pdf");
    ASSERT_EQ(images.size(), 4);
    EXPECT_EQ(std::pair(images[0].colour, images[0].bits), std::pair(QString("rgb"), 8));
    EXPECT_EQ(std::pair(images[1].colour, images[1].bits), std::pair(QString("gray"), 1));
    EXPECT_EQ(images[2].colour, "index");
    for (const pdftools::Image& image : images)
        EXPECT_EQ(image.encoding, "image") << "lossless";

    EXPECT_EQ(scanPage(pdf, 2, 216), "EAN-13:4006381333931");
}

TEST(MailOutput, RecipientListsBecomeEnvelopeAndHeaders)
{
    MailFixture fx;
    Job& job = fx.mailJob;
    job.mailTo = "a@x.de; b@x.de";
    job.mailCc = "c@x.de";
    job.mailBcc = "d@x.de,e@x.de";
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
    job.mailCc = "c@x.de,";
    job.mailBcc.clear();
    ASSERT_TRUE(fx.mail().ok());
    mail = fx.peer.mails().last();
    EXPECT_EQ(mail.rcptTos, QStringList({"a@x.de", "b@x.de", "c@x.de", "<>"}));
    EXPECT_EQ(mail.headers["cc"], "c@x.de");

    // A recipient the server refuses: no mail, and the user reads the server's answer.
    job.mailCc = "wer@unknown.test";
    const OutputOutcome refused = fx.mail();
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.message.startsWith("Die Mail wurde nicht gesendet.\r\n"));
    EXPECT_TRUE(refused.message.contains("„wer@unknown.test“ abgelehnt: 550 5.1.1 Mailbox unavailable"))
        << refused.message.toStdString();
    EXPECT_EQ(fx.peer.mails().size(), 2);

    // A ">" in an address cannot smuggle parameters onto the wire; a line that goes dead
    // while sending says so.
    job.mailCc.clear();
    job.mailTo = "a@x.de> SIZE=1";
    ASSERT_TRUE(fx.mail().ok());
    EXPECT_EQ(fx.peer.mails().last().rcptTos, QStringList{"a@x.deSIZE=1"});
    job.mailTo = "a@drop.test";
    const OutputOutcome dropped = fx.mail();
    EXPECT_TRUE(dropped.message.endsWith("brach während des Sendens ab; die Mail ist nicht angekommen."))
        << dropped.message.toStdString();
}

TEST(MailOutput, SubjectBodyAndAttachmentsAsTheJobGivesThem)
{
    MailFixture fx;
    Job& job = fx.mailJob;
    job.mailTo = "a@x.de";
    job.mailSubject = "  Rechnung für März ";
    job.settings.mailSubject = "nicht gelesen";
    job.settings.mailText = "Guten Tag,|anbei die Rechnung.";
    const QString extra = TempFolders::writeFile(fx.dirs.root() + "/Lieferschein.txt", "Lieferschein\n");
    job.attachmentFiles = {fx.dirs.root() + "/fehlt.txt", extra};
    const OutputOutcome sent = fx.mail();
    ASSERT_TRUE(sent.ok()) << sent.message.toStdString();
    ASSERT_EQ(fx.peer.mails().size(), 1);
    const SmtpPeer::Mail mail = fx.peer.mails().last();
    EXPECT_EQ(mail.headers["subject"], "Rechnung für März");
    EXPECT_EQ(mail.body, "Guten Tag,\r\nanbei die Rechnung.");
    ASSERT_EQ(mail.attachments.size(), 2) << "the missing file is left out";
    EXPECT_EQ(mail.attachments[0].fileName, QFileInfo(sent.file).fileName());
    EXPECT_TRUE(mail.attachments[0].fileName.startsWith("PDFDOC"));
    EXPECT_EQ(mail.attachments[0].type, "application/pdf");
    EXPECT_EQ(mail.attachments[1].fileName, "Lieferschein.txt");
    EXPECT_TRUE(QFileInfo::exists(sent.file)) << "kept without MailDelete";

    // No subject of its own: the setting's. A body file: its bytes, not MailText. A
    // named PDF: attached under that name, umlauts and all; with MailDelete gone afterwards.
    job.mailSubject.clear();
    job.mailBodyName = "text.txt";
    job.mailBodyFile =
        TempFolders::writeFile(fx.dirs.root() + "/text.txt", "Sehr geehrte Frau M\xc3\xbcller,\r\n\r\nGru\xc3\x9f");
    job.documentName = "Rechnung Müller";
    job.attachmentFiles.clear();
    job.settings.mailDeletePdf = true;
    const OutputOutcome named = fx.mail();
    ASSERT_TRUE(named.ok());
    EXPECT_FALSE(QFileInfo::exists(named.file)) << "MailDelete";
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
        fx.mailJob.mailTo = "a@x.de";
        ASSERT_TRUE(fx.mail().ok());
        EXPECT_TRUE(fx.peer.mails().value(0).tls);
        EXPECT_EQ(fx.peer.mails().value(0).login, "max");
    }

    // Another host without STARTTLS: the sign-on fails before any password is sent.
    MailFixture fx({"external", "max", "geheim", false});
    fx.mailJob.mailTo = "a@x.de";
    const OutputOutcome refused = fx.mail();
    EXPECT_FALSE(refused.ok());
    EXPECT_TRUE(refused.message.startsWith("Maileinstellungen fehlerhaft!\r\n"));
    EXPECT_TRUE(refused.message.contains("keine verschlüsselte Verbindung (STARTTLS)"))
        << refused.message.toStdString();
    EXPECT_TRUE(fx.peer.mails().isEmpty());
}
