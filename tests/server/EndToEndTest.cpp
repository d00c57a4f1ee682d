#include "platform/Profile.h"
#include "support/Ink.h"
#include "support/PdfTools.h"
#include "support/SambaShare.h"
#include "support/ServerProcess.h"
#include "support/SmtpPeer.h"
#include "support/TempFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

static QStringList filesIn(const QString& folder, const QString& pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files | QDir::Hidden);
}

// Headless, a dialog that waits for the user says so once on standard error, naming the
// settings that would print unattended. A second start ends at once; after a SIGKILL (which
// leaves the lock file) a new start shows the waiting job again, once, beside a new one.
TEST(EndToEnd, AWaitingJobSaysSoOnceASecondStartEndsAndAfterAKillTheJobWaitsAgainOnce)
{
    TempFolders dirs; // no PS.INI
    const auto waiting = [](ServerProcess& server, const QString& job) {
        return server.errors().count("Druckdialog Job  " + job + ": wartet");
    };
    auto server = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    TempFolders::writeFile(dirs.printFile(), "Rechnung Nr. 4711\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting(*server, "2") == 1; }, 15000)) << server->errors().toStdString();
    const QString line = server->errors().section("Druckdialog Job  2:", 1).section('\n', 0, 0);
    for (const QString& hint : {dirs.settingsFile(), QString("AutoStart=1"), QString("HideMode=1"),
                                QString("[PDevice] Printer0=Pdf-Dokument")})
        EXPECT_TRUE(line.contains(hint)) << line.toStdString();

    // Started in this test's environment, which TempFolders points at the same folders.
    const pdftools::ToolResult second = pdftools::run(ServerProcess::executable(), {}, 2000);
    EXPECT_EQ(second.exitCode, 0) << "the second start must end by itself";
    EXPECT_TRUE(second.err.contains("Hinweis: Wird bereits ausgeführt !"));
    EXPECT_TRUE(server->running());
    EXPECT_EQ(waiting(*server, "2"), 1);

    server->kill();
    server = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting(*server, "2") == 1; }, 15000)) << server->errors().toStdString();
    TempFolders::writeFile(dirs.printFile(), "Neuer Auftrag\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting(*server, "3") == 1; }, 15000)) << server->errors().toStdString();
    EXPECT_EQ(waiting(*server, "2"), 1) << server->errors().toStdString();
    EXPECT_EQ(filesIn(dirs.appData() + "/spool", "job-*.dat").size(), 2);
}

// The README's shell block, run as it stands in a fresh home, sets up unattended PDF output.
// Killed in the middle of that PDF, the server leaves no file under its final name; after
// the restart the job comes out once and the killed output's temporary files are gone.
TEST(EndToEnd, TheReadmeSettingsGiveAPdfAndAKillDuringItLeavesNoHalfFileAndTheRestartPrintsItOnce)
{
    QFile readme(testDataPath("../../README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QRegularExpression block("```sh\\n([^`]*\\[Pserver\\][^`]*)```");
    const QString snippet = block.match(QString::fromUtf8(readme.readAll())).captured(1);
    ASSERT_FALSE(snippet.isEmpty()) << "README: no shell block with a PS.INI";

    TempFolders dirs; // program and configuration folders; the AppData folder is the home's
    const QString home = dirs.root() + "/home", appData = home + "/.local/share/druckserver", pdfs = home + "/PDF";
    QDir().mkpath(home);
    QProcessEnvironment env = dirs.serverEnvironment();
    env.remove("APPDATA");
    env.insert("HOME", home);
    const pdftools::ToolResult shell = pdftools::run("env", {"-u", "APPDATA", "HOME=" + home, "bash", "-euc", snippet});
    ASSERT_TRUE(shell.ok()) << shell.err.toStdString();
    // Pages drawn as pictures take long enough to be caught in the middle.
    profile::WritePrivateProfileString("Pserver", "PdfBitmap", "1", appData + "/PS.INI");

    QByteArray pages;
    // Enough of them that the kill comes long before the last, also on a fast machine.
    for (int page = 1; page <= 150; ++page)
        pages += "Seite " + QByteArray::number(page) + "\r\n\f";
    auto server = std::make_unique<ServerProcess>(env);
    TempFolders::writeFile(appData + "/d.dat", pages);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !filesIn(pdfs, "*.part").isEmpty(); }, 20000))
        << server->errors().toStdString();
    server->kill();
    EXPECT_TRUE(filesIn(pdfs, "*.pdf").isEmpty()) << "no file under its final name";

    server = std::make_unique<ServerProcess>(env);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return filesIn(appData + "/spool", "job-*.dat").isEmpty() && !filesIn(pdfs, "*.pdf").isEmpty(); }, 60000))
        << server->errors().toStdString();
    const QStringList files = filesIn(pdfs, "*"); // the killed output's temporary files are gone
    ASSERT_EQ(files.size(), 1) << files.join(", ").toStdString();
    const QString pdf = pdfs + "/" + files.first();
    EXPECT_TRUE(QFileInfo(pdf).fileName().startsWith("PDFDOC"));
    EXPECT_TRUE(pdftools::check(pdf).ok());
    EXPECT_EQ(pdftools::infoOf(pdf, "Pages"), "150");
}

// A real DOS machine: DOSBox, headless, copies a print file to its drive D:, the AppData
// folder; DOS names are upper case, so it arrives as D.DAT. The job names its files as the
// DOS program sees them, in upper case, while they are lower case on the disk: the mail
// body, a picture, its settings file on D:, a delivery note on the mapped drive C:. It
// arrives as one mail with its PDF, the picture's page and both files; the PDF in the
// folder the job's settings file names (the user trusts the print files of this DOSBox).
TEST(EndToEnd, ADosProgramUnderDosBoxPrintsAMailJobThatArrivesAsOneMailWithItsPdf)
{
    TempFolders dirs;
    SmtpPeer peer;
    ASSERT_TRUE(peer.isRunning()) << peer.error().toStdString();
    const QString dosDrive = dirs.root() + "/dos";
    const QString pdfFolder = dirs.root() + "/pdf", firmaFolder = dirs.root() + "/firma";
    for (const QString& folder : {pdfFolder, firmaFolder})
        QDir().mkpath(folder);
    // Jobs mailed unseen after 300 ms; the job's settings file keeps its PDF in a folder
    // of its own.
    const QByteArray mailing = "[Pserver]\nAutoStart=1\nHideMode=1\nAutoStartDelay=300\nMailDirect=1\n"
                               "MailFrom=buero@x.de\nPdfMailAnhang=1\nSmtpServer=" +
                               peer.url().toLocal8Bit() + "\n";
    TempFolders::writeFile(dirs.settingsFile(), mailing + "TrustPrintFiles=1\nPDFFolder=" + pdfFolder.toLocal8Bit() +
                                                    "\n[Laufwerke]\nC=" + dosDrive.toLocal8Bit() + "\n");
    TempFolders::writeFile(dirs.appData() + "/firma.ini",
                           mailing + "PDFFolder=" + firmaFolder.toLocal8Bit() + "\n[PDevice]\nPrinter0=e-Mail\n");
    TempFolders::writeFile(dirs.appData() + "/texte/mail.txt", "Guten Tag,\r\nanbei der Bon.\r\n");
    TempFolders::writePicture(dirs.appData() + "/logo.bmp", 60, 40, Qt::blue, "BMP");
    TempFolders::writeFile(dosDrive + "/lieferschein.txt", "Lieferschein 4711\n");
    // Code page 437: "Frühstück" with 0x81 in a frame of double and single lines.
    const QByteArray doubles(12, '\xcd'), singles(12, '\xc4');
    TempFolders::writeFile(
        dosDrive + "/BON.TXT",
        "@EMAIL kunde@x.de\r\n@CCEMAIL buchhaltung@x.de\r\n@BETREFF Bon 4711\r\n@INI D:\\FIRMA.INI\r\n"
        "@TXTEMAIL D:\\TEXTE\\MAIL.TXT\r\n@ANHANG D:\\LOGO.BMP\r\n@ANHANG C:\\LIEFERSCHEIN.TXT\r\n"
        "@ANHANG D:\\FEHLT.TXT\r\n\xc9" +
            doubles + "\xbb\r\n\xba Fr\x81hst\x81\x63k  \xba\r\n\xc7" + singles +
            "\xb6\r\n\xba 3,50 Euro  \xba\r\n\xc8" + doubles + "\xbc\r\n");
    const QString config = TempFolders::writeFile(
        dirs.root() + "/dosbox.conf", "[sdl]\noutput=surface\n[cpu]\ncycles=max\n[autoexec]\nmount c \"" +
                                          dosDrive.toLocal8Bit() + "\"\nmount d \"" + dirs.appData().toLocal8Bit() +
                                          "\"\nc:\ncopy BON.TXT D:\\D.DAT\nexit\n");
    ServerProcess server(dirs.serverEnvironment());
    const pdftools::ToolResult dosbox =
        pdftools::run("env", {"HOME=" + dirs.root(), "SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "dosbox",
                              "-conf", config, "-noconsole"});
    ASSERT_TRUE(dosbox.ok()) << "dosbox: " << dosbox.err.toStdString();

    ASSERT_TRUE(peer.waitForMails(1, 20000)) << server.errors().toStdString();
    EXPECT_TRUE(filesIn(dirs.appData(), "*.DAT").isEmpty());
    ASSERT_EQ(peer.mails().size(), 1);
    const SmtpPeer::Mail mail = peer.mails().first();
    EXPECT_EQ(mail.mailFrom, "buero@x.de");
    EXPECT_EQ(mail.rcptTos, QStringList({"kunde@x.de", "buchhaltung@x.de"}));
    EXPECT_EQ(mail.headers["subject"], "Bon 4711");
    EXPECT_TRUE(mail.body.startsWith("Guten Tag,\r\nanbei der Bon.")) << mail.body.toStdString();
    ASSERT_EQ(mail.attachments.size(), 3);
    EXPECT_EQ(mail.attachments[1].fileName, "logo.bmp");
    EXPECT_EQ(mail.attachments[2].fileName, "lieferschein.txt");
    EXPECT_EQ(pdftools::infoOf(mail.attachments[0].path, "Pages"), "3")
        << "the picture's page, a blank one for the text";
    EXPECT_EQ(filesIn(firmaFolder, "*.pdf").size(), 1) << "the job's own PDF folder, kept by its MailDelete=0";
    EXPECT_EQ(server.errors().count("@ANHANG \"D:\\FEHLT.TXT\": nicht gefunden"), 1) << server.errors().toStdString();
    const QString text = pdftools::text(mail.attachments[0].path).out;
    EXPECT_TRUE(text.contains("Frühstück") && text.contains("3,50 Euro")) << text.toStdString();
    // The frame is drawn, not written: the ink's bounding box is closed on all four sides.
    const QImage page = pdftools::pageImages(mail.attachments[0].path, 150).value(0);
    const QRect box = inkBounds(page);
    ASSERT_TRUE(box.width() > 100 && box.height() > 50);
    for (const QRect& edge :
         {QRect(box.left(), box.top(), box.width(), 1), QRect(box.left(), box.bottom(), box.width(), 1),
          QRect(box.left(), box.top(), 1, box.height()), QRect(box.right(), box.top(), 1, box.height())})
        EXPECT_EQ(colourShare(page, Qt::black, 127, edge), 1.0);
}

// The README's network recipe followed on this computer: a Samba share of a print-file
// folder of its own, a DOS PC (a client of the share) printing into it. Through the share
// it reaches neither the settings nor the spool, and its print file cannot get the user's
// files mailed; a picture it put on its drive goes with the mail.
TEST(EndToEnd, TheNetworkRecipeSharesThePrintFilesAndNothingElse)
{
    QFile readme(testDataPath("../../README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const QString shareBlock = QRegularExpression("\\[DRUCK\\]\\n((?: {6}\\S[^\\n]*\\n)+)").match(text).captured(1);
    const QString printFolderLine = QRegularExpression("PrintFileFolder=(\\S+)").match(text).captured(1);
    ASSERT_FALSE(shareBlock.isEmpty() || printFolderLine.isEmpty()) << "README: no share or PrintFileFolder";

    TempFolders dirs;
    SmtpPeer peer;
    ASSERT_TRUE(peer.isRunning()) << peer.error().toStdString();
    const QString printFolder = dirs.root() + "/druck", pdfFolder = dirs.root() + "/pdf";
    for (const QString& folder : {printFolder, pdfFolder})
        QDir().mkpath(folder);
    const QByteArray settings = "[Pserver]\nPrintFileFolder=" + printFolder.toLocal8Bit() +
                                "\nAutoStart=1\nHideMode=1\nAutoStartDelay=0\nMailDirect=1\nMailPW=geheim\n"
                                "SmtpServer=" +
                                peer.url().toLocal8Bit() + "\nPDFFolder=" + pdfFolder.toLocal8Bit() +
                                "\n[PDevice]\nPrinter0=e-Mail\n";
    TempFolders::writeFile(dirs.settingsFile(), settings);
    QString share = shareBlock;
    share.replace(printFolderLine, printFolder).replace(QRegularExpression("force user = \\S+"), "force user = root");
    SambaShare samba(share);
    ASSERT_TRUE(samba.isRunning()) << "smbd";
    ServerProcess server(dirs.serverEnvironment());

    const QString secret = TempFolders::writeFile(dirs.root() + "/home/.ssh/id_rsa", "GEHEIM\n");
    const QString job =
        TempFolders::writeFile(dirs.root() + "/job.dat",
                               "@EMAIL dieb@x.test\r\n@ANHANG " + secret.toLocal8Bit() + "\r\n@ANHANG " +
                                   dirs.settingsFile().toLocal8Bit() + "\r\n@ANHANG ..\\appdata\\PS.INI\r\n@TXTEMAIL " +
                                   secret.toLocal8Bit() + "\r\n@ANHANG D:\\LOGO.BMP\r\nRechnung\r\n");
    const QString logo = TempFolders::writePicture(dirs.root() + "/logo.bmp", 20, 10, Qt::blue, "BMP");
    EXPECT_FALSE(samba.client("get ..\\appdata\\PS.INI " + dirs.root() + "/geholt.ini").ok());
    ASSERT_TRUE(samba.client("put " + logo + " LOGO.BMP; put " + job + " D.DAT").ok());

    ASSERT_TRUE(peer.waitForMails(1, 20000)) << server.errors().toStdString();
    const SmtpPeer::Mail mail = peer.mails().first();
    ASSERT_EQ(mail.attachments.size(), 2);
    EXPECT_EQ(mail.attachments[1].fileName, "LOGO.BMP");
    EXPECT_FALSE(mail.body.contains("GEHEIM"));
    EXPECT_FALSE(QFileInfo::exists(dirs.root() + "/geholt.ini"));
    QFile ini(dirs.settingsFile());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), settings);
}
