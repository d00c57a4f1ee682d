// The real executable, headless on private folders, printing by itself: a dropped print
// file to a printer, to a PDF, by mail, and from a real DOS machine; and no job lost when
// the server is killed.
#include "CupsSpooler.h"
#include "Ink.h"
#include "PdfTools.h"
#include "ServerProcess.h"
#include "SmtpPeer.h"
#include "TempFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// "Rechnung" with an umlaut in code page 437 (0x81 is "ü"), three lines.
const QByteArray PrintFile = "Rechnung Nr. 4711\r\nFr\x81hst\x81"
                             "ck 2 x 3,50\r\nSumme 7,00\r\n";

// Jobs output unseen after 300 ms to `destination`; a PDF folder of its own, returned.
QString backgroundPrinting(const TempFolders& dirs, const QString& destination)
{
    dirs.setSetting("Pserver", "AutoStart", "1");
    dirs.setSetting("Pserver", "HideMode", "1");
    dirs.setSetting("Pserver", "AutoStartDelay", "300");
    dirs.setSetting("PDevice", "Printer0", destination);
    const QString pdfFolder = dirs.root() + "/pdf";
    QDir().mkpath(pdfFolder);
    dirs.setSetting("Pserver", "PDFFolder", pdfFolder);
    return pdfFolder;
}

QStringList filesIn(const QString& folder, const QString& pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files | QDir::Hidden);
}

bool spoolEmpty(const TempFolders& dirs)
{
    return filesIn(dirs.appData() + "/spool", "job-*.dat").isEmpty();
}

} // namespace

TEST(EndToEnd, ADroppedPrintFileIsPrintedInTheBackgroundAndRemoved)
{
    TempFolders dirs;
    CupsSpooler spooler; // the server finds it through CUPS_SERVER
    ASSERT_TRUE(spooler.isRunning()) << spooler.error().toStdString();
    backgroundPrinting(dirs, "PDF");
    ServerProcess server(dirs.serverEnvironment());

    TempFolders::writeFile(dirs.printFile(), PrintFile);
    ASSERT_TRUE(spooler.waitForJobs("PDF", 1, 20000)) << server.errors().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo::exists(dirs.printFile()); }, 5000));
    const QString text = pdftools::text(spooler.jobs("PDF").first().documentPath).out;
    EXPECT_TRUE(text.contains("Rechnung Nr. 4711") && text.contains("Frühstück")) << text.toStdString();
    EXPECT_TRUE(server.running());
}

TEST(EndToEnd, AJobWaitingForTheUserComesBackOnceAfterTheServerWasKilled)
{
    TempFolders dirs;
    // Headless, every dialog that waits for the user says so once on standard error.
    const auto waiting = [](ServerProcess& server, const QString& job) {
        return server.errors().count("Druckdialog Job  " + job + ": wartet");
    };
    auto server = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    TempFolders::writeFile(dirs.printFile(), PrintFile);
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting(*server, "2") == 1; }, 15000)) << server->errors().toStdString();
    server->kill();
    EXPECT_FALSE(QFileInfo::exists(dirs.printFile()));
    EXPECT_EQ(filesIn(dirs.appData() + "/spool", "job-*.dat").size(), 1);

    // After the restart the job's dialog is there again, once; a new print file is a job
    // of its own.
    server = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting(*server, "2") == 1; }, 15000)) << server->errors().toStdString();
    TempFolders::writeFile(dirs.printFile(), "Neuer Auftrag\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting(*server, "3") == 1; }, 15000)) << server->errors().toStdString();
    EXPECT_EQ(waiting(*server, "2"), 1) << server->errors().toStdString();
    EXPECT_EQ(filesIn(dirs.appData() + "/spool", "job-*.dat").size(), 2);
}

TEST(EndToEnd, AServerKilledDuringAPdfOutputLeavesNoHalfFileAndPrintsTheJobOnceAfterTheRestart)
{
    TempFolders dirs;
    const QString pdfFolder = backgroundPrinting(dirs, "Pdf-Dokument");
    // Pages drawn as pictures take long enough to be caught in the middle.
    dirs.setSetting("Pserver", "PdfBitmap", "1");
    QByteArray pages;
    for (int page = 1; page <= 30; ++page)
        pages += "Seite " + QByteArray::number(page) + "\r\n\f";
    auto server = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    TempFolders::writeFile(dirs.printFile(), pages);
    // After the resolution probe, the document's pages go to a hidden file in the folder.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !filesIn(pdfFolder, "*.part").isEmpty(); }, 20000))
        << server->errors().toStdString();
    server->kill();
    EXPECT_TRUE(filesIn(pdfFolder, "*.pdf").isEmpty()) << "no file under its final name";

    server = std::make_unique<ServerProcess>(dirs.serverEnvironment());
    ASSERT_TRUE(QTest::qWaitFor([&] { return spoolEmpty(dirs) && !filesIn(pdfFolder, "*.pdf").isEmpty(); }, 60000))
        << server->errors().toStdString();
    // The killed output's temporary files went at the restart.
    const QStringList pdfs = filesIn(pdfFolder, "*");
    ASSERT_EQ(pdfs.size(), 1) << pdfs.join(", ").toStdString();
    EXPECT_TRUE(pdftools::check(pdfFolder + "/" + pdfs.first()).ok());
    EXPECT_EQ(pdftools::infoOf(pdfFolder + "/" + pdfs.first(), "Pages"), "30");
}

// A real DOS machine: DOSBox, headless, copies a print file to its drive D:, which is the
// AppData folder. DOS names are upper case, so it arrives as D.DAT.
TEST(EndToEnd, ADosProgramUnderDosBoxPrintsIntoAPdf)
{
    TempFolders dirs;
    const QString pdfFolder = backgroundPrinting(dirs, "Pdf-Dokument");
    const QString dosDrive = dirs.root() + "/dos";
    // Code page 437: "Frühstück" with 0x81 in a frame of double and single lines.
    TempFolders::writeFile(dosDrive + "/BON.TXT", "\xc9\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbb\r\n"
                                                  "\xba Fr\x81hst\x81"
                                                  "ck  \xba\r\n"
                                                  "\xc7\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xb6\r\n"
                                                  "\xba 3,50 Euro  \xba\r\n"
                                                  "\xc8\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbc\r\n");
    const QString config = TempFolders::writeFile(
        dirs.root() + "/dosbox.conf", "[sdl]\noutput=surface\n[cpu]\ncycles=max\n[autoexec]\nmount c \"" +
                                          dosDrive.toLocal8Bit() + "\"\nmount d \"" + dirs.appData().toLocal8Bit() +
                                          "\"\nc:\ncopy BON.TXT D:\\D.DAT\nexit\n");
    ServerProcess server(dirs.serverEnvironment());

    QProcess dosbox;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dirs.root());
    env.insert("SDL_VIDEODRIVER", "dummy");
    env.insert("SDL_AUDIODRIVER", "dummy");
    dosbox.setProcessEnvironment(env);
    dosbox.start("dosbox", {"-conf", config, "-noconsole"});
    ASSERT_TRUE(dosbox.waitForFinished(60000)) << "dosbox";
    ASSERT_EQ(dosbox.exitCode(), 0) << dosbox.readAllStandardError().toStdString();

    ASSERT_TRUE(QTest::qWaitFor([&] { return spoolEmpty(dirs) && !filesIn(pdfFolder, "*.pdf").isEmpty(); }, 20000))
        << server.errors().toStdString();
    ASSERT_EQ(filesIn(pdfFolder, "*").size(), 1) << "one print file, one PDF";
    const QString pdf = pdfFolder + "/" + filesIn(pdfFolder, "*.pdf").first();
    const QString text = pdftools::text(pdf).out;
    EXPECT_TRUE(text.contains("Frühstück") && text.contains("3,50 Euro")) << text.toStdString();
    // The frame is drawn, not written: the ink's bounding box is closed on all four sides.
    const QImage page = pdftools::pageImages(pdf, 150).value(0);
    const QRect box = inkBounds(page);
    ASSERT_TRUE(box.width() > 100 && box.height() > 50);
    for (const QRect& edge :
         {QRect(box.left(), box.top(), box.width(), 1), QRect(box.left(), box.bottom(), box.width(), 1),
          QRect(box.left(), box.top(), 1, box.height()), QRect(box.right(), box.top(), 1, box.height())})
        EXPECT_EQ(colourShare(page, Qt::black, 127, edge), 1.0);
    EXPECT_TRUE(filesIn(dirs.appData(), "*.DAT").isEmpty());
}

TEST(EndToEnd, ADroppedPrintFileWithMailCommandsArrivesAsOneMailWithItsPdf)
{
    TempFolders dirs;
    SmtpPeer peer;
    ASSERT_TRUE(peer.isRunning()) << peer.error().toStdString();
    const QString pdfFolder = backgroundPrinting(dirs, "e-Mail");
    dirs.setSetting("Pserver", "MailDirect", "1");
    dirs.setSetting("Pserver", "MailDelete", "1");
    dirs.setSetting("Pserver", "SmtpServer", peer.url());
    dirs.setSetting("Pserver", "MailFrom", "buero@x.de");
    const QString extra = TempFolders::writeFile(dirs.root() + "/Lieferschein.txt", "Lieferschein 4711\n");
    ServerProcess server(dirs.serverEnvironment());

    TempFolders::writeFile(dirs.printFile(), "@EMAIL kunde@x.de\r\n@CCEMAIL buchhaltung@x.de\r\n@BETREFF Rechnung "
                                             "4711\r\n@ANHANG " +
                                                 extra.toLocal8Bit() + "\r\n" + PrintFile);
    ASSERT_TRUE(peer.waitForMails(1, 20000)) << server.errors().toStdString();
    // MailDelete removes the PDF once the output is over; no second mail by then.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QDir(pdfFolder).isEmpty(); }, 5000));
    ASSERT_EQ(peer.mails().size(), 1);
    const SmtpPeer::Mail mail = peer.mails().first();
    EXPECT_EQ(mail.mailFrom, "buero@x.de");
    EXPECT_EQ(mail.rcptTos, QStringList({"kunde@x.de", "buchhaltung@x.de"}));
    EXPECT_EQ(mail.headers["subject"], "Rechnung 4711");
    ASSERT_EQ(mail.attachments.size(), 2);
    EXPECT_TRUE(mail.attachments[0].fileName.startsWith("PDFDOC"));
    const QString text = pdftools::text(mail.attachments[0].path).out;
    EXPECT_TRUE(text.contains("Rechnung Nr. 4711") && text.contains("Frühstück") && text.contains("Summe 7,00"))
        << text.toStdString();
    EXPECT_EQ(mail.attachments[1].fileName, "Lieferschein.txt");
    EXPECT_FALSE(QFileInfo::exists(dirs.printFile()));
}
