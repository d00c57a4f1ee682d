// Whoever can write a print file is a stranger: the server as such a stranger would try it,
// against its real polling, spool and outputs.
#include "dialog/PrintDialog.h"
#include "platform/MessageBox.h"
#include "platform/TempJournal.h"
#include "server/PrintServer.h"
#include "server/ServedJob.h"
#include "support/PdfTools.h"
#include "support/SmtpPeer.h"
#include "support/TempFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The user's folders with a secret of theirs, unattended PDF output into a folder of its
// own, and a server polling the AppData folder (drive D: of the DOS programs).
struct Office
{
    TempFolders dirs;
    QString secret = TempFolders::writeFile(dirs.root() + "/home/.ssh/id_rsa", "GEHEIMER SCHLUESSEL\n");
    QString pdfFolder = dirs.root() + "/pdf";
    explicit Office(const QByteArray& settings = {})
    {
        QDir().mkpath(pdfFolder);
        TempFolders::writeFile(dirs.settingsFile(), "[Pserver]\nAutoStart=1\nHideMode=1\nAutoStartDelay=0\nPdfPrint=0\n"
                                                    "PDFFolder=" +
                                                        pdfFolder.toLocal8Bit() + "\n" + settings);
    }
    QStringList pdfs(const QString& folder = {}) const
    {
        return QDir(folder.isEmpty() ? pdfFolder : folder).entryList({"*.pdf"}, QDir::Files);
    }
    // A folder of its own below the scratch folder.
    QString folder(const QString& name) const
    {
        const QString path = dirs.root() + u'/' + name;
        QDir().mkpath(path);
        return path;
    }
    // A settings file a job may name, in the AppData folder (drive D:).
    void jobSettings(const QString& name, const QString& pdfFolder, const QByteArray& more) const
    {
        TempFolders::writeFile(dirs.appData() + u'/' + name,
                               "[Pserver]\nPDFFolder=" + pdfFolder.toLocal8Bit() + "\n" + more);
    }
    QStringList aside() const
    {
        return QDir(dirs.appData() + "/fehlerhaft").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    }
};

struct Polling
{
    PrintServer server;
    Polling() { server.readSettings(); }
    void tickOn(const TempFolders& dirs, const QByteArray& bytes, const QString& name = QStringLiteral("d.dat"))
    {
        TempFolders::writeAged(dirs.appData() + u'/' + name, bytes);
        server.pollOnce();
    }
    bool idle()
    {
        return QTest::qWaitFor([&] { return server.jobs().isEmpty(); }, 10000);
    }
};

} // namespace

// 1: a stranger's job cannot mail the user's files (a key, the settings file with the mail
// password, a spool entry) to itself; the DOS program's own files on its drive still go.
TEST(Stranger, CannotMailTheUsersFilesButTheDosProgramsOwnFilesGo)
{
    SmtpPeer peer;
    ASSERT_TRUE(peer.isRunning()) << peer.error().toStdString();
    Office office("MailDirect=1\nMailPW=geheim\nSmtpServer=" + peer.url().toLocal8Bit() +
                  "\n[PDevice]\nPrinter0=e-Mail\n");
    TempFolders::writeFile(office.dirs.appData() + "/anlage.txt", "Lieferschein\n");
    TempFolders::writeFile(office.dirs.appData() + "/spool/job-0000000007.dat", "fremder Auftrag\n");
    Polling polling;
    polling.tickOn(office.dirs, "@EMAIL dieb@example.test\r\n@ANHANG " + office.secret.toLocal8Bit() +
                                    "\r\n@ANHANG D:\\PS.INI\r\n@ANHANG D:\\SPOOL\\JOB-0000000007.DAT\r\n"
                                    "@TXTEMAIL ..\\home\\.ssh\\id_rsa\r\n@ANHANG D:\\ANLAGE.TXT\r\nRechnung\r\n");
    ASSERT_TRUE(peer.waitForMails(1));
    const SmtpPeer::Mail mail = peer.mails().first();
    ASSERT_EQ(mail.attachments.size(), 2);
    EXPECT_EQ(mail.attachments[1].fileName, "anlage.txt");
    EXPECT_FALSE(mail.body.contains("GEHEIM"));
    // Every name refused is in the log, with the job and the name as the job wrote it.
    const QString log = msgbox::loggedLines().join('\n');
    for (const QString& named : {office.secret, QStringLiteral("D:\\PS.INI"), QStringLiteral("..\\home\\.ssh\\id_rsa")})
        EXPECT_TRUE(log.contains("Druckdialog Job  2: @") && log.contains("\"" + named + "\"")) << log.toStdString();
}

// 2: a job's settings file is read, never rewritten, unless it is a settings file where
// the user keeps files; and then only its [PDevice] keys change, every other byte stays.
TEST(Stranger, CannotRewriteFilesAsItsSettingsFile)
{
    Office office;
    TempFolders::writeFile(office.dirs.settingsFile(), "[Pserver]\nPDFFolder=" + office.pdfFolder.toLocal8Bit() + "\n");
    const QByteArray bashrc = "alias ll='ls -l'\nexport PATH\n";
    const QString outside = TempFolders::writeFile(office.dirs.root() + "/home/.bashrc", bashrc);
    const QString notes = TempFolders::writeFile(office.dirs.appData() + "/notiz.txt", bashrc);
    const QByteArray firma = "; Firma\r\n[Pserver]\nLeftSpace=2\r\n";
    const QString ini = TempFolders::writeFile(office.dirs.appData() + "/firma.ini", firma);
    for (const QString& named : {outside, QStringLiteral("D:\\NOTIZ.TXT"), QStringLiteral("D:\\FIRMA.INI")}) {
        Polling polling;
        polling.tickOn(office.dirs, "@INI " + named.toLocal8Bit() + "\r\nText\r\n");
        ASSERT_EQ(polling.server.jobs().size(), 1);
        polling.server.jobs().first()->dialog()->cancel(); // saves the dialog's choices
    }
    EXPECT_EQ(bytesOf(outside), bashrc);
    EXPECT_EQ(bytesOf(notes), bashrc);
    const QByteArray written = bytesOf(ini);
    EXPECT_TRUE(written.startsWith(firma + "\r\n[PDevice]\r\nPrinter0=Pdf-Dokument\r\n")) << written.constData();
}

// 3 and 5: a stranger's settings file (here: its own spool entry, and a file on the drive)
// cannot redirect output or lift protection, and a job that waits keeps its own settings
// whatever job is read meanwhile.
TEST(Stranger, CannotRedirectOutputNorChangeAWaitingJob)
{
    Office office("PdfSignatur=geheim\nAutoStartDelay=700\n");
    const QString publicFolder = office.folder("public");
    office.jobSettings("fremd.ini", publicFolder, "PdfSignatur=\nAutoStart=1\nHideMode=1\nAutoStartDelay=0\n");
    Polling polling;
    polling.tickOn(office.dirs, "@INI D:\\SPOOL\\JOB-0000000001.DAT\r\nAuftrag A\r\n");
    ASSERT_EQ(polling.server.jobs().size(), 1);
    EXPECT_EQ(polling.server.jobs().first()->job().settings.file, office.dirs.settingsFile());
    polling.tickOn(office.dirs, "@INI D:\\FREMD.INI\r\nAuftrag B\r\n");
    ASSERT_TRUE(polling.idle());
    EXPECT_TRUE(office.pdfs(publicFolder).isEmpty());
    QStringList texts;
    for (const QString& pdf : office.pdfs()) {
        const QString path = office.pdfFolder + "/" + pdf;
        const bool locked = !pdftools::info(path).ok();
        texts << pdftools::pageTexts(path, false, locked ? "geheim" : QString()).join("").trimmed() +
                     (locked ? " geschützt" : " offen");
    }
    texts.sort();
    EXPECT_EQ(texts, QStringList({"Auftrag A geschützt", "Auftrag B offen"}));
}

// 4: a note planted in the journal (or where an earlier version kept it) deletes nothing
// the server did not write itself.
TEST(Stranger, CannotMakeTheServerDeleteAFileAtStart)
{
    Office office;
    const QString important = TempFolders::writeFile(office.dirs.root() + "/important.odt", "Vertrag");
    const QString temporary = TempFolders::writeFile(office.pdfFolder + "/.druckserver-pdf-AbC123.part", "halb");
    for (const QString& folder : {office.dirs.appData() + "/temp", tempjournal::folder()})
        for (const QString& path : {important, office.dirs.settingsFile(), temporary})
            TempFolders::writeFile(folder + "/" + QFileInfo(path).fileName() + ".note",
                                   "999999\n" + path.toLocal8Bit());
    PrintServer server;
    server.readSettings();
    server.recoverSpool();
    EXPECT_TRUE(QFileInfo::exists(important));
    EXPECT_TRUE(QFileInfo::exists(office.dirs.settingsFile()));
    EXPECT_FALSE(QFileInfo::exists(temporary)) << "the program's own left-over temporary file goes";
}

// 6 and 7: a link, a second name of a file, or a FIFO named like the print file is set
// aside, and the next print file prints; what they lead to is never read.
TEST(Stranger, CannotPrintALinkedFileNorBlockPrinting)
{
    Office office;
    ASSERT_TRUE(QFile::link(office.secret, office.dirs.appData() + "/d.dat"));
    ASSERT_EQ(::link(QFile::encodeName(office.secret), QFile::encodeName(office.dirs.appData() + "/D.DAT")), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(office.dirs.appData() + "/d.DAT"), 0600), 0);
    Polling polling;
    polling.tickOn(office.dirs, "echter Auftrag\r\n", "D.dat");
    for (int tick = 0; tick < 4; ++tick)
        polling.server.pollOnce();
    ASSERT_TRUE(polling.idle());
    ASSERT_EQ(office.pdfs().size(), 1);
    EXPECT_EQ(pdftools::text(office.pdfFolder + "/" + office.pdfs().first()).out.trimmed(), "echter Auftrag");
    EXPECT_EQ(office.aside().size(), 3) << office.aside().join(", ").toStdString();
    EXPECT_EQ(bytesOf(office.secret), "GEHEIMER SCHLUESSEL\n");
}

// 7: a file where the spool folder belongs: said once, the print file stays, and it is
// not read again at every tick; once the way is free it prints.
TEST(Stranger, ABlockedSpoolIsReportedOnceAndTriedAgainLater)
{
    Office office;
    TempFolders::writeFile(office.dirs.appData() + "/spool", "keine Warteschlange");
    Polling polling;
    polling.tickOn(office.dirs, "Auftrag\r\n");
    for (int tick = 0; tick < 5; ++tick)
        polling.server.pollOnce();
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_TRUE(msgbox::history()[0].text.contains("kann nicht übernommen werden"))
        << msgbox::history()[0].text.toStdString();
    EXPECT_TRUE(QFileInfo::exists(office.dirs.printFile()));
    QFile::remove(office.dirs.appData() + "/spool");
    polling.server.setPollingEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return office.pdfs().size() == 1; }, 10000));
}

// 8: more pages than any job has are no job: set aside with the message, at once.
TEST(Stranger, CannotExhaustMemoryWithPages)
{
    Office office;
    Polling polling;
    polling.tickOn(office.dirs, QByteArray("\f\r\n").repeated(100001));
    EXPECT_TRUE(polling.server.jobs().isEmpty());
    EXPECT_EQ(office.aside().size(), 1);
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_TRUE(msgbox::history()[0].text.contains("mehr als 100.000 Seiten"))
        << msgbox::history()[0].text.toStdString();
}

// 9: entries planted in the spool with the largest numbers are read like any, and the
// next claim still makes an entry that is read.
TEST(Stranger, CannotMakeASpoolEntryUnreadable)
{
    Office office;
    TempFolders::writeFile(office.dirs.appData() + "/spool/job-9999999999.dat", "zweiter\r\n");
    TempFolders::writeFile(office.dirs.appData() + "/spool/job-999999999999999999.dat", "dritter\r\n");
    Polling polling;
    polling.server.recoverSpool();
    TempFolders::writeAged(office.dirs.printFile(), "neuer\r\n");
    polling.server.setPollingEnabled(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return office.pdfs().size() == 3 && polling.server.jobs().isEmpty(); }, 15000));
    EXPECT_TRUE(QDir(office.dirs.appData() + "/spool").entryList(QDir::Files).isEmpty());
}

// Where print files are trusted, a job from the printer queue (any local user, a guest of a
// printer share) still cannot redirect the output; the same job as a print file can.
TEST(Stranger, FromThePrinterQueueStaysAStrangerWherePrintFilesAreTrusted)
{
    Office office("TrustPrintFiles=1\n");
    const QString ownFolder = office.folder("eigene");
    office.jobSettings("eigene.ini", ownFolder, "AutoStart=1\nHideMode=1\nAutoStartDelay=0\nPdfPrint=0\n");
    const QByteArray job = "@INI D:\\EIGENE.INI\r\nAuftrag\r\n";
    Polling polling;
    const QString upload = office.dirs.root() + "/upload";
    TempFolders::writeAged(upload, job);
    const PrintSpool::Claim fromQueue =
        PrintSpool(polling.server.spool().folder()).claim(upload, PrintSpool::Source::PrinterQueue);
    ASSERT_FALSE(fromQueue.entry.isEmpty());
    polling.server.queueSpoolEntry(fromQueue.entry);
    polling.server.pollOnce();
    ASSERT_TRUE(polling.idle());
    EXPECT_EQ(office.pdfs().size(), 1);
    EXPECT_TRUE(office.pdfs(ownFolder).isEmpty());

    polling.tickOn(office.dirs, job);
    ASSERT_TRUE(polling.idle());
    EXPECT_EQ(office.pdfs(ownFolder).size(), 1);
}

// A job with a settings file of its own keeps it while it waits: another job read meanwhile,
// with the default settings, changes neither where it goes nor anything else.
TEST(OwnSettings, AWaitingJobPrintsIntoItsOwnFolderWhateverJobIsReadMeanwhile)
{
    Office office("TrustPrintFiles=1\n");
    const QString ownFolder = office.folder("eigene");
    office.jobSettings("eigene.ini", ownFolder, "AutoStart=1\nHideMode=1\nAutoStartDelay=1500\nPdfPrint=0\n");
    Polling polling;
    polling.tickOn(office.dirs, "@INI D:\\EIGENE.INI\r\nAuftrag A\r\n");
    ASSERT_EQ(polling.server.jobs().size(), 1);
    polling.tickOn(office.dirs, "Auftrag B\r\n");
    ASSERT_TRUE(polling.idle());
    ASSERT_EQ(office.pdfs(ownFolder).size(), 1);
    EXPECT_EQ(pdftools::pageTexts(ownFolder + "/" + office.pdfs(ownFolder).first()).join("").trimmed(), "Auftrag A");
    ASSERT_EQ(office.pdfs().size(), 1);
    EXPECT_EQ(pdftools::pageTexts(office.pdfFolder + "/" + office.pdfs().first()).join("").trimmed(), "Auftrag B");
}
