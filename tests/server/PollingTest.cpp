#include "dialog/OutputDispatch.h"
#include "platform/FolderEvents.h"
#include "platform/MessageBox.h"
#include "server/PrintFileWatch.h"
#include "server/PrintServer.h"
#include "server/ServedJob.h"
#include "support/TempFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// A print server as start-up leaves it, without the tray and the single-instance lock.
struct Server
{
    PrintServer ps;
    Server() { ps.readSettings(); }
    // One tick on a print file old enough to count as complete.
    void tickOn(const TempFolders& dirs, const QByteArray& bytes)
    {
        TempFolders::writeAged(dirs.printFile(), bytes);
        ps.pollOnce();
    }
    const Job& job(int index) const { return ps.jobs().value(index)->job(); }
};

QString firstLine(const Job& job, qint32 page = 1)
{
    JobPages pages(job);
    const QStringList& lines = pages.page(page).lines;
    for (const QString& line : lines)
        if (!line.isEmpty())
            return line;
    return {};
}

// Jobs output on their own at once, without a window; `more` goes on in the [Pserver] section.
void unattended(const TempFolders& dirs, const QByteArray& more = {})
{
    TempFolders::writeFile(dirs.settingsFile(), "[Pserver]\nAutoStart=1\nHideMode=1\nAutoStartDelay=0\n" + more);
}

} // namespace

// The poller hands the job the settings file its "@INI" record names, or the default file
// when that is no settings file (a device, a huge file): never read without bound.
TEST(Polling, IniNamesTheJobsSettingsFileAndAnythingElseLeavesTheDefault)
{
    TempFolders dirs;
    const QString other = TempFolders::writeFile(dirs.appData() + "/other.ini", "[Pserver]\nLeftSpace=4\n");
    const QString huge = TempFolders::writeFile(dirs.appData() + "/huge.ini", "[Pserver]\n" + QByteArray(2 << 20, ';'));
    Server server;
    for (const QString& named : {QStringLiteral("D:\\OTHER.INI"), QStringLiteral("/dev/zero"), huge})
        server.tickOn(dirs, "@INI " + named.toLocal8Bit() + "\r\na\r\n");
    ASSERT_EQ(server.ps.jobs().size(), 3);
    EXPECT_EQ(server.job(0).settings.file, other);
    EXPECT_EQ(server.job(0).settings.leftMargin, 4);
    for (int i = 1; i < 3; ++i)
        EXPECT_EQ(server.job(i).settings.file, dirs.settingsFile()) << i;
}

// Binary data without line ends is no print file: it is set aside, never deleted, and the
// message says where. A line of text of the same length prints.
TEST(Polling, AFaultyFileIsSetAsideAndReportedButALongTextLinePrints)
{
    TempFolders dirs;
    Server server;
    const QByteArray binary = "ok\r\n" + QByteArray(2 << 20, '\0') + "\r\n";
    server.tickOn(dirs, binary);
    EXPECT_FALSE(QFileInfo::exists(dirs.printFile()));
    EXPECT_TRUE(server.ps.jobs().isEmpty());
    EXPECT_TRUE(server.ps.spool().entries().isEmpty()) << "not read again at the next start";
    const QFileInfoList aside = QDir(dirs.appData() + "/fehlerhaft").entryInfoList(QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(aside[0].size(), binary.size());
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_EQ(msgbox::history()[0].title, "Interpretationsfehler!");
    EXPECT_EQ(msgbox::history()[0].text, "Druckdatei fehlerhaft!\r\nDie Datei enthält Binärdaten ohne Zeilenenden.\r\n"
                                         "Die Datei liegt unter " +
                                             aside[0].absoluteFilePath() + ".");
    EXPECT_TRUE(server.ps.isPollingEnabled());

    server.tickOn(dirs, "ok\r\n" + QByteArray(2 << 20, 'x') + "\r\n");
    ASSERT_EQ(server.ps.jobs().size(), 1);
    EXPECT_EQ(JobPages(server.job(0)).page(1).line(2).size(), 2 << 20);
}

// A DOS program writes a line every 100 ms and, half way, computes for a second with the
// file still open: far longer than the quiet time, yet it is one job.
TEST(Polling, AWriterThatPausesWithTheFileOpenGivesExactlyOneCompleteJob)
{
    TempFolders dirs;
    dirs.setSetting("Pserver", "LinesPerPage", "10");
    Server server;
    server.ps.setPollingEnabled(true);

    QFile file(dirs.printFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // Lines 1 to 10 at ticks 1 to 10, the pause, lines 11 to 20 at ticks 21 to 30, closed.
    int tick = 0;
    QTimer writer;
    QObject::connect(&writer, &QTimer::timeout, [&] {
        if (++tick > 30)
            writer.stop(), file.close();
        else if (tick <= 10 || tick > 20)
            file.write("line " + QByteArray::number(tick <= 10 ? tick : tick - 10) + "\r\n"), file.flush();
    });
    writer.start(100);
    // Once the writer is done and its job shown, another tick finds no second job.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.ps.jobs().isEmpty() && !file.isOpen(); }, 10000));
    server.ps.pollOnce();
    ASSERT_EQ(server.ps.jobs().size(), 1);
    EXPECT_EQ(server.job(0).pageCount(), 2);
    EXPECT_EQ(JobPages(server.job(0)).page(2).line(10), "line 20");
}

// Print files written before the claim (two DOS machines, two spellings), while the first
// is read, and while it is output: every one comes out once, oldest first.
TEST(Polling, NoPrintFileWrittenWhileAnotherIsTakenOverIsLost)
{
    TempFolders dirs;
    unattended(dirs);
    QStringList printed;
    outputHook() = [&](const Job& job, const OutputRequest&) {
        printed << firstLine(job);
        if (printed.size() == 1)
            TempFolders::writeAged(dirs.appData() + "/D.dat", "beim Ausgeben\r\n", 1);
        return OutputOutcome::done();
    };
    Server server;
    TempFolders::writeAged(dirs.appData() + "/d.dat", "erster\r\n", 20);
    TempFolders::writeAged(dirs.appData() + "/D.DAT", "zweiter\r\n", 10);
    QTimer::singleShot(0, [&] { TempFolders::writeAged(dirs.printFile(), "beim Lesen\r\n", 5); });
    server.ps.pollOnce();
    server.ps.setPollingEnabled(true);

    EXPECT_TRUE(QTest::qWaitFor([&] { return printed.size() >= 4 && server.ps.spool().entries().isEmpty(); }, 10000));
    outputHook() = nullptr;
    EXPECT_EQ(printed, QStringList({"erster", "zweiter", "beim Lesen", "beim Ausgeben"}));
    EXPECT_TRUE(QDir(dirs.appData()).entryList({"d.dat"}, QDir::Files).isEmpty());
}

// Nobody watches a job that runs unseen: when its output fails it goes to "fehlerhaft"
// with a message that says where, instead of waiting in memory and coming back at every
// start.
TEST(Polling, AnUnattendedJobWhoseOutputFailsIsSetAsideWithItsMessage)
{
    TempFolders dirs;
    const QString pdfFolder = dirs.root() + "/pdf";
    unattended(dirs, "PDFFolder=" + pdfFolder.toLocal8Bit() + "\n[PDevice]\nPrinter0=Pdf-Dokument\n");
    Server server;
    server.tickOn(dirs, "Rechnung\r\n");
    ASSERT_EQ(server.ps.jobs().size(), 1);
    EXPECT_EQ(server.ps.jobs().first()->dialog(), nullptr) << "HideMode with AutoStart: no window at all";
    EXPECT_TRUE(server.ps.isPrintDialogOpen()) << "a job that runs unseen still counts";

    ASSERT_TRUE(QTest::qWaitFor([&] { return server.ps.jobs().isEmpty(); }, 5000));
    const QStringList aside = QDir(dirs.appData() + "/fehlerhaft").entryList(QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(server.ps.spool().entries().isEmpty());
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_EQ(msgbox::history()[0].title, "Fehler!");
    const QString text = msgbox::history()[0].text;
    EXPECT_TRUE(text.startsWith("Druckdialog Job  2: ") && text.contains("existiert nicht") &&
                text.contains(dirs.appData() + "/fehlerhaft/" + aside[0]))
        << text.toStdString();
}

// The system tells which files their writer closed: such a file is complete at once, while
// one still open, or one that came from elsewhere without a close seen here (a share's
// writer), waits the quiet time.
TEST(PrintFileWatch, AFileClosedByItsWriterNeedsNoQuietTimeButOneOpenOrFromElsewhereDoes)
{
    TempFolders dirs;
    FolderEvents events([](const QString&) {});
    ASSERT_TRUE(events.watch(dirs.appData()));
    PrintFileWatch watch;
    watch.setQuietTime(600000);
    watch.setFolderEvents(&events);

    TempFolders::writeFile(dirs.appData() + "/.closed", "a\r\n");
    QFile::rename(dirs.appData() + "/.closed", dirs.appData() + "/closed.dat");
    QFile open(dirs.appData() + "/open.dat");
    ASSERT_TRUE(open.open(QIODevice::WriteOnly) && open.write("a\r\n") == 3 && open.flush());
    TempFolders::writeFile(dirs.root() + "/elsewhere.dat", "a\r\n");
    QFile::rename(dirs.root() + "/elsewhere.dat", dirs.appData() + "/elsewhere.dat");

    auto complete = [&](const QString& name) {
        QFile file(dirs.appData() + "/" + name);
        return file.open(QIODevice::ReadOnly) &&
               watch.isComplete(file.fileName(), file.handle(), QDateTime::currentMSecsSinceEpoch());
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return complete("closed.dat"); }, 5000));
    EXPECT_FALSE(complete("open.dat"));
    EXPECT_FALSE(complete("elsewhere.dat"));
}

// The poller looks as soon as a print file changes: with a tick once a minute, a print
// file its writer has closed still becomes a job at once.
TEST(Polling, APrintFileItsWriterClosedIsTakenWithoutWaitingForTheTick)
{
    TempFolders dirs;
    unattended(dirs, "Polling=60000\n");
    outputHook() = [](const Job&, const OutputRequest&) { return OutputOutcome::done(); };
    Server server;
    server.ps.setPollingEnabled(true);
    TempFolders::writeFile(dirs.printFile(), "Rechnung\r\n");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !QFileInfo::exists(dirs.printFile()) && server.ps.spool().entries().isEmpty(); }, 20000));
    outputHook() = nullptr;
}
