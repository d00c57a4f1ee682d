#include "CupsSpooler.h"
#include "PdfTools.h"
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
    ~Server()
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
