#include "DialogTestSupport.h"
#include "MessageBox.h"
#include "PdfTools.h"
#include "ShellOpen.h"
#include "SmtpPeer.h"
#include "TempFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Sets an environment variable (empty: removes it) until the returned guard goes.
auto environment(const char* name, const QByteArray& value)
{
    const QByteArray old = qgetenv(name);
    value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
    return qScopeGuard([name, old] { old.isNull() ? qunsetenv(name) : qputenv(name, old); });
}

// Folders and settings for destination "e-Mail" with MailDelete on.
struct MailJob
{
    TempFolders dirs;
    QString pdfFolder = dirs.root() + "/pdf";

    MailJob()
    {
        QDir().mkpath(pdfFolder);
        dirs.setSetting("Pserver", "PDFFolder", pdfFolder);
        dirs.setSetting("Pserver", "PdfPrint", "0");
        dirs.setSetting("Pserver", "MailDelete", "1");
        dirs.setSetting("PDevice", "Printer0", "e-Mail");
    }

    // A dialog as the poller leaves it, for a job with these records.
    QPointer<frmGUI> dialog(const QStringList& records) const
    {
        QPointer<frmGUI> f = loadDialog(dirs.settingsFile());
        f->PageLen = 5;
        for (const QString& record : records)
            f->AddLineToArray(record);
        return f;
    }
    QStringList pdfs() const { return QDir(pdfFolder).entryList(QDir::Files); }
};

} // namespace

TEST(MailDispatch, ARefusedLoginKeepsTheJobAndMailDeleteRemovesThePdfEitherWay)
{
    MailJob fx;
    SmtpPeer peer({"127.0.0.1", "max", "geheim", false});
    ASSERT_TRUE(peer.isRunning()) << peer.error().toStdString();
    fx.dirs.setSetting("Pserver", "SmtpServer", peer.url());
    fx.dirs.setSetting("Pserver", "MailDirect", "1");
    fx.dirs.setSetting("Pserver", "MailName", "max");
    fx.dirs.setSetting("Pserver", "MailPW", "falsch");

    QPointer<frmGUI> f = fx.dialog({"@EMAIL a@x.de", "Rechnung 4711"});
    f->Command3_Click();
    ASSERT_FALSE(msgbox::history().isEmpty());
    EXPECT_EQ(msgbox::history().last().title, "Fehler!");
    EXPECT_TRUE(msgbox::history().last().text.startsWith("Maileinstellungen fehlerhaft!\r\n"))
        << msgbox::history().last().text.toStdString();
    EXPECT_TRUE(msgbox::history().last().text.contains("„max“ abgelehnt: 535"));
    EXPECT_TRUE(peer.mails().isEmpty());
    EXPECT_TRUE(fx.pdfs().isEmpty()) << fx.pdfs().join(", ").toStdString();
    ASSERT_FALSE(f.isNull()) << "the dialog stays open with the job";

    fx.dirs.setSetting("Pserver", "MailPW", "geheim");
    f->Command3_Click();
    ASSERT_EQ(peer.mails().size(), 1);
    EXPECT_TRUE(pdftools::pageTexts(peer.mails().first().attachments.value(0).path).join("").contains("Rechnung 4711"));
    EXPECT_TRUE(fx.pdfs().isEmpty());
    EXPECT_TRUE(waitUntilDeleted(f));
}

TEST(MailDispatch, TheMailProgramsWindowGetsEverythingFilledIn)
{
    MailJob fx;
    // The only stand-in: a command of the same name that notes its arguments.
    const QString bin = fx.dirs.root() + "/bin";
    const QString noted = fx.dirs.root() + "/xdg-email.args";
    TempFolders::writeFile(bin + "/xdg-email",
                           "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + noted.toUtf8() + "'\n");
    QFile::setPermissions(bin + "/xdg-email", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const auto path = environment("PATH", bin.toUtf8() + ":" + qgetenv("PATH"));
    fx.dirs.setSetting("Pserver", "MailText", "Hallo|Welt");
    const QString extra = TempFolders::writeFile(fx.dirs.root() + "/Anlage.txt", "Anlage");

    {
        const auto display = environment("DISPLAY", ":99");
        QPointer<frmGUI> f = fx.dialog({"@EMAIL a@x.de; b@x.de", "@CCEMAIL c@x.de", "@BCCEMAIL d@x.de",
                                        "@BETREFF Rechnung", "@ANHANG " + extra, "Rechnung 4711"});
        f->Command3_Click();
        EXPECT_TRUE(waitUntilDeleted(f)) << msgbox::history().value(0).text.toStdString();
        ASSERT_EQ(fx.pdfs().size(), 1) << "the mail program reads the PDF when the user sends";
        QFile file(noted);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QStringList args = QString::fromUtf8(file.readAll()).split(QChar(0));
        args.removeLast();
        EXPECT_EQ(args, QStringList({"--utf8", "--to", "a@x.de", "--to", "b@x.de", "--cc", "c@x.de", "--bcc", "d@x.de",
                                     "--subject", "Rechnung", "--body", "Hallo\r\nWelt", "--attach",
                                     fx.pdfFolder + "/" + fx.pdfs().first(), "--attach", extra}));
    }

    // Without a graphical session nothing waits for a window: the output fails at once.
    const auto noDisplay = environment("DISPLAY", {});
    const auto noWayland = environment("WAYLAND_DISPLAY", {});
    QFile::remove(noted);
    QPointer<frmGUI> f = fx.dialog({"@EMAIL a@x.de", "Rechnung 4712"});
    f->Command3_Click();
    ASSERT_FALSE(f.isNull());
    EXPECT_TRUE(msgbox::history().last().text.startsWith("Die Mail wurde nicht gesendet.\r\nOhne grafische Sitzung"))
        << msgbox::history().last().text.toStdString();
    EXPECT_FALSE(QFile::exists(noted));
    delete f;
}

TEST(PdfDispatch, TheNewFileIsOpenedOrReportedUnlessTheJobRunsUnseen)
{
    TempFolders dirs;
    const QString pdfFolder = dirs.root() + "/pdf";
    QDir().mkpath(pdfFolder);
    dirs.setSetting("Pserver", "PDFFolder", pdfFolder);
    dirs.setSetting("Pserver", "PdfPrint", "0");
    shell::setRecording(true);
    shell::clearRecordedCalls();
    msgbox::clearHistory();
    // A one-page job output to "Pdf-Dokument" by its dialog, which reads the settings now.
    auto output = [&](const QString& name, bool unseen) {
        const std::unique_ptr<frmGUI> f(loadDialog(dirs.settingsFile()));
        f->PageLen = 1;
        f->AddLineToArray("Seite 1");
        f->job().pdfName = name;
        f->OnlyBackground = unseen;
        return f->PrintToDevice(5, nullptr, 0);
    };

    // PDFShow wins over PDFMSG and opens the file just written.
    dirs.setSetting("Pserver", "PDFShow", "1");
    dirs.setSetting("Pserver", "PDFMSG", "1");
    ASSERT_TRUE(output("", false).ok());
    ASSERT_EQ(shell::recordedCalls().size(), 1);
    const shell::OpenCall call = shell::recordedCalls()[0];
    EXPECT_TRUE(QFileInfo(call.path).isFile()) << call.path.toStdString();
    EXPECT_EQ(QFileInfo(call.path).absolutePath(), pdfFolder);
    EXPECT_EQ(call.parameters, "1");
    EXPECT_EQ(call.workingFolder, pdfFolder);
    EXPECT_TRUE(msgbox::history().isEmpty());

    // PDFMSG alone: the "Hinweis" box names the file without its folder.
    dirs.setSetting("Pserver", "PDFShow", "0");
    ASSERT_TRUE(output("Rechnung", false).ok());
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_EQ(msgbox::history()[0].title, "Hinweis");
    EXPECT_EQ(msgbox::history()[0].text, "PDF-Dokument mit Dateiname \r\nRechnung.pdf\r\nerzeugt !");

    // Unseen jobs and failed outputs show nothing, whatever the settings say.
    dirs.setSetting("Pserver", "PDFShow", "1");
    msgbox::clearHistory();
    shell::clearRecordedCalls();
    ASSERT_TRUE(output("", true).ok());
    dirs.setSetting("Pserver", "PDFFolder", dirs.root() + "/fehlt");
    EXPECT_FALSE(output("", false).ok());
    dirs.setSetting("Pserver", "PDFShow", "0");
    EXPECT_FALSE(output("", false).ok());
    EXPECT_TRUE(shell::recordedCalls().isEmpty());
    EXPECT_TRUE(msgbox::history().isEmpty());
    shell::setRecording(false);
}
