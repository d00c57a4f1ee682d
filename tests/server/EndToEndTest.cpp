#include "CupsSpooler.h"
#include "PdfTools.h"
#include "SmtpPeer.h"
#include "TempFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The real executable, headless, on a private AppData folder, printing by itself.
class Server
{
public:
    Server(const TempFolders& dirs, const QString& cupsSocket)
    {
        QProcessEnvironment env = dirs.serverEnvironment();
        if (!cupsSocket.isEmpty())
            env.insert("CUPS_SERVER", cupsSocket);
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(DRUCKSERVER_BINARY_DIR "/druckserver"), {});
    }
    ~Server() { kill(); }
    // SIGKILL: no chance to clean up or finish anything.
    void kill()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    QString errors() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

private:
    QProcess m_process;
};

// "Rechnung" with an umlaut in code page 437 (0x81 is "ü"), three lines.
const QByteArray PrintFile = "Rechnung Nr. 4711\r\nFr\x81hst\x81"
                             "ck 2 x 3,50\r\nSumme 7,00\r\n";

void backgroundPrinting(const TempFolders& dirs, const QString& destination)
{
    dirs.setSetting("Pserver", "AutoStart", "1");
    dirs.setSetting("Pserver", "HideMode", "1");
    dirs.setSetting("Pserver", "AutoStartDelay", "300");
    dirs.setSetting("PDevice", "Printer0", destination);
}

// Background printing into a PDF folder of its own, which it returns.
QString backgroundPdfPrinting(const TempFolders& dirs)
{
    backgroundPrinting(dirs, "Pdf-Dokument");
    const QString pdfFolder = dirs.root() + "/pdf";
    QDir().mkpath(pdfFolder);
    dirs.setSetting("Pserver", "PDFFolder", pdfFolder);
    return pdfFolder;
}

// The page's ink is a frame with text inside: every pixel along the four edges of the
// ink's bounding box is ink, so the box-drawing characters join without gaps.
bool frameIsClosed(const QImage& page)
{
    const auto ink = [&](int x, int y) { return qGray(page.pixel(x, y)) < 128; };
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            box |= ink(x, y) ? QRect(x, y, 1, 1) : QRect();
    bool closed = box.width() > 100 && box.height() > 50;
    for (int x = box.left(); x <= box.right(); ++x)
        closed = closed && ink(x, box.top()) && ink(x, box.bottom());
    for (int y = box.top(); y <= box.bottom(); ++y)
        closed = closed && ink(box.left(), y) && ink(box.right(), y);
    return closed;
}

QStringList filesIn(const QString& folder, const QString& pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files | QDir::Hidden);
}

} // namespace

TEST(EndToEnd, ADroppedPrintFileIsPrintedInTheBackgroundAndRemoved)
{
    TempFolders dirs;
    CupsSpooler spooler;
    if (!spooler.isRunning())
        GTEST_SKIP() << "no private CUPS scheduler: " << spooler.error().toStdString();
    backgroundPrinting(dirs, "PDF");
    Server server(dirs, spooler.socketPath());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.running(); }, 5000));

    TempFolders::writeFile(dirs.printFile(), PrintFile);
    ASSERT_TRUE(spooler.waitForJobs("PDF", 1, 20000)) << server.errors().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo::exists(dirs.printFile()); }, 5000));
    const QString text = pdftools::text(spooler.jobs("PDF").first().documentPath).out;
    EXPECT_TRUE(text.contains("Rechnung Nr. 4711"));
    EXPECT_TRUE(text.contains("Frühstück")) << text.toStdString();
    EXPECT_TRUE(server.running());
}

TEST(EndToEnd, ADroppedPrintFileBecomesExactlyOnePdfInThePdfFolder)
{
    TempFolders dirs;
    backgroundPrinting(dirs, "Pdf-Dokument");
    const QString pdfFolder = dirs.root() + "/pdf";
    QDir().mkpath(pdfFolder);
    dirs.setSetting("Pserver", "PDFFolder", pdfFolder);
    Server server(dirs, QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.running(); }, 5000));

    TempFolders::writeFile(dirs.printFile(), PrintFile);
    QStringList pdfs;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            pdfs = QDir(pdfFolder).entryList({"*.pdf"}, QDir::Files);
            return !pdfs.isEmpty();
        },
        20000))
        << server.errors().toStdString();
    QTest::qWait(500);
    pdfs = QDir(pdfFolder).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(pdfs.size(), 1) << pdfs.join(", ").toStdString();
    EXPECT_TRUE(pdfs.first().startsWith("PDFDOC"));
    const QString text = pdftools::text(pdfFolder + "/" + pdfs.first()).out;
    EXPECT_TRUE(text.contains("Rechnung Nr. 4711"));
    EXPECT_TRUE(text.contains("Frühstück"));
    EXPECT_TRUE(text.contains("Summe 7,00"));
    EXPECT_FALSE(QFileInfo::exists(dirs.printFile()));
}

TEST(EndToEnd, AJobWaitingForTheUserComesBackOnceAfterTheServerWasKilled)
{
    TempFolders dirs;
    // Headless, every dialog that waits for the user says so once on standard error.
    QString log;
    const auto waiting = [&](Server& server, const QString& job) {
        log += server.errors();
        return log.count("Druckdialog Job  " + job + ": wartet");
    };
    auto server = std::make_unique<Server>(dirs, QString());
    TempFolders::writeFile(dirs.printFile(), PrintFile);
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting(*server, "2") == 1; }, 15000)) << log.toStdString();
    server->kill();
    EXPECT_FALSE(QFileInfo::exists(dirs.printFile()));
    EXPECT_EQ(filesIn(dirs.appData() + "/spool", "job-*.dat").size(), 1);

    // After the restart the job's dialog is there again, once; a new print file is a job
    // of its own.
    log.clear();
    server = std::make_unique<Server>(dirs, QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting(*server, "2") == 1; }, 15000)) << log.toStdString();
    TempFolders::writeFile(dirs.printFile(), "Neuer Auftrag\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting(*server, "3") == 1; }, 15000)) << log.toStdString();
    EXPECT_EQ(waiting(*server, "2"), 1) << log.toStdString();
    EXPECT_EQ(filesIn(dirs.appData() + "/spool", "job-*.dat").size(), 2);
}

TEST(EndToEnd, AServerKilledDuringAPdfOutputLeavesNoHalfFileAndPrintsTheJobAfterTheRestart)
{
    TempFolders dirs;
    const QString pdfFolder = backgroundPdfPrinting(dirs);
    // Pages drawn as pictures take long enough to be caught in the middle.
    dirs.setSetting("Pserver", "PdfBitmap", "1");
    QByteArray pages;
    for (int page = 1; page <= 30; ++page)
        pages += "Seite " + QByteArray::number(page) + "\r\n\f";
    auto server = std::make_unique<Server>(dirs, QString());
    TempFolders::writeFile(dirs.printFile(), pages);
    // Every PDF output begins with the resolution probe "Test.pdf" in the AppData folder.
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(dirs.appData() + "/Test.pdf"); }, 20000))
        << server->errors().toStdString();
    server->kill();
    EXPECT_TRUE(filesIn(pdfFolder, "*.pdf").isEmpty()) << "no file under its final name";

    server = std::make_unique<Server>(dirs, QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !filesIn(pdfFolder, "*.pdf").isEmpty(); }, 60000))
        << server->errors().toStdString();
    const QString pdf = pdfFolder + "/" + filesIn(pdfFolder, "*.pdf").first();
    EXPECT_TRUE(pdftools::check(pdf).ok());
    EXPECT_EQ(pdftools::infoValue(pdftools::info(pdf).out, "Pages"), "30");
    EXPECT_TRUE(QTest::qWaitFor([&] { return filesIn(dirs.appData() + "/spool", "job-*.dat").isEmpty(); }, 5000));
}

// A real DOS machine: DOSBox, headless, copies a print file to its drive D:, which is the
// AppData folder. DOS names are upper case, so it arrives as D.DAT.
TEST(EndToEnd, ADosProgramUnderDosBoxPrintsIntoAPdf)
{
    TempFolders dirs;
    const QString pdfFolder = backgroundPdfPrinting(dirs);
    const QString dosDrive = dirs.root() + "/dos";
    // Code page 437: "Frühstück" with 0x81, a frame of double and single lines.
    TempFolders::writeFile(dosDrive + "/BON.TXT", "\xc9\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbb\r\n"
                                                  "\xba Fr\x81hst\x81"
                                                  "ck  \xba\r\n"
                                                  "\xc7\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xc4\xb6\r\n"
                                                  "\xba 3,50 Euro  \xba\r\n"
                                                  "\xc8\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbc\r\n");
    const QString config =
        TempFolders::writeFile(dirs.root() + "/dosbox.conf", "[sdl]\noutput=surface\n[cpu]\ncycles=max\n[autoexec]\n"
                                                             "mount c \"" +
                                                                 dosDrive.toLocal8Bit() +
                                                                 "\"\n"
                                                                 "mount d \"" +
                                                                 dirs.appData().toLocal8Bit() +
                                                                 "\"\n"
                                                                 "c:\ncopy BON.TXT D:\\D.DAT\nexit\n");
    Server server(dirs, QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.running(); }, 5000));

    QProcess dosbox;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", dirs.root());
    env.insert("SDL_VIDEODRIVER", "dummy");
    env.insert("SDL_AUDIODRIVER", "dummy");
    dosbox.setProcessEnvironment(env);
    dosbox.start("dosbox", {"-conf", config, "-noconsole"});
    ASSERT_TRUE(dosbox.waitForFinished(60000)) << "dosbox";
    ASSERT_EQ(dosbox.exitCode(), 0) << dosbox.readAllStandardError().toStdString();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !filesIn(pdfFolder, "*.pdf").isEmpty(); }, 20000))
        << server.errors().toStdString();
    const QString pdf = pdfFolder + "/" + filesIn(pdfFolder, "*.pdf").first();
    const QString text = pdftools::text(pdf).out;
    EXPECT_TRUE(text.contains("Frühstück")) << text.toStdString();
    EXPECT_TRUE(text.contains("3,50 Euro"));
    // The frame is drawn, not written: its corners close on the page.
    const QList<QImage> pages = pdftools::pageImages(pdf, 150);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(frameIsClosed(pages.first())) << "box drawing";
    EXPECT_TRUE(filesIn(dirs.appData(), "*.DAT").isEmpty());
}

TEST(EndToEnd, ADroppedPrintFileWithMailCommandsArrivesAsOneMailWithItsPdf)
{
    TempFolders dirs;
    SmtpPeer peer;
    ASSERT_TRUE(peer.isRunning()) << peer.error().toStdString();
    backgroundPrinting(dirs, "e-Mail");
    const QString pdfFolder = dirs.root() + "/pdf";
    QDir().mkpath(pdfFolder);
    dirs.setSetting("Pserver", "PDFFolder", pdfFolder);
    dirs.setSetting("Pserver", "MailDirect", "1");
    dirs.setSetting("Pserver", "MailDelete", "1");
    dirs.setSetting("Pserver", "SmtpServer", peer.url());
    dirs.setSetting("Pserver", "MailFrom", "buero@x.de");
    const QString extra = TempFolders::writeFile(dirs.root() + "/Lieferschein.txt", "Lieferschein 4711\n");
    Server server(dirs, QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.running(); }, 5000));

    TempFolders::writeFile(dirs.printFile(),
                           "@EMAIL kunde@x.de\r\n@CCEMAIL buchhaltung@x.de\r\n@BETREFF Rechnung 4711\r\n"
                           "@ANHANG " +
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
    EXPECT_TRUE(text.contains("Rechnung Nr. 4711"));
    EXPECT_TRUE(text.contains("Frühstück")) << text.toStdString();
    EXPECT_TRUE(text.contains("Summe 7,00"));
    EXPECT_EQ(mail.attachments[1].fileName, "Lieferschein.txt");
    EXPECT_FALSE(QFileInfo::exists(dirs.printFile()));
}
