// What Start sets going: the mail (refused login, the mail program's window), the PDF
// shown or reported, and the printer output against a private CUPS scheduler.
#include "DialogTestSupport.h"
#include "platform/MessageBox.h"
#include "platform/RegistryStore.h"
#include "platform/ShellOpen.h"
#include "support/CupsSpooler.h"
#include "support/PdfTools.h"
#include "support/SmtpPeer.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
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

    // The dialog of a job with these records.
    std::unique_ptr<DialogOnJob> dialog(const QStringList& records) const { return dialogFor(dirs, records); }
    QStringList pdfs() const { return QDir(pdfFolder).entryList(QDir::Files); }
};

// A print dialog holding `pages` pages whose lines name page and line, printing to a
// queue of the private scheduler.
class PrinterOutputTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(spooler.isRunning()) << spooler.error().toStdString(); }
    void load(int pages, const QString& destination)
    {
        dirs.setSetting("Pserver", "LinesPerPage", "10");
        QStringList records;
        for (int page = 1; page <= pages; ++page)
            for (int line = 1; line <= 10; ++line)
                records << QStringLiteral("Seite %1 Zeile %2").arg(page).arg(line);
        f = dialogFor(dirs, records);
        auto* combo = control<QComboBox>(&f->dialog, "destinationCombo");
        combo->setCurrentIndex(combo->findText(destination));
        ASSERT_EQ(combo->currentText(), destination);
    }
    OutputOutcome start()
    {
        OutputProgress progress;
        return runOutput(f->job, f->dialog.request(), progress, true);
    }
    TempFolders dirs;
    CupsSpooler spooler;
    std::unique_ptr<DialogOnJob> f;
};

} // namespace

// A sent mail with MailDelete is the end-to-end test's (tests/server).
TEST(MailDispatch, ARefusedLoginKeepsTheJobAndMailDeleteRemovesThePdfAllTheSame)
{
    MailJob fx;
    SmtpPeer peer({"127.0.0.1", "max", "geheim", false});
    ASSERT_TRUE(peer.isRunning()) << peer.error().toStdString();
    fx.dirs.setSetting("Pserver", "SmtpServer", peer.url());
    fx.dirs.setSetting("Pserver", "MailDirect", "1");
    fx.dirs.setSetting("Pserver", "MailName", "max");
    fx.dirs.setSetting("Pserver", "MailPW", "falsch");
    auto f = fx.dialog({"@EMAIL a@x.de", "Rechnung 4711"});
    f->dialog.start();
    ASSERT_FALSE(msgbox::history().isEmpty());
    EXPECT_EQ(msgbox::history().last().title, "Fehler!");
    EXPECT_TRUE(msgbox::history().last().text.startsWith("Maileinstellungen fehlerhaft!\r\n"))
        << msgbox::history().last().text.toStdString();
    EXPECT_TRUE(msgbox::history().last().text.contains("„max“ abgelehnt: 535"));
    EXPECT_TRUE(peer.mails().isEmpty());
    EXPECT_TRUE(fx.pdfs().isEmpty()) << fx.pdfs().join(", ").toStdString();
    EXPECT_FALSE(f->closed) << "the dialog stays open with the job";
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
    TempFolders::writeFile(fx.dirs.appData() + "/Anlage.txt", "Anlage"); // on drive D:, the print-file folder
    {
        const auto display = environment("DISPLAY", ":99");
        auto f = fx.dialog({"@EMAIL a@x.de; b@x.de", "@CCEMAIL c@x.de", "@BCCEMAIL d@x.de", "@BETREFF Rechnung",
                            "@ANHANG Anlage.txt", "Rechnung 4711"});
        f->dialog.start();
        EXPECT_TRUE(f->closed) << msgbox::history().value(0).text.toStdString();
        ASSERT_EQ(fx.pdfs().size(), 1) << "the mail program reads the PDF when the user sends";
        QFile file(noted);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QStringList args = QString::fromUtf8(file.readAll()).split(QChar(0));
        args.removeLast();
        // The further attachment goes as a copy the job can no longer change.
        ASSERT_EQ(args.size(), 17);
        EXPECT_EQ(args.mid(0, 15), QStringList({"--utf8", "--to", "a@x.de", "--to", "b@x.de", "--cc", "c@x.de", "--bcc",
                                                "d@x.de", "--subject", "Rechnung", "--body", "Hallo\r\nWelt",
                                                "--attach", fx.pdfFolder + "/" + fx.pdfs().first()}));
        EXPECT_EQ(args[15], "--attach");
        EXPECT_TRUE(args[16].endsWith("/Anlage.txt") && !args[16].startsWith(fx.dirs.root())) << args[16].toStdString();
    }

    // Without a graphical session nothing waits for a window: the output fails at once.
    const auto noDisplay = environment("DISPLAY", {});
    const auto noWayland = environment("WAYLAND_DISPLAY", {});
    QFile::remove(noted);
    auto f = fx.dialog({"@EMAIL a@x.de", "Rechnung 4712"});
    f->dialog.start();
    EXPECT_FALSE(f->closed);
    EXPECT_TRUE(msgbox::history().last().text.startsWith("Die Mail wurde nicht gesendet.\r\nOhne grafische Sitzung"))
        << msgbox::history().last().text.toStdString();
    EXPECT_FALSE(QFile::exists(noted));
}

// PDFShow wins over PDFMSG; unseen jobs and failed outputs show nothing.
TEST(PdfDispatch, TheNewFileIsOpenedOrReportedUnlessTheJobRunsUnseen)
{
    MailJob fx;
    shell::setRecording(true);
    shell::clearRecordedCalls();
    fx.dirs.setSetting("Pserver", "PDFMSG", "1");
    auto output = [&](const char* show, const QString& name, bool unseen = false) {
        fx.dirs.setSetting("Pserver", "PDFShow", show);
        Job job = jobOf(fx.dirs, {"Seite 1"});
        job.documentName = name;
        OutputProgress progress;
        return runOutput(job, allPages(job), progress, !unseen).ok();
    };
    ASSERT_TRUE(output("1", "Rechnung") && output("1", "", true) && output("0", "Brief", true));
    ASSERT_EQ(shell::recordedCalls().size(), 1);
    EXPECT_EQ(shell::recordedCalls()[0].path, fx.pdfFolder + "/Rechnung.pdf");
    ASSERT_TRUE(msgbox::history().isEmpty());
    ASSERT_TRUE(output("0", "Angebot"));
    fx.dirs.setSetting("Pserver", "PDFFolder", fx.dirs.root() + "/fehlt");
    EXPECT_FALSE(output("0", "Angebot"));
    ASSERT_EQ(msgbox::history().size(), 1);
    EXPECT_EQ(msgbox::history()[0].title, "Hinweis");
    EXPECT_EQ(msgbox::history()[0].text, "PDF-Dokument mit Dateiname \r\nAngebot.pdf\r\nerzeugt !");
    shell::setRecording(false);
}

TEST_F(PrinterOutputTest, RangeTwoToThreeWithTwoCopiesGivesTwoTitledDocumentsOfPagesTwoAndThree)
{
    load(5, "PDF");
    f->job.number = 7;
    control<QLineEdit>(&f->dialog, "copiesEdit")->setText("2");
    control<QRadioButton>(&f->dialog, "pageRangeOption")->setChecked(true);
    control<QLineEdit>(&f->dialog, "fromPageEdit")->setText("2");
    control<QLineEdit>(&f->dialog, "toPageEdit")->setText("3");
    const OutputOutcome outcome = start();
    ASSERT_EQ(outcome.status, OutputOutcome::Status::Done) << outcome.message.toStdString();
    ASSERT_TRUE(spooler.waitForJobs("PDF", 2));
    const auto jobs = spooler.jobs("PDF");
    ASSERT_EQ(jobs.size(), 2);
    for (const auto& job : jobs) {
        EXPECT_EQ(job.meta.value("title"), "Druckserver Job 7") << "the name the user knows the job by";
        const QStringList pages = pdftools::pageTexts(job.documentPath);
        ASSERT_EQ(pages.size(), 2);
        EXPECT_TRUE(pages[0].contains("Seite 2 Zeile 1") && pages[0].contains("Seite 2 Zeile 10"));
        EXPECT_TRUE(pages[1].contains("Seite 3 Zeile 1"));
        EXPECT_FALSE(pages.join("").contains("Seite 1 ") || pages.join("").contains("Seite 4 "));
    }
}

// The number goes with the document as the queue option the settings name (the option
// fax queues read by default, "phone"), and where a fax program of the system reads it.
TEST_F(PrinterOutputTest, TheFaxQueueGetsTheJobWithItsNumber)
{
    load(1, "FRITZfax");
    f->job.documentName = "Angebot Müller";
    control<QLineEdit>(&f->dialog, "faxEdit")->setText("0301234567");
    ASSERT_EQ(start().status, OutputOutcome::Status::Done);
    ASSERT_TRUE(spooler.waitForJobs("FRITZfax", 1));
    const CupsSpooler::SpooledJob fax = spooler.jobs("FRITZfax").first();
    EXPECT_EQ(fax.meta.value("title"), "Angebot Müller");
    EXPECT_TRUE(fax.meta.value("options").split(' ').contains("phone=0301234567"))
        << fax.meta.value("options").toStdString();
    EXPECT_TRUE(pdftools::pageTexts(fax.documentPath).join("").contains("Seite 1 Zeile 1"));
    EXPECT_TRUE(spooler.jobs("PDF").isEmpty());
    EXPECT_EQ(
        registryStore().value(RegistryStore::Root::CurrentUser, "Software\\AVM\\Fritz! 2.0\\FAX\\", "Rufnummer")->text,
        "0301234567");

    // Another option for a queue that reads the number elsewhere.
    dirs.setSetting("PDevice", "FaxOption", "fax-number");
    load(1, "FRITZfax");
    control<QLineEdit>(&f->dialog, "faxEdit")->setText("0301234567");
    ASSERT_EQ(start().status, OutputOutcome::Status::Done);
    ASSERT_TRUE(spooler.waitForJobs("FRITZfax", 2));
    EXPECT_TRUE(spooler.jobs("FRITZfax").last().meta.value("options").split(' ').contains("fax-number=0301234567"));
}
