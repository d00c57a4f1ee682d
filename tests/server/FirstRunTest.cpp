#include "PdfTools.h"
#include "ServerProcess.h"
#include "TempFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Drops a print file the way a DOS program leaves it: complete and closed.
void dropPrintFile(const QString& path, const QByteArray& bytes)
{
    TempFolders::writeFile(path + ".tmp", bytes);
    QFile::rename(path + ".tmp", path);
}

} // namespace

TEST(FirstRun, WithoutSettingsEachWaitingDialogSaysSoOnceOnStandardError)
{
    TempFolders dirs;
    ServerProcess server(dirs.serverEnvironment());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(dirs.appData() + "/.druckserver.lock"); }, 5000));

    dropPrintFile(dirs.printFile(), "Rechnung Nr. 4711\r\n");
    ASSERT_TRUE(server.waitForError("Druckdialog Job  2: wartet auf Start oder Abbruch"))
        << server.errors().toStdString();
    dropPrintFile(dirs.printFile(), "Lieferschein\r\n");
    ASSERT_TRUE(server.waitForError("Druckdialog Job  3: wartet")) << server.errors().toStdString();

    const QString log = server.errors();
    EXPECT_EQ(log.count("Druckdialog Job  2:"), 1) << log.toStdString();
    const QString line = log.mid(log.indexOf("Druckdialog Job  2:")).section('\n', 0, 0);
    for (const QString& hint : {dirs.settingsFile(), QString("AutoStart=1"), QString("HideMode=1"),
                                QString("[PDevice] Printer0=Pdf-Dokument")})
        EXPECT_TRUE(line.contains(hint)) << line.toStdString();
}

TEST(FirstRun, TheReadmeSettingsPastedIntoAFreshHomeTurnADroppedPrintFileIntoAPdf)
{
    QFile readme(testDataPath("../../README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString markdown = QString::fromUtf8(readme.readAll());
    QString snippet;
    const QRegularExpression block(QStringLiteral("```sh\\n(.*?)```"), QRegularExpression::DotMatchesEverythingOption);
    for (auto it = block.globalMatch(markdown); it.hasNext();) {
        const QString code = it.next().captured(1);
        if (code.contains("[Pserver]"))
            snippet = code;
    }
    ASSERT_FALSE(snippet.isEmpty()) << "README: no shell block with a PS.INI";

    TempFolders dirs; // program and configuration folders; the AppData folder is the home's
    const QString home = dirs.root() + "/home";
    QDir().mkpath(home);
    QProcessEnvironment env = dirs.serverEnvironment();
    env.remove("APPDATA");
    env.insert("HOME", home);
    QProcess shell;
    shell.setProcessEnvironment(env);
    shell.start("bash", {"-euc", snippet});
    ASSERT_TRUE(shell.waitForFinished(10000));
    ASSERT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();

    ServerProcess server(env);
    const QString appData = home + "/.local/share/druckserver";
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(appData + "/.druckserver.lock"); }, 5000));
    dropPrintFile(appData + "/d.dat", "Rechnung Nr. 4711\r\nSumme 7,00\r\n");
    QStringList pdfs;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            pdfs = QDir(home + "/PDF").entryList({"PDFDOC*.pdf"}, QDir::Files);
            return !pdfs.isEmpty();
        },
        20000))
        << server.errors().toStdString();
    EXPECT_TRUE(pdftools::text(home + "/PDF/" + pdfs.first()).out.contains("Summe 7,00"));
}
